#include "data/dbcreate.h"
#include "common/messages.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/postalcodes.h"
#include "data/settings.h"
#include "session/session.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace ferolind;
using ferolind::ui::Kind;
namespace controls = ferolind::ui::dbcreate::controls;

namespace {

struct Message {
    Kind kind;
    QString text;
};

// A start without a database: the data module and session as the program has them
// before the screen is shown, and every message box recorded instead of shown.
class DbCreateScreen : public ::testing::Test {
protected:
    void SetUp() override {
        test::clearUserSettings();
        ASSERT_TRUE(tmp.isValid());
        ui::setMessageHandler([this](Kind kind, const QString& text, ui::Buttons) {
            messages.push_back({kind, text});
            return ui::Answer::Ok;
        });
        screen.chooseFolder = [this](const QString& start) {
            chooserStarts << start;
            return nextChoice;
        };
    }
    void TearDown() override { ui::setMessageHandler({}); }

    QLineEdit* edit(const char* name) { return screen.findChild<QLineEdit*>(name); }
    void click(const char* name) {
        QWidget* w = screen.findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        QTest::mouseClick(w, Qt::LeftButton);
    }
    // Puts folder into a field through its folder chooser, as the user does.
    void choose(const char* chooserName, const QString& folder) {
        nextChoice = folder;
        click(chooserName);
    }
    bool allDatabaseDatasetsOpen() {
        return data.members().isOpen() && data.bookings().isOpen() && data.feePayments().isOpen() &&
               data.settingsEntries().isOpen() && data.feeClasses().isOpen();
    }
    static QByteArray bytesOf(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir tmp;
    DataModule data;
    Session session{data};
    TDBErstellenF screen{session, nullptr};
    QSignalSpy finished{&screen, &QDialog::finished};
    std::vector<Message> messages;
    QStringList chooserStarts;
    QString nextChoice;
};

TEST_F(DbCreateScreen, FirstStartCreatesTheDatabaseInTheDocumentsFolder) {
    const QString docs = personalDocumentsFolder();
    // A fresh account may not have its documents folder yet; the sandbox is one.
    ASSERT_TRUE(QDir().mkpath(docs));
    QFile::remove(databaseFile(docs));

    screen.prepareShow();
    EXPECT_EQ(edit(controls::kCreateFolder)->text(), QDir::toNativeSeparators(docs));
    EXPECT_EQ(edit(controls::kOpenFolder)->text(), QDir::toNativeSeparators(docs));
    EXPECT_TRUE(edit(controls::kCreateFolder)->isReadOnly());

    click(controls::kCreate);
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front().text.toStdString());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.front().front().toInt(), QDialog::Accepted);
    EXPECT_TRUE(QFile::exists(databaseFile(docs)));
    EXPECT_TRUE(allDatabaseDatasetsOpen());
    EXPECT_EQ(RegistryGetString("DBPfad"), QDir::cleanPath(docs));
    // Member entry still finds the towns of a postal code.
    EXPECT_TRUE(townsForPostalCode(data.postalCodes(), "01067").contains("Dresden"));

    QFile::remove(databaseFile(docs));
}

TEST_F(DbCreateScreen, RememberedFolderIsShownAndChoosersReplaceTheirOwnField) {
    RegistrySetString("DBPfad", tmp.path());
    screen.prepareShow();
    EXPECT_EQ(edit(controls::kCreateFolder)->text(), QDir::toNativeSeparators(tmp.path()));
    EXPECT_EQ(edit(controls::kOpenFolder)->text(), QDir::toNativeSeparators(tmp.path()));

    const QString other = tmp.filePath("anders");
    choose(controls::kChooseCreateFolder, other);
    EXPECT_EQ(chooserStarts.value(0), tmp.path());
    EXPECT_EQ(edit(controls::kCreateFolder)->text(), QDir::toNativeSeparators(other));
    EXPECT_EQ(edit(controls::kOpenFolder)->text(), QDir::toNativeSeparators(tmp.path()));

    choose(controls::kChooseOpenFolder, other);
    EXPECT_EQ(edit(controls::kOpenFolder)->text(), QDir::toNativeSeparators(other));

    // A cancelled chooser keeps the field.
    choose(controls::kChooseOpenFolder, QString());
    EXPECT_EQ(chooserStarts.value(2), other);
    EXPECT_EQ(edit(controls::kOpenFolder)->text(), QDir::toNativeSeparators(other));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(finished.isEmpty());
}

TEST_F(DbCreateScreen, RefusedCreationShowsTheErrorAndChangesNothing) {
    struct Case {
        const char* name;
        bool existingDatabase;
        const char* subfolder;
    };
    const Case cases[] = {
        {"database already there", true, ""},
        {"folder missing", false, "fehlt"},
    };
    const QString previous = QStringLiteral("/vorher/db");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).filePath(QString::fromLatin1(c.subfolder));
        QByteArray before;
        if (c.existingDatabase) {
            createDatabase(folder);
            before = bytesOf(databaseFile(folder));
            ASSERT_FALSE(before.isEmpty());
        }
        RegistrySetString("DBPfad", previous);
        messages.clear();
        screen.prepareShow();
        choose(controls::kChooseCreateFolder, folder);

        click(controls::kCreate);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].kind, Kind::Error);
        EXPECT_FALSE(messages[0].text.isEmpty());
        EXPECT_TRUE(finished.isEmpty()) << "the screen stays open";
        EXPECT_EQ(RegistryGetString("DBPfad"), previous);
        EXPECT_FALSE(data.members().isOpen());
        if (c.existingDatabase)
            EXPECT_EQ(bytesOf(databaseFile(folder)), before) << "the existing file is not touched";
        else
            EXPECT_FALSE(QFile::exists(databaseFile(folder)));
    }
}

TEST_F(DbCreateScreen, OpeningAFolderWithoutDatabaseSaysSoAndStaysOpen) {
    screen.prepareShow();
    choose(controls::kChooseOpenFolder, tmp.path());

    click(controls::kOpen);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Kind::Information);
    EXPECT_TRUE(messages[0].text.startsWith("Die Datenbankdatei wurde im Verzeichnis "));
    EXPECT_TRUE(messages[0].text.contains(QDir::toNativeSeparators(tmp.path()))) << messages[0].text.toStdString();
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_FALSE(data.members().isOpen());
    EXPECT_TRUE(RegistryGetString("DBPfad").isEmpty());
}

TEST_F(DbCreateScreen, ADamagedOrIncompleteDatabaseIsReportedAsSuchNotAsMissing) {
    const struct {
        const char* what;
        std::function<void(const QString& folder)> make;
        const char* says;
    } cases[] = {
        {"damaged",
         [](const QString& folder) {
             QFile f(databaseFile(folder));
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray(4096, 'x'));
         },
         "beschädigt"},
        {"without bookings",
         [](const QString& folder) {
             createDatabase(folder);
             QSqlDatabase db = openConnection(folder, "probe");
             QSqlQuery(db).exec("DROP TABLE buchung");
             closeConnection(db);
         },
         "Die Datenbank ist unvollständig: die Tabelle »Buchung« fehlt."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        c.make(folder.path());
        messages.clear();
        screen.prepareShow();
        choose(controls::kChooseOpenFolder, folder.path());
        click(controls::kOpen);
        ASSERT_EQ(messages.size(), 1u);
        const QString& text = messages[0].text;
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.says))) << text.toStdString();
        EXPECT_FALSE(text.contains("nicht gefunden")) << text.toStdString();
        for (const char* english : {"no such", "Unable", "file is not", "ClientDataSet"})
            EXPECT_FALSE(text.contains(english, Qt::CaseInsensitive)) << text.toStdString();
        EXPECT_TRUE(finished.isEmpty());
        EXPECT_TRUE(RegistryGetString("DBPfad").isEmpty());
        EXPECT_FALSE(data.members().isOpen());  // nothing half opened
    }
}

TEST_F(DbCreateScreen, OpeningAnExistingDatabaseOpensEverythingWithItsLastNumbers) {
    createDatabase(tmp.path());
    {
        // Another workstation has worked on it already.
        DataModule other;
        other.openFolder(tmp.path());
        other.settings().DbSettingSetInt("LastMitgliedsID", 7);
        other.settings().DbSettingSetInt("LastBuchungsID", 3);
    }
    screen.prepareShow();
    choose(controls::kChooseOpenFolder, tmp.path());

    click(controls::kOpen);
    EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages.front().text.toStdString());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.front().front().toInt(), QDialog::Accepted);
    EXPECT_TRUE(allDatabaseDatasetsOpen());
    EXPECT_EQ(RegistryGetString("DBPfad"), QDir::cleanPath(tmp.path()));
    // Numbers continue where that database stands, not at the defaults of a start without one.
    EXPECT_EQ(data.lastMemberNumber, 7);
    EXPECT_EQ(data.lastBookingNumber, 3);
    EXPECT_TRUE(townsForPostalCode(data.postalCodes(), "01067").contains("Dresden"));
}

TEST_F(DbCreateScreen, NetworkHelpAndClosing) {
    screen.prepareShow();
    click(controls::kNetworkHelp);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Kind::Information);
    EXPECT_EQ(messages[0].text,
              "Bitte wählen Sie ein (Netzwerk-)Verzeichnis aus, für das Sie Schreibrechte haben.\n"
              "Das Programm kann ansonsten die Datenbank nicht speichern.\n\n"
              "Sollten Sie eine Fehlermeldung erhalten, starten Sie das Programm bitte erneut und "
              "wählen ein gültiges Verzeichnis aus.");
    EXPECT_TRUE(finished.isEmpty());

    click(controls::kClose);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.front().front().toInt(), QDialog::Rejected);
    EXPECT_FALSE(data.members().isOpen());
    EXPECT_TRUE(RegistryGetString("DBPfad").isEmpty());
}

}  // namespace
