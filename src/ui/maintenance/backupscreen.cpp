#include "backupscreen.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/paths.h"
#include "maintenance/backup.h"
#include "maintenance/questions.h"
#include "session/session.h"
#include "session/settingwords.h"
#include "ui_backupscreen.h"

#include <QDir>
#include <QFileDialog>
#include <QStyle>

using namespace ferolind;
using namespace ferolind::ui;

TDatenSichernF::TDatenSichernF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TDatenSichernF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    for (QToolButton* chooser : {ui_->SpeedButton1, ui_->SpeedButton2})
        chooser->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    // Both folders start at the user's documents, with the separator at the end.
    const QString start = QDir::toNativeSeparators(withTrailingSeparator(personalDocumentsFolder()));
    ui_->Edit1->setText(start);
    ui_->Edit2->setText(start);

    chooseFolder = [this](const QString& from) {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Verzeichnis auswählen"), from);
    };
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { pickFolder(ui_->Edit1); });
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, [this] { pickFolder(ui_->Edit2); });
    connect(ui_->Button1, &QPushButton::clicked, this, &TDatenSichernF::backup);
    connect(ui_->Button3, &QPushButton::clicked, this, &TDatenSichernF::restore);
    connect(ui_->BSchliessen, &QPushButton::clicked, this, &QDialog::reject);
}

TDatenSichernF::~TDatenSichernF() = default;

void TDatenSichernF::pickFolder(QLineEdit* field) {
    const QString chosen = chooseFolder ? chooseFolder(QDir::fromNativeSeparators(field->text())) : QString();
    if (!chosen.isEmpty()) field->setText(QDir::toNativeSeparators(chosen));
}

// The field's folder with the separator at its end, also in the field.
QString TDatenSichernF::folderIn(QLineEdit* field) {
    field->setText(QDir::toNativeSeparators(withTrailingSeparator(QDir::fromNativeSeparators(field->text()))));
    return QDir::fromNativeSeparators(field->text());
}

void TDatenSichernF::backup() {
    const QString folder = folderIn(ui_->Edit1);
    if (guarded(this, [&] { writeBackup(session_.data(), folder); })) accept();
}

void TDatenSichernF::restore() {
    const QString folder = folderIn(ui_->Edit2);
    if (askDelete(this, kRestoreQuestion) != Answer::Yes) return;  // "Nein" is the default
    RestoreResult result;
    if (!guarded(this, [&] { result = restoreTables(session_.data(), folder); })) return;
    inform(this, QStringLiteral("Die Datenbank wurde zurückgelesen.\n\n%1").arg(result.notes.join(u'\n')));
    // The settings of the set: shown, and applied only when the user says so.
    SettingsValues settings;
    if (guarded(this, [&] { settings = backupSettings(folder); }) && !settings.isEmpty()) {
        // Named as the user knows them, not as the entries behind them.
        const QString question =
            QStringLiteral("Die Sicherung enthält auch persönliche Einstellungen:\n\n• %1\n\n"
                           "Sollen diese Einstellungen die jetzigen ersetzen?")
                .arg(settingsInWords(settings).join(QStringLiteral("\n• ")));
        if (askDelete(this, question) == Answer::Yes) guarded(this, [&] { applyUserSettings(settings); });
    }
    accept();
}
