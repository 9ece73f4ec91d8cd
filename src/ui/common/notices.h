// Notices the rules send while a record is stored, shown to the user once the store is
// over: a message box inside the store would hold the file's write lock (and keep every
// other workstation waiting) while the user reads it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

namespace ferolind::ui {

class NoticeQueue : public QObject {
    Q_OBJECT
public:
    explicit NoticeQueue(QWidget* owner);

    // Queues a notice; a text already waiting is not queued twice. The queue is shown
    // when control returns to the event loop, unless showNow() came first.
    void add(const QString& text);
    // Shows the waiting notices, one message box each, in the order they came.
    void showNow();

    // While one lives, notices are not queued: work that reports them itself (an
    // import, with its list at the end) takes them.
    struct Hold {
        Hold() { ++held(); }
        ~Hold() { --held(); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
    };
    static bool holding() { return held() > 0; }

private:
    static int& held() {
        static int n = 0;
        return n;
    }
    void schedule();
    QPointer<QWidget> owner_;
    QStringList waiting_;
    bool scheduled_ = false;
};

}  // namespace ferolind::ui
