// Shows the core's long work (ferolind::Progress): a busy cursor once it has taken
// kBusyAfterMs, a progress window with the count once it has taken kProgressAfterMs.
// The window is repainted while the work runs; it takes no input meanwhile, as the work
// holds the database file's write lock.
#pragma once

#include "data/progress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>

class QProgressDialog;
class QWidget;

namespace ferolind::ui {

class ProgressDisplay : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kBusyAfterMs = 300;
    static constexpr qint64 kProgressAfterMs = 2000;

    // Shows the core's progress until it is destroyed (the newest display shows it).
    explicit ProgressDisplay(QWidget* window);
    ~ProgressDisplay() override;

    // Milliseconds on a steady clock; tests replace it.
    std::function<qint64()> clock;

    bool busy() const { return busy_; }
    // True while long work runs: the repaints it allows also run timers, and those must
    // not re-read datasets or show notices in the middle of a store.
    static bool working();
    // The progress window while it is shown, else null.
    QProgressDialog* dialog() const;

private:
    void report(ProgressPhase phase, const QString& what, int done, int total);
    void finish();

    QPointer<QWidget> window_;
    QElapsedTimer timer_;
    int depth_ = 0;
    qint64 start_ = 0;
    qint64 lastPaint_ = 0;
    bool busy_ = false;
    QPointer<QProgressDialog> dialog_;
};

}  // namespace ferolind::ui
