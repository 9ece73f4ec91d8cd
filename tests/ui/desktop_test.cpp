// What makes Ferolind a native German desktop program: Qt's own texts in German, and
// every delete question answered "Nein" by Enter, on the real message box.
#include "mainform.h"
#include "club.h"
#include "messagescript.h"
#include "common/datasetgrid.h"
#include "common/messages.h"
#include "common/translations.h"
#include "exchange/importscreens.h"
#include "maintenance/backup.h"
#include "maintenance/backupscreen.h"
#include "maintenance/questions.h"
#include "maintenance/resetscreen.h"
#include "members/feeclasses.h"
#include "members/memberentry.h"
#include "session/settingwords.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>

using namespace ferolind;

namespace {

// Qt's German texts for the time of one test.
struct GermanQt {
    QTranslator* translator = ui::loadGermanQtTranslations(*qApp);
    ~GermanQt() {
        if (!translator) return;
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
};

QString withoutMnemonic(QString s) { return s.remove('&'); }

TEST(Desktop, QtsOwnTextsAreGerman) {
    GermanQt german;
    ASSERT_NE(german.translator, nullptr) << "qt6-translations-l10n is not installed";
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(withoutMnemonic(buttons.button(QDialogButtonBox::Cancel)->text()), "Abbrechen");

    // The folder chooser of the creation screen, as Qt draws it itself.
    QFileDialog chooser(nullptr, QString(), QDir::tempPath());
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    QStringList texts;
    for (QLabel* l : chooser.findChildren<QLabel*>()) texts << withoutMnemonic(l->text());
    for (QPushButton* b : chooser.findChildren<QPushButton*>()) texts << withoutMnemonic(b->text());
    for (const char* english : {"Look in:", "Directory:", "Choose", "Cancel"})
        EXPECT_FALSE(texts.contains(english)) << english << " in " << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains("Abbrechen")) << texts.join('|').toStdString();

    // The context menu of every text field.
    QLineEdit edit("Text");
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList entries;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) entries << withoutMnemonic(a->text()).section('\t', 0, 0);
    for (const char* english : {"Undo", "Redo", "Cut", "Copy", "Paste", "Delete", "Select All"})
        EXPECT_FALSE(entries.contains(english)) << english << " in " << entries.join('|').toStdString();
    EXPECT_TRUE(entries.contains("Kopieren")) << entries.join('|').toStdString();
}

// Presses Enter on the next message box and reports its text and default button; any
// box that follows (an error after a wrong "Ja") is closed as well.
struct EnterOnNextBox {
    QString text, defaultButton;
    QTimer timer;
    EnterOnNextBox() {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (text.isEmpty()) {
                text = box->text();
                if (box->defaultButton()) defaultButton = box->defaultButton()->text();
            }
            QTest::keyClick(box, Qt::Key_Return);
        });
        timer.start();
    }
};

TEST(Desktop, EnterOnADeleteQuestionAnswersNein) {
    test::Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    Dataset& classes = club.data->feeClasses();
    classes.insert();
    classes.setText("Name", "Jugend");
    classes.post();
    ui::setMessageHandler({});  // the real message boxes

    TMainForm window(*club.session);
    TDatenEingebenF& entry = *window.memberEntry();
    TBeitragsklassenF& fees = *window.feeClassScreen();
    entry.prepareShow();
    fees.prepareShow();
    const struct {
        const char* where;
        std::function<void()> ask;
        const char* question;
    } cases[] = {
        {"main window", [&] { window.action("PopMitgliedLoeschen")->trigger(); }, "Mitglied Anna Berg wirklich löschen?"},
        {"member entry", [&] { entry.findChild<QPushButton*>(ui::memberentry::controls::kDelete)->click(); },
         "Mitglied Anna Berg wirklich löschen?"},
        {"fee classes", [&] { fees.findChild<QPushButton*>(ui::feeclasses::controls::kDelete)->click(); },
         "Möchten Sie diese Beitragsklasse wirklich löschen?"},
        // Questions that overwrite or delete the whole club.
        {"restore", [&] { window.backupScreen()->findChild<QPushButton*>(ui::backupscreen::controls::kRestore)->click(); },
         nullptr},
        {"reset", [&] { window.resetScreen()->findChild<QPushButton*>(ui::resetscreen::controls::kReset)->click(); },
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        EnterOnNextBox enter;
        c.ask();
        if (c.question) EXPECT_EQ(enter.text, QString::fromUtf8(c.question));
        else EXPECT_TRUE(enter.text == kRestoreQuestion || enter.text == kResetQuestion) << enter.text.toStdString();
        EXPECT_EQ(withoutMnemonic(enter.defaultButton), "Nein");
    }
    EXPECT_EQ(club.members().recordCount(), 1);
    EXPECT_EQ(classes.recordCount(), 1);
    EXPECT_TRUE(club.members().isOpen());  // not reset
}

}  // namespace

namespace {

// After a restore the question about the backup's personal settings names them in words.
TEST(Desktop, TheRestoreAsksAboutThePersonalSettingsInWords) {
    test::Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    RegistrySetInt("BreiteMainID", 40);
    RegistrySetInt("BreiteMainPLZ", 70);
    RegistrySetString("Sort", "Nachname");
    RegistrySetInt("Width", 900);
    QTemporaryDir backup;
    writeBackup(*club.data, backup.path());
    test::MessageScript msgs(ui::Answer::No);
    msgs.answers = {ui::Answer::Yes};  // restore, then keep today's settings
    TMainForm window(*club.session);
    TDatenSichernF& screen = *window.backupScreen();
    screen.findChild<QLineEdit*>(ui::backupscreen::controls::kRestoreFolder)->setText(backup.path());
    screen.findChild<QPushButton*>(ui::backupscreen::controls::kRestore)->click();
    // The question, what the restore did, the question about the settings.
    ASSERT_EQ(msgs.texts.size(), 3) << msgs.texts.join('|').toStdString();
    const QString question = msgs.texts[2];
    for (const char* words : {"• Spaltenbreiten der Listen", "• Sortierung der Mitgliederliste",
                              "• Größe und Lage des Programmfensters"})
        EXPECT_TRUE(question.contains(QString::fromUtf8(words))) << words << "\n" << question.toStdString();
    EXPECT_FALSE(question.contains("BreiteMain")) << question.toStdString();
    EXPECT_EQ(question.count(QString::fromUtf8("Spaltenbreiten")), 1);
    EXPECT_EQ(club.members().recordCount(), 1);
}

TEST(Desktop, SettingsInWordsNameEachKindOnceInAFixedOrder) {
    const struct {
        SettingsValues values;
        QStringList words;
    } cases[] = {
        {{}, {}},
        {{{"Sort", "ID"}, {"BreiteMainID", 31}, {"BreiteMainBPLZ", 40}, {"Height", 600}},
         {"Größe und Lage des Programmfensters", "Spaltenbreiten der Listen", "Sortierung der Mitgliederliste"}},
        {{{"DBPfad", "/x"}, {"Unbekannt", 1}}, {"Ordner der Datenbank", "Eine weitere Einstellung"}},
        {{{"A", 1}, {"Sub/B", 2}, {"Sub/Breite1", 3}}, {"Spaltenbreiten der Listen", "2 weitere Einstellungen"}},
    };
    for (const auto& c : cases) EXPECT_EQ(settingsInWords(c.values), c.words);
}

}  // namespace

namespace {

TEST(Desktop, TheImportAssistantDoesNotGoOnWithoutASource) {
    test::Club club;
    test::MessageScript msgs;
    TMainForm window(*club.session);
    auto* wizard = window.findChild<TWizzardF*>();
    ASSERT_TRUE(wizard);
    wizard->show();
    auto* pages = wizard->findChild<QStackedWidget*>("PageControl");
    ASSERT_TRUE(pages);
    QWidget* first = pages->currentWidget();
    wizard->findChild<QPushButton*>("SRColorButton4")->click();  // "Weiter"
    EXPECT_EQ(pages->currentWidget(), first);
    EXPECT_EQ(msgs.texts, QStringList{"Bitte zuerst eine Quelldatei mit Daten wählen."});
    wizard->hide();
}

}  // namespace

namespace {

// A message from a screen that is not shown (or from none) leaves the keyboard on the
// window in front, on the control it had.
TEST(Desktop, AfterAMessageTheKeyboardIsBackOnTheWindow) {
    test::Club club;
    ui::setMessageHandler({});
    TMainForm window(*club.session);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QWidget* grid = window.memberGrid();
    grid->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), grid);
    QDialog hidden(&window);  // a screen that is not on the screen
    for (QWidget* parent : {static_cast<QWidget*>(&hidden), static_cast<QWidget*>(nullptr)}) {
        EnterOnNextBox enter;
        ui::inform(parent, "Hinweis");
        QApplication::processEvents();
        EXPECT_EQ(enter.text, "Hinweis");
        EXPECT_EQ(QApplication::activeWindow(), &window);
        EXPECT_EQ(QApplication::focusWidget(), grid);
    }
}

}  // namespace
