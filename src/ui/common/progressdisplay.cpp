#include "progressdisplay.h"

#include <QApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QWidget>
#include <utility>

namespace ferolind::ui {

namespace {
int& activeWork() {
    static int n = 0;
    return n;
}

// The displays alive, newest last: the newest shows the work. The sink that was there
// before the first comes back when the last goes, in whatever order they go.
QList<ProgressDisplay*>& displays() {
    static QList<ProgressDisplay*> list;
    return list;
}
ProgressSink& sinkBefore() {
    static ProgressSink s;
    return s;
}
}  // namespace

bool ProgressDisplay::working() { return activeWork() > 0; }

ProgressDisplay::ProgressDisplay(QWidget* window) : QObject(window), window_(window) {
    timer_.start();
    clock = [this] { return timer_.elapsed(); };
    if (displays().isEmpty())
        sinkBefore() = setProgressSink([](ProgressPhase phase, const QString& what, int done, int total) {
            if (!displays().isEmpty()) displays().last()->report(phase, what, done, total);
        });
    displays().append(this);
}

ProgressDisplay::~ProgressDisplay() {
    finish();
    displays().removeAll(this);
    if (displays().isEmpty()) setProgressSink(std::exchange(sinkBefore(), {}));
}

QProgressDialog* ProgressDisplay::dialog() const { return dialog_.data(); }

void ProgressDisplay::report(ProgressPhase phase, const QString& what, int done, int total) {
    if (phase == ProgressPhase::Start) {
        if (depth_++ == 0) {
            start_ = lastPaint_ = clock();
            ++activeWork();
        }
        return;
    }
    if (phase == ProgressPhase::End) {
        if (depth_ == 1)
            finish();
        else if (depth_ > 1)
            --depth_;
        return;
    }
    if (depth_ == 0) return;
    const qint64 now = clock();
    const qint64 elapsed = now - start_;
    if (!busy_ && elapsed >= kBusyAfterMs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
    }
    if (elapsed >= kProgressAfterMs) {
        if (!dialog_) {
            dialog_ = new QProgressDialog(window_);
            dialog_->setObjectName(QStringLiteral("ProgressDialog"));
            auto* label = new QLabel(dialog_);  // long class names wrap instead of being cut
            label->setWordWrap(true);
            label->setMinimumWidth(420);
            dialog_->setLabel(label);
            dialog_->setWindowTitle(QApplication::applicationName());
            dialog_->setCancelButton(nullptr);  // the work is one transaction: all or nothing
            dialog_->setWindowModality(Qt::ApplicationModal);
            dialog_->setMinimumDuration(0);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
            dialog_->show();
        }
        dialog_->setMaximum(qMax(total, 1));
        dialog_->setValue(qBound(0, done, qMax(total, 1)));
        dialog_->setLabelText(QStringLiteral("%1 …\n%2 von %3").arg(what).arg(done).arg(total));
    }
    // Repaint now and then, so that the window does not look frozen; no input meanwhile.
    if (busy_ && now - lastPaint_ >= 50) {
        lastPaint_ = now;
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void ProgressDisplay::finish() {
    if (depth_ > 0) --activeWork();
    depth_ = 0;
    if (dialog_) {
        dialog_->close();
        dialog_->deleteLater();
        dialog_ = nullptr;
    }
    if (busy_) {
        QApplication::restoreOverrideCursor();
        busy_ = false;
    }
}

}  // namespace ferolind::ui
