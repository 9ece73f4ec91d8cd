// The donation receipt, the birthday and jubilee list and the address labels in the
// program: their screens opened from the main window, printing a real receipt file with
// the prepared booking after it, the lists the jubilee screen builds, and the label
// dialog with its stored grid, the member query it offers and its preview.
#include "booking/bookingentry.h"
#include "booking/bookingrules.h"
#include "club.h"
#include "data/values.h"
#include "mainform.h"
#include "members/queryscreen.h"
#include "messagescript.h"
#include "payments/jubileescreen.h"
#include "payments/labeldialog.h"
#include "payments/receiptscreen.h"
#include "printing/printdialog.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

using namespace ferolind;
namespace rc = ferolind::ui::receiptscreen::controls;
namespace jc = ferolind::ui::jubileescreen::controls;
namespace lc = ferolind::ui::labeldialog::controls;
namespace qc = ferolind::ui::memberquery::controls;

namespace {

template <typename T = QWidget>
T* control(QWidget* screen, const char* name) {
    T* w = screen->findChild<T*>(QString::fromLatin1(name));
    if (!w) throw std::runtime_error(std::string("no control ") + name);
    return w;
}

QStringList items(QComboBox* box) {
    QStringList l;
    for (int i = 0; i < box->count(); ++i) l << box->itemText(i);
    return l;
}

// The program on a small club; each screen the window opens runs the step the test put
// in for its class instead of a modal loop, and is closed afterwards.
struct CertificateProgram : ::testing::Test {
    test::Club club;
    test::MessageScript script;
    std::unique_ptr<DataModule> data;
    std::unique_ptr<Session> session;
    std::unique_ptr<TMainForm> window;
    QStringList shown;
    QHash<QString, std::function<void(QDialog&)>> steps;
    const QDate today = QDate::currentDate();

    void SetUp() override {
        const QString born = dateToText(today.addYears(-30));
        const QString joined = QStringLiteral("31.12.%1").arg(today.year() - 10);
        club.addMember({{"ID", "5"}, {"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Geburtsdatum", born},
                        {"Strasse", "Lindenweg 5"}, {"PLZ", "01069"}, {"Ort", "Dresden"}});
        club.addMember({{"ID", "17"}, {"Vorname", "Max"}, {"Nachname", "Müller"}, {"EintrittDatum", joined},
                        {"Strasse", "Am Markt 2"}, {"PLZ", "01067"}, {"Ort", "Dresden"}});
        club.addMember({{"ID", "20"}, {"Vorname", "Carl"}, {"Nachname", "Ohnedatum"}});
        club.data->settings().DbSettingSetList(BookingRules::kAccounts, {"Kasse"});

        data = std::make_unique<DataModule>();
        session = std::make_unique<Session>(*data);
        window = std::make_unique<TMainForm>(*session);
        window->execScreen = [this](QDialog& d) {
            const QString name = QString::fromLatin1(d.metaObject()->className());
            shown << name;
            if (steps.contains(name)) steps.value(name)(d);
            if (name != "TBuchungF") d.done(0);  // every close runs what closing does
            return 0;
        };
        window->show();
        window->runStartUp();
        QApplication::processEvents();
    }
    void TearDown() override { window->close(); }

    QStringList presentedIds() {
        QStringList ids;
        Dataset& m = data->members();
        for (int p = 0; p < m.recordCount(); ++p) ids << m.rowAt(p)[m.field("ID")].toString();
        return ids;
    }
};

}  // namespace

TEST_F(CertificateProgram, ReceiptPrintsAFileThenPreparesTheBookingAndStoresTheClubData) {
    QTemporaryDir out;
    const QString pdf = out.filePath("quittung.pdf");
    int copies = 0;
    steps["TSpendenF"] = [&](QDialog& d) {
        auto& screen = static_cast<TSpendenF&>(d);
        screen.prepareShow();
        QComboBox* members = control<QComboBox>(&screen, rc::kMembers);
        EXPECT_EQ(items(members), (QStringList{"5 -  Anna Berg", "17 -  Max Müller", "20 -  Carl Ohnedatum"}));
        EXPECT_EQ(control<QTabWidget>(&screen, rc::kPages)->currentIndex(), 1);  // in kind first
        EXPECT_EQ(control<QLineEdit>(&screen, rc::kDate)->text(), dateToText(today));
        EXPECT_TRUE(control<QCheckBox>(&screen, rc::kMakeBooking)->isChecked());
        EXPECT_EQ(control<QSpinBox>(&screen, rc::kCopies)->value(), 1);
        emit members->textActivated("17 -  Max Müller");
        EXPECT_EQ(control<QLineEdit>(&screen, rc::kDonorName)->text(), "Max Müller");
        EXPECT_EQ(control<QLineEdit>(&screen, rc::kDonorStreet)->text(), "Am Markt 2");
        EXPECT_EQ(control<QLineEdit>(&screen, rc::kDonorTown)->text(), "01067 Dresden");
        control<QTabWidget>(&screen, rc::kPages)->setCurrentIndex(0);
        control<QLineEdit>(&screen, rc::kAmount)->setText("12,50");
        control<QLineEdit>(&screen, rc::kClubName)->setText("TV Musterstadt");
        control<QCheckBox>(&screen, rc::kWaiver)->setChecked(true);
        control<QSpinBox>(&screen, rc::kCopies)->setValue(3);
        screen.printer().setOutputFormat(QPrinter::PdfFormat);
        screen.printer().setOutputFileName(pdf);
        control<QPushButton>(&screen, rc::kPrint)->click();
        copies = screen.printer().copyCount();
        EXPECT_EQ(screen.printer().docName(), "Spendenquittung - Ferolind");
    };
    Dataset& bookings = data->bookings();
    steps["TBuchungF"] = [&](QDialog& d) {
        static_cast<TBuchungF&>(d).prepareShow();
        EXPECT_EQ(bookings.state(), Dataset::State::Insert);
        EXPECT_EQ(bookings.text("Empfaenger/Absender"), "Max Müller");
        EXPECT_EQ(bookings.text("Buchungstext"), "Spende");
        EXPECT_EQ(bookings.text("Kategorie"), "Spenden");
        EXPECT_EQ(bookings.value("Betrag").toLongLong(), 125000);
        bookings.setText("Bestandskonto", "Kasse");
        EXPECT_TRUE(bookings.post());
    };
    ASSERT_TRUE(window->action("ActSpendenquittung")->isEnabled());
    window->action("ActSpendenquittung")->trigger();
    EXPECT_EQ(shown, (QStringList{"TSpendenF", "TBuchungF"}));
    EXPECT_TRUE(script.texts.isEmpty()) << script.texts.join('\n').toStdString();
    EXPECT_GT(QFile(pdf).size(), 1000);
    EXPECT_EQ(copies, 3);
    EXPECT_EQ(data->members().intValue("ID"), 17);  // the member dataset stays on the donor
    EXPECT_EQ(data->settings().AccountBalanceGet("Kasse"), 125000);
    EXPECT_EQ(data->settings().DbSettingGet("Name"), "TV Musterstadt");
    EXPECT_TRUE(data->settings().DbSettingGetBool("VerzichtErstattungAufwendungen"));
}

TEST_F(CertificateProgram, ReceiptWithAnAmountTheBookingCannotReadStoresNoBooking) {
    QTemporaryDir out;
    steps["TSpendenF"] = [&](QDialog& d) {
        auto& screen = static_cast<TSpendenF&>(d);
        screen.prepareShow();
        control<QLineEdit>(&screen, rc::kDonorName)->setText("Anna Berg");
        control<QLineEdit>(&screen, rc::kAmount)->setText("25 EUR");
        screen.printer().setOutputFormat(QPrinter::PdfFormat);
        screen.printer().setOutputFileName(out.filePath("q.pdf"));
        control<QPushButton>(&screen, rc::kPrint)->click();
    };
    window->action("ActSpendenquittung")->trigger();
    EXPECT_EQ(shown, QStringList{"TSpendenF"});
    ASSERT_EQ(script.texts.size(), 1);
    EXPECT_EQ(script.texts[0], "'25 EUR' ist kein gültiger Fließkommawert für Feld 'Betrag'");
    EXPECT_EQ(data->bookings().state(), Dataset::State::Browse);
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT COUNT(*) FROM buchung"}).toInt(), 0);
    EXPECT_TRUE(QFile::exists(out.filePath("q.pdf")));

    // "Abbrechen" prints nothing and still stores the club data; the donor stays.
    steps["TSpendenF"] = [&](QDialog& d) {
        auto& screen = static_cast<TSpendenF&>(d);
        screen.prepareShow();
        EXPECT_EQ(control<QLineEdit>(&screen, rc::kDonorName)->text(), "Anna Berg");
        control<QLineEdit>(&screen, rc::kPurpose)->setText("Förderung des Sports");
        control<QCheckBox>(&screen, rc::kProvisional)->setChecked(true);
        control<QPushButton>(&screen, rc::kClose)->click();
    };
    window->action("ActSpendenquittung")->trigger();
    EXPECT_EQ(data->settings().DbSettingGet("Zweck"), "Förderung des Sports");
    EXPECT_TRUE(data->settings().DbSettingGetBool("vorlaeufig"));

    // A printer that cannot print is reported; no booking follows and the screen stays open.
    script.texts.clear();
    shown.clear();
    steps["TSpendenF"] = [&](QDialog& d) {
        auto& screen = static_cast<TSpendenF&>(d);
        screen.prepareShow();
        control<QLineEdit>(&screen, rc::kAmount)->setText("10");
        screen.printer().setOutputFormat(QPrinter::PdfFormat);
        screen.printer().setOutputFileName(out.filePath("kein/verzeichnis/q.pdf"));
        control<QPushButton>(&screen, rc::kPrint)->click();
        EXPECT_EQ(screen.result(), QDialog::Rejected);  // not closed by "Drucken" (the last close was "Abbrechen")
    };
    window->action("ActSpendenquittung")->trigger();
    EXPECT_EQ(shown, QStringList{"TSpendenF"});
    ASSERT_EQ(script.texts.size(), 1);
    EXPECT_TRUE(script.texts[0].contains("nicht gedruckt werden")) << script.texts[0].toStdString();
    EXPECT_EQ(data->bookings().state(), Dataset::State::Browse);
}

TEST_F(CertificateProgram, JubileeScreenStartsEmptyBuildsItsListsAndPrintsThem) {
    steps["TJubiF"] = [&](QDialog& d) {
        auto& screen = static_cast<TJubiF&>(d);
        screen.prepareShow();
        EXPECT_TRUE(presentedIds().isEmpty());
        EXPECT_TRUE(control<QCheckBox>(&screen, "CB5")->isChecked());
        EXPECT_FALSE(control<QCheckBox>(&screen, "CB10")->isChecked());
        // Page "Geburtstage" without a choice: everybody.
        control<QPushButton>(&screen, jc::kShow)->click();
        EXPECT_EQ(presentedIds(), (QStringList{"5", "17", "20"}));
        control<QRadioButton>(&screen, jc::kToday)->click();
        EXPECT_EQ(presentedIds(), QStringList{"5"});
        EXPECT_EQ(data->members().filter(), QStringLiteral("Month(Geburtsdatum)=%1 and Day(Geburtsdatum)=%2")
                                                .arg(today.month())
                                                .arg(today.day()));
        // Page "Jubiläen": ticking a box alone changes nothing; a click on a choice builds.
        control<QTabWidget>(&screen, jc::kPages)->setCurrentIndex(1);
        control<QCheckBox>(&screen, "CB5")->setChecked(false);
        control<QCheckBox>(&screen, "CB10")->setChecked(true);
        EXPECT_EQ(presentedIds(), QStringList{"5"});
        control<QRadioButton>(&screen, jc::kByEntry)->click();
        EXPECT_EQ(presentedIds(), QStringList{"17"});
        control<QCheckBox>(&screen, "CB10")->setChecked(false);
        control<QPushButton>(&screen, jc::kShow)->click();
        EXPECT_EQ(presentedIds().size(), 3);  // no box ticked: everybody
        control<QCheckBox>(&screen, "CB30")->setChecked(true);
        control<QRadioButton>(&screen, jc::kByBirth)->click();
        EXPECT_EQ(presentedIds(), QStringList{"5"});
        control<QPushButton>(&screen, jc::kPrint)->click();
    };
    steps["TDruckerDialogF"] = [&](QDialog&) { EXPECT_EQ(presentedIds(), QStringList{"5"}); };
    QAction* button = window->findChild<QAction*>("TbJubilaeen");
    ASSERT_TRUE(button->isEnabled());
    button->trigger();
    EXPECT_EQ(shown, (QStringList{"TJubiF", "TDruckerDialogF"}));
    EXPECT_FALSE(data->members().filtered());
    EXPECT_EQ(presentedIds().size(), 3);

    // The member query's "Geburtstage/Jubiläen" opens the same screen, again empty.
    steps["TMitgliederAuswertenF"] = [&](QDialog& d) {
        control<QPushButton>(&d, qc::kBirthdays)->click();
    };
    steps["TJubiF"] = [&](QDialog& d) {
        static_cast<TJubiF&>(d).prepareShow();
        EXPECT_TRUE(presentedIds().isEmpty());
        EXPECT_EQ(control<QTabWidget>(&d, jc::kPages)->currentIndex(), 1);  // the page stays
    };
    shown.clear();
    window->action("ActAuswerten")->trigger();
    EXPECT_EQ(shown, (QStringList{"TMitgliederAuswertenF", "TJubiF"}));
}

TEST_F(CertificateProgram, LabelDialogKeepsItsGridNarrowsThroughTheQueryAndPreviewsTheSheets) {
    int pages = 0;
    QStringList previewed;
    steps["TMitgliederAuswertenF"] = [&](QDialog& d) {
        EXPECT_FALSE(control<QPushButton>(&d, qc::kPrint)->isVisibleTo(&d));
        EXPECT_FALSE(control<QPushButton>(&d, qc::kBirthdays)->isVisibleTo(&d));
        data->members().applyFilter("Ort='Dresden'");
        data->members().setSort("Nachname");
    };
    steps["TEtikettendruckF"] = [&](QDialog& d) {
        auto& dialog = static_cast<TEtikettendruckF&>(d);
        dialog.prepareShow();
        EXPECT_EQ(control<QSpinBox>(&dialog, lc::kRows)->value(), 6);
        EXPECT_EQ(control<QSpinBox>(&dialog, lc::kColumns)->value(), 2);
        control<QSpinBox>(&dialog, lc::kRows)->setValue(1);
        control<QSpinBox>(&dialog, lc::kColumns)->setValue(1);
        control<QCheckBox>(&dialog, lc::kId)->setChecked(false);
        control<QPushButton>(&dialog, lc::kQuery)->click();
        // The query's selection stays for the labels.
        EXPECT_EQ(presentedIds(), (QStringList{"5", "17"}));
        dialog.execPreview = [&](QDialog& p) {
            auto& preview = static_cast<TEtikettendruckVorschauF&>(p);
            EXPECT_EQ(preview.windowTitle(), "Etikettendruck");
            preview.show();
            preview.showPage(5);
            pages = preview.pageCount();
            previewed << control<QLabel>(&preview, ui::preview::controls::kPageLabel)->text();
            return 0;
        };
        control<QPushButton>(&dialog, lc::kPreview)->click();
        EXPECT_FALSE(dialog.isVisible());
    };
    ASSERT_TRUE(window->action("ActEtiketten")->isEnabled());
    window->action("ActEtiketten")->trigger();
    EXPECT_EQ(shown, (QStringList{"TEtikettendruckF", "TMitgliederAuswertenF"}));
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(previewed, QStringList{"Seite 2 von 2"});
    // The dialog's close stores the grid and gives the main window all members again.
    EXPECT_EQ(data->settings().DbSettingGetInt("ZeilenEtiketten"), 1);
    EXPECT_EQ(data->settings().DbSettingGetInt("SpaltenEtiketten"), 1);
    EXPECT_FALSE(data->members().filtered());
    EXPECT_EQ(data->members().sort(), "ID");
    EXPECT_TRUE(control<QPushButton>(window->queryScreen(), qc::kPrint)->isVisibleTo(window->queryScreen()));
    EXPECT_TRUE(control<QPushButton>(window->queryScreen(), qc::kBirthdays)->isVisibleTo(window->queryScreen()));

    // The next showing reads the stored grid back.
    steps["TEtikettendruckF"] = [&](QDialog& d) {
        static_cast<TEtikettendruckF&>(d).prepareShow();
        EXPECT_EQ(control<QSpinBox>(&d, lc::kRows)->value(), 1);
    };
    window->action("ActEtiketten")->trigger();
}

// The preset "PDF-Datei" without a file fails with a sentence; choosing a file with
// "Ändern" afterwards must print on the same screen (a printer left active by the failed
// try refused the new file).
TEST_F(CertificateProgram, ReceiptPrintsAfterAFailedTryOnceAFileIsChosen) {
    QTemporaryDir out;
    const QString pdf = out.filePath("quittung.pdf");
    steps["TSpendenF"] = [&](QDialog& d) {
        auto& screen = static_cast<TSpendenF&>(d);
        screen.prepareShow();
        control<QTabWidget>(&screen, rc::kPages)->setCurrentIndex(0);
        control<QLineEdit>(&screen, rc::kAmount)->setText("20,00");
        control<QLineEdit>(&screen, rc::kDonorName)->setText("Max Müller");
        control<QCheckBox>(&screen, rc::kMakeBooking)->setChecked(false);
        screen.printer().setOutputFormat(QPrinter::PdfFormat);
        screen.printer().setOutputFileName(QString());
        control<QPushButton>(&screen, rc::kPrint)->click();
        ASSERT_EQ(script.texts.size(), 1);
        EXPECT_TRUE(script.texts[0].contains("»PDF-Datei«")) << script.texts[0].toStdString();
        EXPECT_FALSE(screen.result() == QDialog::Accepted);
        screen.askPrinter = [&](QPrinter& p) {
            p.setOutputFileName(pdf);
            return true;
        };
        control<QPushButton>(&screen, rc::kChangePrinter)->click();
        EXPECT_EQ(screen.printer().outputFileName(), pdf);
        control<QPushButton>(&screen, rc::kPrint)->click();
        EXPECT_EQ(script.texts.size(), 1) << script.texts.join('\n').toStdString();
        // And once more onto the same file: a second print also works.
        QFile::remove(pdf);
        control<QPushButton>(&screen, rc::kPrint)->click();
    };
    window->action("ActSpendenquittung")->trigger();
    EXPECT_EQ(script.texts.size(), 1) << script.texts.join('\n').toStdString();
    EXPECT_GT(QFile(pdf).size(), 1000);
}
