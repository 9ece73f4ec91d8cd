// "Datenträgeraustausch" in the program: opened from the menu on the direct-debit
// members, a run that records the fee payments, a run refused for bad sender data, the
// bank code check on leaving the field, the sender fields kept club-wide, the cover
// sheet and the bank-data list in the preview.
#include "club.h"
#include "data/connection.h"
#include "data/paymentstore.h"
#include "fees/feepayments.h"
#include "mainform.h"
#include "messagescript.h"
#include "scriptedprogram.h"
#include "payments/dtausrun.h"
#include "payments/dtausscreen.h"
#include "printing/pagepreview.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace ferolind;
namespace c = ferolind::ui::dtausscreen::controls;

namespace {

using test::control;

// The program on a club of two direct-debit members and one without; each screen the
// window opens runs the step the test put in for it.
struct DtausProgram : ::testing::Test, test::ScriptedProgram {
    test::Club club;
    test::MessageScript script;
    QStringList previews;  // window titles of the previews shown, with their page counts
    const QString year = QString::number(QDate::currentDate().year());
    const QString month = QString::number(QDate::currentDate().month());
    QString target;

    void SetUp() override {
        Dataset& classes = club.data->feeClasses();
        classes.insert();
        classes.setText("Name", "Erwachsene");
        classes.setText("Beitrag", "60,00");
        ASSERT_TRUE(classes.post());
        club.addMember({{"ID", "1"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Betrag", "Erwachsene"},
                        {"Kontoinhaber", "Anna Berg"}, {"Bankleitzahl", "37040044"}, {"Kontonummer", "532013000"},
                        {"DTAUS", "Wahr"}});
        club.addMember({{"ID", "2"}, {"Vorname", "Bert"}, {"Nachname", "Cramer"}});
        club.addMember({{"ID", "3"}, {"Vorname", "Carl"}, {"Nachname", "Ötzel"}, {"Betrag", "Erwachsene"},
                        {"Kontoinhaber", "Carl Ötzel"}, {"Bankleitzahl", "50010517"}, {"Kontonummer", "5410041"},
                        {"DTAUS", "Wahr"}});
        club.data->settings().DbSettingSetInt(kPaymentPeriodEntry, 0);
        target = QDir(club.folder()).filePath("lastschrift.txt");

        startProgram();
        dtaus()->execPreview = [this](QDialog& d) {
            previews << d.windowTitle() + " " + QString::number(static_cast<PagePreviewScreen&>(d).pageCount());
            return 0;
        };
    }
    void TearDown() override { stopProgram(); }

    TdtausF* dtaus() { return window->dtausScreen(); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(dtaus(), name); }
    int paymentRows() { return test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag"}).toInt(); }
    void typeSender(const QString& holder, const QString& bankCode, const QString& account) {
        // Typed, but umlauts set (the test's key helper knows ASCII only).
        edit(c::kHolder)->setText(holder);
        for (auto [name, text] : {std::pair{c::kBankCode, bankCode}, {c::kAccount, account}}) {
            edit(name)->clear();
            QTest::keyClicks(edit(name), text);
        }
    }
};

TEST_F(DtausProgram, ARunFromTheMenuWritesTheFileAndRecordsTheFeePayments) {
    data->members().applyFilter("Nachname = 'C*'");  // replaced by the screen
    ASSERT_TRUE(window->action("ActDtaus")->isEnabled());
    steps["TdtausF"] = [&](QDialog& d) {
        auto& screen = static_cast<TdtausF&>(d);
        screen.prepareShow();
        EXPECT_EQ(d.windowTitle(), "Datenträgeraustausch");
        EXPECT_EQ(data->members().recordCount(), 2) << "the direct-debit members only";
        QComboBox* years = control<QComboBox>(&d, c::kYear);
        EXPECT_EQ(years->count(), 11);
        EXPECT_EQ(years->currentText(), year);
        EXPECT_EQ(control<QComboBox>(&d, c::kPeriod)->currentText(), month);
        EXPECT_EQ(control<QLabel>(&d, c::kPeriodLabel)->text(), "Monat");
        EXPECT_FALSE(control<QCheckBox>(&d, c::kRecord)->isChecked());
        EXPECT_EQ(control<QDateTimeEdit>(&d, c::kExecution)->date(), QDate::currentDate());

        typeSender("Förderverein Süd", "37050198", "1234567890");
        QTest::keyClicks(edit(c::kPurpose), "Mitgliedsbeitrag");
        screen.askTarget = [&](const QString&) { return target; };
        qobject_cast<QAbstractButton*>(control<QWidget>(&d, c::kChooseTarget))->click();
        EXPECT_EQ(edit(c::kTarget)->text(), target);
        control<QCheckBox>(&d, c::kRecord)->setChecked(true);
        control<QPushButton>(&d, c::kRun)->click();
        ASSERT_EQ(script.texts.size(), 1);
        EXPECT_TRUE(script.texts[0].startsWith("Die Datei „" + target + "“ wurde erstellt: 2 Lastschrift(en)"))
            << script.texts[0].toStdString();
        EXPECT_TRUE(script.texts[0].contains("Für 2 Mitglied(er) wurde der Beitrag gebucht."));

        // The cover sheet of this run, and the bank-data list of the members shown.
        control<QPushButton>(&d, c::kCoverSheet)->click();
        EXPECT_EQ(screen.writer().AnzahlBegleitzettel, 0u);
        control<QPushButton>(&d, c::kList)->click();
        EXPECT_EQ(previews, (QStringList{"Diskettenbegleitzettel 1", "Druckvorschau 100"}));
        d.reject();
    };
    window->action("ActDtaus")->trigger();
    EXPECT_EQ(shown, QStringList{"TdtausF"});

    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray file = f.readAll();
    EXPECT_EQ(file.size(), 128 + 2 * 256 + 128);
    EXPECT_EQ(file.mid(23, 18), "FOERDERVEREIN SUED");
    EXPECT_EQ(file.mid(128 + 256 + 93, 10), "CARL OETZE");
    EXPECT_EQ(paymentRows(), 2);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag WHERE Jahr = " + year + " AND Monat = " + month})
                  .toInt(),
              2);
    // Closing: the filter is off and the fields are kept club-wide.
    EXPECT_EQ(data->members().recordCount(), 3);
    EXPECT_FALSE(data->members().filtered());
    EXPECT_EQ(data->settings().DbSettingGet("Kontoinhaber"), "Förderverein Süd");
    EXPECT_EQ(data->settings().DbSettingGet("BLZ"), "37050198");
    EXPECT_EQ(data->settings().DbSettingGet("Kontonummer"), "1234567890");
    EXPECT_EQ(data->settings().DbSettingGet("Zieldatei"), target);
    EXPECT_EQ(data->settings().DbSettingGet("Verwendungszweck"), "Mitgliedsbeitrag");

    // Opened again: the fields come back from the settings.
    steps["TdtausF"] = [&](QDialog& d) {
        static_cast<TdtausF&>(d).prepareShow();
        EXPECT_EQ(edit(c::kHolder)->text(), "Förderverein Süd");
        EXPECT_EQ(edit(c::kTarget)->text(), target);
        d.reject();
    };
    window->action("ActDtaus")->trigger();
}

TEST_F(DtausProgram, BadSenderDataIsRefusedWithItsMessageAndNothingIsWritten) {
    steps["TdtausF"] = [&](QDialog& d) {
        auto& screen = static_cast<TdtausF&>(d);
        screen.prepareShow();
        // Before any run the cover sheet shows the writer's initial values.
        control<QPushButton>(&d, c::kCoverSheet)->click();
        EXPECT_EQ(previews, QStringList{"Diskettenbegleitzettel 1"});
        EXPECT_EQ(screen.writer().RecordCount(), 0);

        edit(c::kTarget)->setText(target);
        control<QCheckBox>(&d, c::kRecord)->setChecked(true);
        const struct {
            const char *holder, *bankCode, *account;
            QString message;
        } cases[] = {{"", "37050198", "1234567890", dtausrunmsg::SenderName},
                     {"Verein", "3705019", "1234567890", dtausrunmsg::SenderBankCode},
                     {"Verein", "37050198", "", dtausrunmsg::SenderAccount}};
        for (const auto& k : cases) {
            script.texts.clear();
            typeSender(k.holder, k.bankCode, k.account);
            control<QPushButton>(&d, c::kRun)->click();
            EXPECT_EQ(script.texts, QStringList{k.message});
        }
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(paymentRows(), 0);

        // Leaving the bank code field with a text that is not a whole number.
        script.texts.clear();
        edit(c::kBankCode)->setText("3705 0198");
        QTest::keyClick(edit(c::kBankCode), Qt::Key_Return);
        EXPECT_EQ(script.texts, QStringList{dtausrunmsg::BankCodeField});
        script.texts.clear();
        edit(c::kBankCode)->setText("");
        QTest::keyClick(edit(c::kBankCode), Qt::Key_Return);
        EXPECT_TRUE(script.texts.isEmpty());
        d.reject();
    };
    window->action("ActDtaus")->trigger();
    EXPECT_EQ(shown, QStringList{"TdtausF"});
}

// A run that a crash interrupted after its commit: the program writes its file at start
// and says where; "Datei erneut schreiben" does it on demand.
TEST_F(DtausProgram, AnInterruptedRunsFileIsWrittenAtStartAndOnDemand) {
    auto record = [&](const QString& path, const QByteArray& bytes) {
        Connection& conn = *club.data->connection();
        Transaction tx(&conn);
        addPendingRunFile(conn, {0, "DTAUS", path, QString(), bytes, "2026-03-10T12:30:00"});
        tx.commit();
    };
    auto content = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    stopProgram();
    record(target, "file of the run");
    startProgram();
    QApplication::processEvents();
    EXPECT_EQ(content(target), "file of the run");
    ASSERT_EQ(script.texts.size(), 1);
    EXPECT_EQ(script.texts[0], "Der Lastschriftlauf (DTAUS) vom 10.03.2026 12:30 war nicht abgeschlossen: seine Datei „" +
                                   target + "“ wurde aus dem Vermerk im Verein geschrieben.");

    const QString second = QDir(club.folder()).filePath("zweite.txt");
    steps["TdtausF"] = [&](QDialog& d) {
        static_cast<TdtausF&>(d).prepareShow();
        QPushButton* rewrite = control<QPushButton>(&d, c::kRewrite);
        EXPECT_EQ(rewrite->text(), "Datei erneut schreiben");
        rewrite->click();
        EXPECT_EQ(script.texts.value(1), "Es gibt keine Lastschriftdatei, die noch zu schreiben ist.");
        record(second, "second run");
        rewrite->click();
        EXPECT_TRUE(script.texts.value(2).contains("seine Datei „" + second + "“ wurde aus dem Vermerk"))
            << script.texts.value(2).toStdString();
        d.reject();
    };
    window->action("ActDtaus")->trigger();
    EXPECT_EQ(content(second), "second run");
    EXPECT_EQ(pendingRunFileCount(*club.data->connection()), 0);
}

}  // namespace
