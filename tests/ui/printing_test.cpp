// The print dialogs and previews driven offscreen: the print menu with its return code,
// the presets from the main grid's columns, the previews' paging, orientation and PDF
// output, and the statement dialog's dates.
#include "booking/bookingqueryscreen.h"
#include "bookings.h"
#include "club.h"
#include "mainform.h"
#include "members/queryscreen.h"
#include "messagescript.h"
#include "printing/pagepreview.h"
#include "printing/printdialog.h"
#include "printing/statementdialog.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using namespace ferolind;
namespace pd = ferolind::ui::printdialog::controls;
namespace sd = ferolind::ui::statementdialog::controls;
namespace pv = ferolind::ui::preview::controls;

namespace {

// The program on the club of the per-user settings; screens are recorded, not shown.
struct Program {
    DataModule data;
    Session session{data};
    TMainForm window{session};
    QStringList shown;
    std::function<int(QDialog&)> onScreen;
    Program() {
        window.execScreen = [this](QDialog& d) {
            shown << d.metaObject()->className();
            return onScreen ? onScreen(d) : 0;
        };
        window.show();
        window.runStartUp();
        QApplication::processEvents();
    }
    ~Program() { window.close(); }
};

template <class T>
T* get(QObject* screen, const char* name) {
    T* c = screen->findChild<T*>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
}
QCheckBox* memberBox(QDialog& d, int column) {
    return get<QCheckBox>(&d, (QString(pd::kMemberField) + QString::number(column)).toLatin1().constData());
}

void book(test::Club& club, const char* date, const char* dir, const char* amount, const char* category) {
    test::addBooking(club.data->bookings(), date, dir, amount, category);
}

}  // namespace

TEST(PrintScreens, MenuDialogPresetsColumnsAndOpensTheQueryOnRequest) {
    test::Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    club.data->settings().DbSettingSet("TitelMitgliederDruck", "Vorstandsliste");
    RegistrySetInt("SpaltenMitglieder", 0x1FFFFFFF & ~(1 << 7) & ~(1 << 23));  // "Ort" and "Sonstiges1" hidden
    Program run;
    for (const char* a : {"ActDruckMitglieder", "ActDruckBuchungen", "ActDruckJahresabschluss"})
        EXPECT_TRUE(run.window.action(a)->isEnabled()) << a;
    EXPECT_TRUE(run.window.action("ActEtiketten")->isEnabled());

    run.onScreen = [&](QDialog& d) {
        if (auto* dialog = qobject_cast<TDruckerDialogF*>(&d)) {
            dialog->prepareShow();
            EXPECT_EQ(dialog->windowTitle(), "Mitgliedsdaten drucken");
            EXPECT_EQ(get<QLineEdit>(dialog, pd::kTitle)->text(), "Vorstandsliste");
            EXPECT_TRUE(get<QGroupBox>(dialog, pd::kMemberFields)->isVisibleTo(dialog));
            EXPECT_FALSE(get<QGroupBox>(dialog, pd::kBookingFields)->isVisibleTo(dialog));
            EXPECT_TRUE(memberBox(d, 4)->isChecked());
            EXPECT_FALSE(memberBox(d, 8)->isChecked());   // Ort
            EXPECT_FALSE(memberBox(d, 23)->isChecked());  // Sonstiges 1: grid column 24
            EXPECT_TRUE(memberBox(d, 28)->isChecked());
            QPushButton* query = get<QPushButton>(dialog, pd::kQuery);
            EXPECT_TRUE(query->isVisibleTo(dialog));
            EXPECT_EQ(query->text(), "Mitglieder eingrenzen/sortieren");
            query->click();
            EXPECT_EQ(dialog->returnCode, TDruckerDialogF::kOpenQuery);
        }
        return 0;
    };
    run.window.action("ActDruckMitglieder")->trigger();
    EXPECT_EQ(run.shown, (QStringList{"TDruckerDialogF", "TMitgliederAuswertenF"}));
    EXPECT_EQ(run.window.printDialog()->returnCode, 0);  // reset by the main window

    // Booking mode from the menu: its own caption; the booking query follows.
    run.shown.clear();
    run.onScreen = [&](QDialog& d) {
        if (auto* dialog = qobject_cast<TDruckerDialogF*>(&d)) {
            dialog->prepareShow();
            EXPECT_EQ(dialog->windowTitle(), "Buchungsdaten drucken");
            EXPECT_TRUE(get<QGroupBox>(dialog, pd::kBookingFields)->isVisibleTo(dialog));
            EXPECT_FALSE(get<QGroupBox>(dialog, pd::kMemberFields)->isVisibleTo(dialog));
            EXPECT_EQ(get<QPushButton>(dialog, pd::kQuery)->text(), "Daten eingrenzen/sortieren");
            get<QPushButton>(dialog, pd::kQuery)->click();
        }
        return 0;
    };
    run.window.action("ActDruckBuchungen")->trigger();
    EXPECT_EQ(run.shown, (QStringList{"TDruckerDialogF", "TBuchungenAuswertenF"}));

    // From the member query: the dialog without the query button.
    run.shown.clear();
    run.onScreen = [&](QDialog& d) {
        if (auto* dialog = qobject_cast<TDruckerDialogF*>(&d))
            EXPECT_FALSE(get<QPushButton>(dialog, pd::kQuery)->isVisibleTo(dialog));
        return 0;
    };
    get<QPushButton>(run.window.queryScreen(), ui::memberquery::controls::kPrint)->click();
    get<QPushButton>(run.window.bookingQueryScreen(), ui::queryscreen::controls::kPrint)->click();
    EXPECT_EQ(run.shown, (QStringList{"TDruckerDialogF", "TDruckerDialogF"}));
}

TEST(PrintScreens, MemberPreviewPagesTurnsAndSavesAPdf) {
    test::Club club;
    for (int i = 1; i <= 40; ++i) club.addMember({{"Vorname", QString("V%1").arg(i)}, {"Nachname", "Berg"}});
    TDruckerDialogF dialog(*club.session);
    dialog.mode = ListMode::Member;
    dialog.prepareShow();
    for (int c = 1; c <= 28; ++c) memberBox(dialog, c)->setChecked(c <= 4);
    get<QLineEdit>(&dialog, pd::kTitle)->setText("Liste für den Vorstand");
    const QString pdf = club.dir.filePath("vorschau.pdf");
    int previews = 0;
    dialog.execPreview = [&](QDialog& d) {
        ++previews;
        auto* p = qobject_cast<TVorschauMitgliederF*>(&d);
        EXPECT_TRUE(p);
        if (!p) return 0;
        EXPECT_EQ(p->windowTitle(), "Druckvorschau");
        EXPECT_TRUE(club.data->members().controlsDisabled());  // display updates suspended meanwhile
        p->resize(800, 900);
        p->showPage(1);
        QLabel* label = get<QLabel>(p, pv::kPageLabel);
        EXPECT_EQ(label->text(), "Seite 1");  // no count named until the end is drawn
        EXPECT_FALSE(get<QLabel>(p, pv::kPageImage)->pixmap().isNull());
        get<QToolButton>(p, pv::kNext)->click();
        EXPECT_EQ(p->currentPage(), 2);
        EXPECT_EQ(label->text(), "Seite 2 von 2");
        EXPECT_FALSE(get<QToolButton>(p, pv::kNext)->isEnabled());
        const int width = get<QLabel>(p, pv::kPageImage)->width();
        get<QToolButton>(p, pv::kZoomIn)->click();
        EXPECT_GT(get<QLabel>(p, pv::kPageImage)->width(), width);
        get<QToolButton>(p, pv::kPageWidth)->click();
        EXPECT_EQ(get<QLabel>(p, pv::kPageImage)->width(), width);
        // Landscape: fewer rows a page, so the list takes three pages.
        EXPECT_TRUE(get<QToolButton>(p, pv::kOrientation)->isVisibleTo(p));
        get<QToolButton>(p, pv::kOrientation)->click();
        EXPECT_EQ(p->currentPage(), 1);
        get<QToolButton>(p, pv::kNext)->click();
        get<QToolButton>(p, pv::kNext)->click();
        EXPECT_EQ(label->text(), "Seite 3 von 3");
        p->askPdfFile = [&] { return pdf; };
        get<QToolButton>(p, pv::kPdf)->click();
        return 0;
    };
    get<QPushButton>(&dialog, pd::kPreview)->click();
    EXPECT_EQ(previews, 1);
    EXPECT_FALSE(club.data->members().controlsDisabled());
    EXPECT_EQ(club.data->settings().DbSettingGet("TitelMitgliederDruck"), "Liste für den Vorstand");
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_GT(QFile(pdf).size(), 1000);
}

TEST(PrintScreens, BookingPreviewAndStatementDialog) {
    test::Club club;
    book(club, "10.01.2011", "E", "100", "Beiträge");
    book(club, "20.03.2011", "A", "12,5", "Porto");
    book(club, "05.02.2011", "E", "5", "Spenden");

    TDruckerDialogF dialog(*club.session);
    dialog.mode = ListMode::Booking;
    dialog.prepareShow();
    for (int c = 1; c <= 8; ++c)
        EXPECT_TRUE(get<QCheckBox>(&dialog, (QString(pd::kBookingField) + QString::number(c)).toLatin1())->isChecked());
    dialog.execPreview = [&](QDialog& d) {
        auto* p = qobject_cast<TDruckerVorschauBuchungenF*>(&d);
        EXPECT_TRUE(p);
        if (!p) return 0;
        EXPECT_EQ(p->windowTitle(), "Buchungen drucken");
        p->showPage(1);
        EXPECT_EQ(p->pageCount(), 1);
        EXPECT_FALSE(get<QToolButton>(p, pv::kOrientation)->isVisibleTo(p));
        return 0;
    };
    get<QPushButton>(&dialog, pd::kPreview)->click();

    TDruckerDialogF1 statement(*club.session);
    statement.prepareShow();
    EXPECT_EQ(statement.windowTitle(), "Jahresabschluss drucken");
    EXPECT_EQ(get<QDateEdit>(&statement, sd::kFrom)->date(), QDate(2011, 1, 10));
    EXPECT_EQ(get<QDateEdit>(&statement, sd::kTo)->date(), QDate(2011, 3, 20));
    EXPECT_TRUE(get<QRadioButton>(&statement, sd::kAll)->isChecked());
    EXPECT_TRUE(get<QRadioButton>(&statement, sd::kYearly)->isChecked());
    get<QCheckBox>(&statement, sd::kSumCategories)->setChecked(false);
    EXPECT_FALSE(get<QRadioButton>(&statement, sd::kMonthly)->isEnabled());
    get<QCheckBox>(&statement, sd::kSumCategories)->setChecked(true);
    get<QRadioButton>(&statement, sd::kMonthly)->setChecked(true);
    bool previewed = false;
    statement.execPreview = [&](QDialog& d) {
        auto* p = qobject_cast<TDruckerVorschauF*>(&d);
        EXPECT_TRUE(p);
        if (!p) return 0;
        previewed = true;
        EXPECT_EQ(p->windowTitle(), "Vorschau des Jahresabschlusses");
        p->showPage(1);
        EXPECT_EQ(p->pageCount(), 1);
        return 0;
    };
    get<QPushButton>(&statement, sd::kPreview)->click();
    EXPECT_TRUE(previewed);

    // A range that ends before it starts is refused with a message.
    test::MessageScript msgs(ui::Answer::Yes);
    statement.prepareShow();
    get<QDateEdit>(&statement, sd::kFrom)->setDate(QDate(2012, 1, 1));
    previewed = false;
    get<QPushButton>(&statement, sd::kPreview)->click();
    EXPECT_FALSE(previewed);
    ASSERT_EQ(msgs.texts.size(), 1);
    EXPECT_EQ(msgs.texts[0], "Das Datum »Von« liegt nach dem Datum »Bis«.");
}

// "Als PDF speichern" where no file can be written says why and leaves no file; printing
// from the preview after a failed try works once a file is chosen.
TEST(PrintScreens, PreviewNamesAPdfThatCannotBeWrittenAndPrintsAfterAFailure) {
    test::Club club;
    for (int i = 1; i <= 5; ++i) club.addMember({{"Vorname", QString("V%1").arg(i)}, {"Nachname", "Berg"}});
    QFile plain(club.dir.filePath("keinordner"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString printed = club.dir.filePath("gedruckt.pdf");
    const struct {
        QString path;
        const char* says;
    } refused[] = {
        {club.dir.filePath("fehlt/liste.pdf"), "ist nicht vorhanden"},
        {club.dir.filePath("keinordner/liste.pdf"), "kein Ordner"},
    };
    TDruckerDialogF dialog(*club.session);
    dialog.mode = ListMode::Member;
    dialog.prepareShow();
    test::MessageScript msgs(ui::Answer::Yes);
    dialog.execPreview = [&](QDialog& d) {
        auto* p = qobject_cast<PagePreviewScreen*>(&d);
        if (!p) return 0;
        p->showPage(1);
        for (const auto& c : refused) {
            SCOPED_TRACE(c.path.toStdString());
            msgs.texts.clear();
            p->askPdfFile = [&] { return c.path; };
            get<QToolButton>(p, pv::kPdf)->click();
            EXPECT_EQ(msgs.texts.size(), 1);
            EXPECT_TRUE(msgs.texts.value(0).contains(c.says)) << msgs.texts.join('|').toStdString();
            EXPECT_FALSE(QFile::exists(c.path));
        }
        // The printer "PDF-Datei" without a file, then with one chosen in the print dialog.
        msgs.texts.clear();
        dialog.printer().setOutputFormat(QPrinter::PdfFormat);
        dialog.printer().setOutputFileName(QString());
        p->askPrint = [](QPrinter&) { return true; };
        get<QToolButton>(p, pv::kPrint)->click();
        EXPECT_EQ(msgs.texts.size(), 1);
        p->askPrint = [&](QPrinter& printer) {
            printer.setOutputFileName(printed);
            return true;
        };
        get<QToolButton>(p, pv::kPrint)->click();
        EXPECT_EQ(msgs.texts.size(), 1) << msgs.texts.join('\n').toStdString();
        EXPECT_EQ(p->currentPage(), 1);
        EXPECT_FALSE(get<QLabel>(p, pv::kPageImage)->pixmap().isNull());
        return 0;
    };
    get<QPushButton>(&dialog, pd::kPreview)->click();
    EXPECT_GT(QFile(printed).size(), 1000);
}

// Closing a preview goes back to its dialog, which keeps what was typed there.
TEST(PrintScreens, ClosingThePreviewKeepsItsDialogOpenWithTitleAndDates) {
    test::Club club;
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    book(club, "10.01.2011", "E", "100", "Beiträge");
    int previews = 0;
    auto closePreview = [&](QDialog&) {
        ++previews;
        return 0;
    };

    TDruckerDialogF list(*club.session);
    list.mode = ListMode::Member;
    list.execPreview = closePreview;
    list.show();
    get<QLineEdit>(&list, pd::kTitle)->setText("Vorstand");
    get<QPushButton>(&list, pd::kPreview)->click();
    EXPECT_EQ(previews, 1);
    EXPECT_TRUE(list.isVisible());
    EXPECT_EQ(get<QLineEdit>(&list, pd::kTitle)->text(), "Vorstand");

    TDruckerDialogF1 statement(*club.session);
    statement.execPreview = closePreview;
    statement.show();
    get<QDateEdit>(&statement, sd::kFrom)->setDate(QDate(2011, 1, 1));
    get<QDateEdit>(&statement, sd::kTo)->setDate(QDate(2011, 6, 30));
    get<QPushButton>(&statement, sd::kPreview)->click();
    EXPECT_EQ(previews, 2);
    EXPECT_TRUE(statement.isVisible());
    EXPECT_EQ(get<QDateEdit>(&statement, sd::kFrom)->date(), QDate(2011, 1, 1));
    EXPECT_EQ(get<QDateEdit>(&statement, sd::kTo)->date(), QDate(2011, 6, 30));
}

TEST(PrintScreens, TheLastPageButtonDrawsTheListToItsEnd) {
    test::Club club;
    for (int i = 1; i <= 40; ++i) club.addMember({{"Vorname", QString("V%1").arg(i)}, {"Nachname", "Berg"}});
    TDruckerDialogF dialog(*club.session);
    dialog.mode = ListMode::Member;
    dialog.prepareShow();
    bool shown = false;
    dialog.execPreview = [&](QDialog& d) {
        auto* p = qobject_cast<PagePreviewScreen*>(&d);
        if (!p) return 0;
        shown = true;
        p->resize(800, 900);
        p->showPage(1);
        EXPECT_TRUE(get<QToolButton>(p, pv::kLast)->isEnabled());
        get<QToolButton>(p, pv::kLast)->click();
        EXPECT_EQ(p->currentPage(), 2);
        EXPECT_EQ(get<QLabel>(p, pv::kPageLabel)->text(), "Seite 2 von 2");
        EXPECT_FALSE(get<QToolButton>(p, pv::kLast)->isEnabled());
        get<QToolButton>(p, pv::kFirst)->click();
        EXPECT_EQ(p->currentPage(), 1);
        return 0;
    };
    get<QPushButton>(&dialog, pd::kPreview)->click();
    EXPECT_TRUE(shown);
}
