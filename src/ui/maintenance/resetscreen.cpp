#include "resetscreen.h"

#include "common/keyboard.h"
#include "common/look.h"
#include "common/messages.h"
#include "data/paths.h"
#include "maintenance/backup.h"
#include "maintenance/questions.h"
#include "session/session.h"
#include "ui_resetscreen.h"

#include <QCoreApplication>

using namespace ferolind;
using namespace ferolind::ui;

TZuruecksetzenF::TZuruecksetzenF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TZuruecksetzenF>()), session_(session) {
    ui_->setupUi(this);
    ui::makeDefaultButton(ui_->BSchliessen);  // Enter cancels: the reset is never one key away
    applyScreenLook(this);
    endProgram = [] { QCoreApplication::quit(); };
    connect(ui_->BNeu, &QPushButton::clicked, this, &TZuruecksetzenF::reset);
    connect(ui_->BSchliessen, &QPushButton::clicked, this, &QDialog::reject);
}

TZuruecksetzenF::~TZuruecksetzenF() = default;

void TZuruecksetzenF::reset() {
    if (askDelete(this, kResetQuestion) != Answer::Yes) return;  // "Nein" is the default
    QStringList kept;
    if (!guarded(this, [&] { kept = resetProgram(session_.data(), applicationDataFolder()); })) return;
    if (!kept.isEmpty())
        inform(this, QStringLiteral("Die Daten sind gelöscht, diese Dateien aber nicht:\n%1").arg(kept.join('\n')));
    closeAfterReset(session_.data());
    accept();
    if (endProgram) endProgram();
}
