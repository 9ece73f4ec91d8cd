#include "yearendscreen.h"

#include "booking/yearend.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/paths.h"
#include "session/session.h"
#include "ui_yearendscreen.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProgressDialog>
#include <QPushButton>

using namespace ferolind;
using namespace ferolind::ui;

TBuchungAbschlF::TBuchungAbschlF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TBuchungAbschlF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { closeYear(); });
    connect(ui_->Button2, &QPushButton::clicked, this, [this] { reject(); });
}

TBuchungAbschlF::~TBuchungAbschlF() = default;

// Events are let through once, before the closing starts: between writing the archive
// and deleting the bookings no re-read of the journal may slip in (a booking it brought
// in would be deleted without being archived), so the steps only repaint the progress.
void TBuchungAbschlF::closeYear() {
    QProgressDialog progress(QStringLiteral("Das Buchungsjahr wird abgeschlossen …"), QString(), 0, 3, this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::NonModal);  // a modal one would process events at each step
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setValue(0);
    progress.show();
    ui_->Button1->setEnabled(false);
    ui_->Button2->setEnabled(false);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const bool closed = guarded(this, [&] {
        // The progress goes away before an error is shown (also when the closing throws).
        struct Finish {
            TBuchungAbschlF* screen;
            QProgressDialog& progress;
            ~Finish() {
                progress.hide();
                screen->ui_->Button1->setEnabled(true);
                screen->ui_->Button2->setEnabled(true);
            }
        } finish{this, progress};
        closeBookingYear(session_.data(), applicationDataFolder(), QDateTime::currentDateTime(),
                         [&progress](int done, int) {
                             progress.setValue(done);
                             progress.repaint();
                         });
    });
    if (closed) accept();
}
