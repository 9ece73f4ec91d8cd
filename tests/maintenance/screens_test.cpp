// The screens "Datenbank sichern" and "Ferolind zurücksetzen" offscreen on a real club
// file: backup into a folder chosen without separator, restore answered no and yes (with the
// settings question), reset answered no and yes; the main window opens both.
#include "club.h"
#include "data/paths.h"
#include "mainform.h"
#include "maintenance/backup.h"
#include "maintenance/backupscreen.h"
#include "maintenance/questions.h"
#include "maintenance/resetscreen.h"
#include "messagescript.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace ferolind;
namespace bc = ferolind::ui::backupscreen::controls;
namespace rc = ferolind::ui::resetscreen::controls;

namespace {

template <class W = QPushButton>
W* control(QWidget& screen, const char* name) {
    W* w = screen.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

struct Screens : ::testing::Test {
    test::Club club;
    test::MessageScript messages{ui::Answer::No};
    QTemporaryDir set;
    void SetUp() override {
        club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
        club.addMember({{"Vorname", "Max"}, {"Nachname", "Kurz"}});
    }
    QStringList names() {
        QStringList n;
        for (int i = 0; i < club.members().totalCount(); ++i) n << club.members().recordAt(i)[club.members().field("Nachname")].toString();
        return n;
    }
};

}  // namespace

TEST_F(Screens, BackupWritesTheSetIntoTheChosenFolderAndCloses) {
    TDatenSichernF screen(*club.session);
    screen.chooseFolder = [this](const QString&) { return set.path(); };  // no separator at its end
    screen.show();
    EXPECT_EQ(screen.windowTitle(), "Datenbank sichern");
    EXPECT_EQ(control<QLabel>(screen, "Label1")->text(), "Datenbank sichern in folgendes Verzeichnis");
    EXPECT_EQ(control<QLabel>(screen, "Label2")->text(), "Datenbank aus folgendem Verzeichnis zurücklesen:");
    EXPECT_EQ(control(screen, bc::kBackup)->text(), "Sichern");
    EXPECT_EQ(control(screen, bc::kRestore)->text(), "Zurücklesen");
    EXPECT_EQ(control(screen, bc::kClose)->text(), "Schließen");
    EXPECT_TRUE(control<QLineEdit>(screen, bc::kBackupFolder)->isReadOnly());

    click(control<QToolButton>(screen, bc::kChooseBackupFolder));
    EXPECT_EQ(control<QLineEdit>(screen, bc::kBackupFolder)->text(), QDir::toNativeSeparators(set.path()));
    QSignalSpy finished(&screen, &QDialog::finished);
    click(control(screen, bc::kBackup));
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('\n').toStdString();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), QDialog::Accepted);
    EXPECT_EQ(control<QLineEdit>(screen, bc::kBackupFolder)->text(),
              QDir::toNativeSeparators(set.path()) + QDir::separator());
    for (const QString& name : backupTableFiles() + QStringList{kBackupSettingsFile})
        EXPECT_TRUE(QFile::exists(QDir(set.path()).filePath(name))) << name.toStdString();
}

TEST_F(Screens, RestoreAnsweredNoChangesNothingAndStaysOpen) {
    writeBackup(*club.data, set.path());
    club.addMember({{"Nachname", "Danach"}});
    TDatenSichernF screen(*club.session);
    screen.chooseFolder = [this](const QString&) { return set.path(); };
    screen.show();
    click(control<QToolButton>(screen, bc::kChooseRestoreFolder));
    click(control(screen, bc::kRestore));
    EXPECT_EQ(messages.texts, QStringList{kRestoreQuestion});
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(names(), (QStringList{"Berg", "Kurz", "Danach"}));
}

TEST_F(Screens, RestoreAnsweredYesReplacesTheTablesAndAsksBeforeTheSettings) {
    RegistrySetInt("Width", 1111);
    writeBackup(*club.data, set.path());
    club.addMember({{"Nachname", "Danach"}});
    RegistrySetInt("Width", 2222);
    for (ui::Answer settingsAnswer : {ui::Answer::No, ui::Answer::Yes}) {
        SCOPED_TRACE(settingsAnswer == ui::Answer::Yes ? "Einstellungen übernehmen" : "Einstellungen nicht übernehmen");
        messages.texts.clear();
        messages.answers = {ui::Answer::Yes, settingsAnswer};
        TDatenSichernF screen(*club.session);
        screen.chooseFolder = [this](const QString&) { return set.path(); };
        screen.show();
        click(control<QToolButton>(screen, bc::kChooseRestoreFolder));
        QSignalSpy finished(&screen, &QDialog::finished);
        click(control(screen, bc::kRestore));
        ASSERT_EQ(messages.texts.size(), 3) << messages.texts.join('\n').toStdString();
        EXPECT_EQ(messages.texts[0], kRestoreQuestion);
        // What the restore did: the set checked, the last numbers, the balances.
        EXPECT_TRUE(messages.texts[1].contains("wurde geprüft") && messages.texts[1].contains("Mitgliedsnummer ist jetzt 3") &&
                    messages.texts[1].contains("Kontostände"))
            << messages.texts[1].toStdString();
        // The settings named as the user knows them, not as registry entries.
        EXPECT_TRUE(messages.texts[2].contains("Größe und Lage des Programmfensters")) << messages.texts[2].toStdString();
        EXPECT_FALSE(messages.texts[2].contains("Width")) << messages.texts[2].toStdString();
        EXPECT_EQ(club.data->settings().DbSettingGetInt("LastMitgliedsID"), 3);
        EXPECT_EQ(names(), (QStringList{"Berg", "Kurz"}));
        EXPECT_EQ(RegistryGetInt("Width"), settingsAnswer == ui::Answer::Yes ? 1111 : 2222);
        EXPECT_EQ(finished.size(), 1);
    }
}

TEST_F(Screens, RestoreFromAFolderWithoutTheSetSaysSoAndStaysOpen) {
    TDatenSichernF screen(*club.session);
    screen.chooseFolder = [this](const QString&) { return set.path(); };
    screen.show();
    click(control<QToolButton>(screen, bc::kChooseRestoreFolder));
    messages.answers = {ui::Answer::Yes};
    click(control(screen, bc::kRestore));
    ASSERT_EQ(messages.texts.size(), 2);
    EXPECT_TRUE(messages.texts[1].contains("mitglieder18.xml")) << messages.texts[1].toStdString();
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(names(), (QStringList{"Berg", "Kurz"}));
}

TEST_F(Screens, ResetAnsweredNoKeepsEverythingAndTheScreenOpen) {
    club.data->settings().DbSettingSet("kategorienplus", "Spenden\r\n");
    const QString appData = applicationDataFolder();
    writeBackup(*club.data, appData);
    TZuruecksetzenF screen(*club.session);
    int ended = 0;
    screen.endProgram = [&ended] { ++ended; };
    screen.show();
    EXPECT_EQ(screen.windowTitle(), "Ferolind zurücksetzen");
    EXPECT_EQ(control<QLabel>(screen, "Label2")->text(), "drücken Sie bitte auf \"Zurücksetzen\"");
    EXPECT_EQ(control(screen, rc::kReset)->text(), "Zurücksetzen");
    EXPECT_EQ(control(screen, rc::kCancel)->text(), "Abbrechen");

    click(control(screen, rc::kReset));
    EXPECT_EQ(messages.texts, QStringList{kResetQuestion});
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(names(), (QStringList{"Berg", "Kurz"}));
    EXPECT_EQ(club.data->settings().DbSettingGet("kategorienplus"), "Spenden\r\n");
    EXPECT_TRUE(QFile::exists(QDir(appData).filePath("mitglieder18.xml")));

    // Answered yes: all gone, the program ends without writing its last numbers back.
    messages.answers = {ui::Answer::Yes};
    click(control(screen, rc::kReset));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(QFile::exists(QDir(appData).filePath("mitglieder18.xml")));
    club.session->saveAtShutdown();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM blob"}).toInt(), 0);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM mitglieder"}).toInt(), 0);
}

TEST(MainFormMaintenance, BothEntriesOpenTheirScreensWhenADatabaseIsOpen) {
    test::Club club;
    TMainForm window(*club.session);
    QStringList shown;
    window.execScreen = [&shown](QDialog& d) {
        shown << d.metaObject()->className();
        return 0;
    };
    window.show();
    window.runStartUp();
    for (const char* name : {"ActSichern", "ActZuruecksetzen"}) {
        QAction* a = window.action(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_TRUE(a->isEnabled()) << name;
        a->trigger();
    }
    EXPECT_EQ(shown, (QStringList{"TDatenSichernF", "TZuruecksetzenF"}));
}
