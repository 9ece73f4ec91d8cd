// The SEPA run in "Datenträgeraustausch": the choice of the file, the creditor data kept
// club-wide, the collection date preset to the earliest business day and a weekend
// refused, a run that records the fee payments, and the pre-notification in the preview.
#include "club.h"
#include "fees/feepayments.h"
#include "mainform.h"
#include "messagescript.h"
#include "scriptedprogram.h"
#include "payments/dtausscreen.h"
#include "payments/sepasettings.h"
#include "payments/sepawriter.h"
#include "printing/pagepreview.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace ferolind;
namespace c = ferolind::ui::dtausscreen::controls;

namespace {

using test::control;

struct SepaProgram : ::testing::Test, test::ScriptedProgram {
    test::Club club;
    test::MessageScript script;
    QStringList previews;
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
                        {"EintrittDatum", "01.04.2010"}, {"DTAUS", "Wahr"}});
        club.addMember({{"ID", "2"}, {"Vorname", "Bert"}, {"Nachname", "Cramer"}});
        club.addMember({{"ID", "3"}, {"Vorname", "Carl"}, {"Nachname", "Ötzel"}, {"Betrag", "Erwachsene"},
                        {"Kontoinhaber", "Carl Ötzel"}, {"Bankleitzahl", "50010517"}, {"Kontonummer", "5410041"},
                        {"EintrittDatum", "15.01.2015"}, {"DTAUS", "Wahr"}});
        club.data->settings().DbSettingSetInt(kPaymentPeriodEntry, 0);
        target = QDir(club.folder()).filePath("lastschrift.xml");
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
};

TEST_F(SepaProgram, ASepaRunFromTheMenuWritesTheFileAndRecordsTheFeePayments) {
    steps["TdtausF"] = [&](QDialog& d) {
        auto& screen = static_cast<TdtausF&>(d);
        screen.prepareShow();
        QComboBox* format = control<QComboBox>(&d, c::kFormat);
        EXPECT_EQ(format->currentText(), "DTAUS") << "DTAUS until SEPA is chosen";
        EXPECT_FALSE(control<QGroupBox>(&d, c::kSepaGroup)->isVisibleTo(&d));
        format->setCurrentIndex(format->findText("SEPA (pain.008)"));
        EXPECT_TRUE(control<QGroupBox>(&d, c::kSepaGroup)->isVisibleTo(&d));
        EXPECT_FALSE(edit(c::kBankCode)->isEnabled()) << "the DTAUS sender is not asked for";
        QDateEdit* date = control<QDateEdit>(&d, c::kSepaCollection);
        EXPECT_EQ(date->date(), earliestCollectionDate(QDate::currentDate()));

        edit(c::kSepaName)->setText("Förderverein Süd");  // the key helper types ASCII only
        QTest::keyClicks(edit(c::kSepaIban), "DE02 5001 0517 0137 0750 30");
        QTest::keyClicks(edit(c::kSepaBic), "INGDDEFFXXX");
        QTest::keyClicks(edit(c::kSepaCreditorId), "DE98ZZZ09999999999");
        QTest::keyClicks(edit(c::kPurpose), "Mitgliedsbeitrag");
        screen.askTarget = [&](const QString&) { return target; };
        qobject_cast<QAbstractButton*>(control<QWidget>(&d, c::kSepaChooseTarget))->click();
        EXPECT_EQ(edit(c::kSepaTarget)->text(), target);
        control<QCheckBox>(&d, c::kRecord)->setChecked(true);

        // A Saturday is refused with its message; nothing is written or recorded.
        QDate saturday = date->date();
        while (saturday.dayOfWeek() != 6) saturday = saturday.addDays(1);
        date->setDate(saturday);
        control<QPushButton>(&d, c::kRun)->click();
        ASSERT_EQ(script.texts.size(), 1);
        EXPECT_TRUE(script.texts[0].contains("ist ein Samstag")) << script.texts[0].toStdString();
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_EQ(paymentRows(), 0);

        // The pre-notification of the coming run: cover sheet and one list page.
        date->setDate(earliestCollectionDate(QDate::currentDate()));
        control<QPushButton>(&d, c::kPrenotification)->click();
        EXPECT_EQ(previews, QStringList{"Vorabinformation SEPA-Lastschrift 2"});

        script.texts.clear();
        control<QPushButton>(&d, c::kRun)->click();
        ASSERT_EQ(script.texts.size(), 1);
        EXPECT_TRUE(script.texts[0].startsWith("Die SEPA-Datei „" + target + "“ wurde erstellt: 2 Lastschrift(en) über "
                                               "120,00"))
            << script.texts[0].toStdString();
        EXPECT_TRUE(script.texts[0].contains("Für 2 Mitglied(er) wurde der Beitrag gebucht."));
        d.reject();
    };
    window->action("ActDtaus")->trigger();
    EXPECT_EQ(shown, QStringList{"TdtausF"});

    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    EXPECT_EQ(xml.count("<CtrlSum>120.00</CtrlSum>"), 2);
    EXPECT_TRUE(xml.contains("<Nm>Carl Oetzel</Nm>"));
    EXPECT_TRUE(xml.contains("<MndtId>MITGL-3</MndtId>"));
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM betrag WHERE Jahr = " + year + " AND Monat = " + month})
                  .toInt(),
              2);
    // Kept club-wide: the choice, the file and the creditor data.
    SettingsStore& s = data->settings();
    EXPECT_EQ(s.DbSettingGet(sepaentry::Format), "SEPA");
    EXPECT_EQ(s.DbSettingGet(sepaentry::Target), target);
    EXPECT_EQ(s.DbSettingGet(sepaentry::CreditorIban), "DE02500105170137075030");
    EXPECT_EQ(s.DbSettingGet(sepaentry::CreditorName), "Förderverein Süd");

    // Opened again: SEPA chosen, the creditor data back.
    steps["TdtausF"] = [&](QDialog& d) {
        static_cast<TdtausF&>(d).prepareShow();
        EXPECT_EQ(control<QComboBox>(&d, c::kFormat)->currentIndex(), 1);
        EXPECT_EQ(edit(c::kSepaIban)->text(), "DE02 5001 0517 0137 0750 30");
        EXPECT_EQ(edit(c::kSepaCreditorId)->text(), "DE98ZZZ09999999999");
        d.reject();
    };
    window->action("ActDtaus")->trigger();
}

}  // namespace
