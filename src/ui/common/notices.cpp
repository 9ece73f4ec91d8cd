#include "notices.h"

#include "messages.h"
#include "progressdisplay.h"

#include <QTimer>
#include <QWidget>

namespace ferolind::ui {

NoticeQueue::NoticeQueue(QWidget* owner) : QObject(owner), owner_(owner) {}

void NoticeQueue::add(const QString& text) {
    if (holding()) return;
    if (!waiting_.contains(text)) waiting_ << text;
    if (scheduled_) return;
    scheduled_ = true;
    schedule();
}

void NoticeQueue::schedule() {
    QTimer::singleShot(0, this, [this] {
        // Long work repaints the window while it still holds the store: later.
        if (ProgressDisplay::working()) {
            QTimer::singleShot(50, this, [this] { schedule(); });
            return;
        }
        scheduled_ = false;
        showNow();
    });
}

void NoticeQueue::showNow() {
    // Taken first: a box runs an event loop, in which new notices may arrive.
    while (!waiting_.isEmpty()) inform(owner_, waiting_.takeFirst());
}

}  // namespace ferolind::ui
