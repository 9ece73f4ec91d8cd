#include "dbcreate.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/paths.h"
#include "data/settings.h"
#include "session/session.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

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

TDBErstellenF::TDBErstellenF(Session& session, QWidget* parent) : QDialog(parent), session_(session) {
    setWindowTitle(QStringLiteral("Datenbank erstellen"));
    applyScreenLook(this);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 12, 12, 12);
    root->setSpacing(10);

    // One framed area per way in: heading, folder with chooser, action below right.
    auto makeArea = [this, root](const char* labelName, const QString& heading, const char* editName,
                                 const char* chooserName, const char* buttonName, const QString& action, QLabel*& label,
                                 QLineEdit*& edit, QToolButton*& chooser, QPushButton*& button) {
        auto* box = new QGroupBox(this);
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(8);

        label = new QLabel(heading, box);
        label->setObjectName(QString::fromLatin1(labelName));
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);

        edit = new QLineEdit(box);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        edit->setMinimumWidth(360);
        label->setBuddy(edit);

        chooser = new QToolButton(box);
        chooser->setObjectName(QString::fromLatin1(chooserName));
        chooser->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        chooser->setToolTip(QStringLiteral("Verzeichnis auswählen"));
        chooser->setFixedHeight(edit->sizeHint().height());

        button = new QPushButton(action, box);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->setMinimumWidth(100);

        grid->addWidget(label, 0, 0, 1, 2);
        grid->addWidget(edit, 1, 0);
        grid->addWidget(chooser, 1, 1);
        grid->addWidget(button, 2, 0, 1, 2, Qt::AlignRight);
        grid->setColumnStretch(0, 1);
        root->addWidget(box);
    };
    makeArea("Label1", QStringLiteral("Datenbank erstellen in folgendem Verzeichnis"), "Edit1", "SpeedButton1",
             "Button1", QStringLiteral("Erstellen"), label1_, edit1_, speedButton1_, button1_);
    makeArea("Label2", QStringLiteral("Datenbank öffnen im folgenden Verzeichnis"), "Edit2", "SpeedButton2", "Button2",
             QStringLiteral("Öffnen"), label2_, edit2_, speedButton2_, button2_);

    auto* bar = new QHBoxLayout;
    helpButton_ = new QPushButton(style()->standardIcon(QStyle::SP_MessageBoxInformation),
                                  QStringLiteral(" Hilfe für die Netzwerkinstallation"), this);
    helpButton_->setObjectName(QStringLiteral("SRColorButton1"));
    closeButton_ =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral(" Schließen"), this);
    closeButton_->setObjectName(QStringLiteral("BSchliessen"));
    closeButton_->setMinimumWidth(100);
    bar->addWidget(helpButton_);
    bar->addStretch(1);
    bar->addWidget(closeButton_);
    root->addLayout(bar);

    // Enter in a folder field must not start an action the user did not choose.
    for (QPushButton* b : {button1_, button2_, helpButton_, closeButton_}) b->setAutoDefault(false);

    chooseFolder = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Verzeichnis auswählen"), start);
    };

    connect(speedButton1_, &QToolButton::clicked, this, [this] { pickFolder(edit1_); });
    connect(speedButton2_, &QToolButton::clicked, this, [this] { pickFolder(edit2_); });
    connect(button1_, &QPushButton::clicked, this, &TDBErstellenF::create);
    connect(button2_, &QPushButton::clicked, this, &TDBErstellenF::openDatabase);
    connect(helpButton_, &QPushButton::clicked, this, &TDBErstellenF::showNetworkHelp);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);

    root->setSizeConstraint(QLayout::SetFixedSize);
}

void TDBErstellenF::prepareShow() {
    QString folder = RegistryGetString(QStringLiteral("DBPfad"));
    if (folder.isEmpty()) folder = personalDocumentsFolder();
    edit1_->setText(QDir::toNativeSeparators(folder));
    edit2_->setText(QDir::toNativeSeparators(folder));
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
        session_.data().createIn(folderOf(edit1_));
        session_.loadAfterOpen();
    });
    if (created) accept();
}

void TDBErstellenF::openDatabase() {
    try {
        session_.data().openExisting(folderOf(edit2_));
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
