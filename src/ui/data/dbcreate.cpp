#include "dbcreate.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/paths.h"
#include "data/settings.h"
#include "session/session.h"
#include "ui_dbcreate.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace ferolind;
using namespace ferolind::ui;

namespace {

const QString kNetworkHelp = QStringLiteral(
    "Bitte wählen Sie ein (Netzwerk-)Verzeichnis aus, für das Sie Schreibrechte haben.\n"
    "Das Programm kann ansonsten die Datenbank nicht speichern.\n\n"
    "Sollten Sie eine Fehlermeldung erhalten, starten Sie das Programm bitte erneut und "
    "wählen ein gültiges Verzeichnis aus.");

QString folderOf(const QLineEdit* field) { return QDir::fromNativeSeparators(field->text()); }

}  // namespace

TDBErstellenF::TDBErstellenF(Session& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TDBErstellenF>()), session_(session) {
    ui_->setupUi(this);
    applyScreenLook(this);
    // The style's own symbols, which a layout file cannot name.
    for (QToolButton* chooser : {ui_->SpeedButton1, ui_->SpeedButton2})
        chooser->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    ui_->SRColorButton1->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    ui_->BSchliessen->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    chooseFolder = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Verzeichnis auswählen"), start);
    };

    connect(ui_->SpeedButton1, &QToolButton::clicked, this, [this] { pickFolder(ui_->Edit1); });
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, [this] { pickFolder(ui_->Edit2); });
    connect(ui_->Button1, &QPushButton::clicked, this, &TDBErstellenF::create);
    connect(ui_->Button2, &QPushButton::clicked, this, &TDBErstellenF::openDatabase);
    connect(ui_->SRColorButton1, &QPushButton::clicked, this, &TDBErstellenF::showNetworkHelp);
    connect(ui_->BSchliessen, &QPushButton::clicked, this, &QDialog::reject);
}

TDBErstellenF::~TDBErstellenF() = default;

void TDBErstellenF::prepareShow() {
    QString folder = RegistryGetString(QStringLiteral("DBPfad"));
    if (folder.isEmpty()) folder = personalDocumentsFolder();
    ui_->Edit1->setText(QDir::toNativeSeparators(folder));
    ui_->Edit2->setText(QDir::toNativeSeparators(folder));
}

int TDBErstellenF::exec() {
    prepareShow();
    return QDialog::exec();
}

void TDBErstellenF::pickFolder(QLineEdit* field) {
    const QString chosen = chooseFolder ? chooseFolder(folderOf(field)) : QString();
    if (!chosen.isEmpty()) field->setText(QDir::toNativeSeparators(chosen));
}

void TDBErstellenF::create() {
    // A new database has its last numbers too (0); loading them keeps memory and file in step.
    const bool created = guarded(this, [this] {
        session_.data().createIn(folderOf(ui_->Edit1));
        session_.loadAfterOpen();
    });
    if (created) accept();
}

void TDBErstellenF::openDatabase() {
    try {
        session_.data().openExisting(folderOf(ui_->Edit2));
        // The last member and booking numbers of that database, not the defaults read at
        // start without one: otherwise numbers would be handed out twice and the stored
        // numbers overwritten with lower ones at shutdown.
        session_.loadAfterOpen();
    } catch (const DataError& e) {
        inform(this, e.message());
        return;
    }
    accept();
}

void TDBErstellenF::showNetworkHelp() { inform(this, kNetworkHelp); }
