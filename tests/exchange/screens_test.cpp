// The export and import screens driven offscreen: the controls' states, the files they
// write, the mapping grids and the imports they start.
#include "club.h"
#include "exchange/exportscreen.h"
#include "exchange/importscreens.h"
#include "exchange/sources.h"
#include "messagescript.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace ferolind;
using ferolind::test::Club;
namespace ex = ferolind::ui::exportscreen::controls;

namespace {

const QString kFixtures = QStringLiteral(FEROLIND_EXCHANGE_FIXTURES);

template <typename T>
T* control(QWidget* screen, const QString& name) {
    T* w = screen->findChild<T*>(name);
    if (!w) ADD_FAILURE() << "no control " << name.toStdString();
    return w;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList column(Dataset& d, const QString& field) {
    QStringList texts;
    for (int p = 0; p < d.recordCount(); ++p) texts << d.rowAt(p)[d.field(field)].toString();
    return texts;
}

void selectRow(QTableWidget* grid, int row) { grid->setCurrentCell(row, 0); }

}  // namespace

TEST(ExportScreens, ControlsFollowTheFormatAndTheGrid) {
    Club club;
    TMitgliederExportierenF members(club.members());
    members.visibleColumns = [] { return quint32(0x1FFFFFFF & ~(1u << 3)); };  // "Nachname" hidden
    members.prepareShow();
    EXPECT_EQ(members.objectName(), QStringLiteral("TMitgliederExportierenF"));
    EXPECT_EQ(members.windowTitle(), QStringLiteral("Mitglieder exportieren"));
    EXPECT_FALSE(control<QCheckBox>(&members, ex::columnBox("Nachname"))->isChecked());
    EXPECT_TRUE(control<QCheckBox>(&members, ex::columnBox("Vorname"))->isChecked());
    EXPECT_EQ(members.findChildren<QCheckBox*>(QRegularExpression("^CB(?!Titelzeile)")).size(), 27);
    auto* run = control<QPushButton>(&members, ex::kExport);
    EXPECT_FALSE(run->isEnabled());
    control<QLineEdit>(&members, ex::kTarget)->setText("x.csv");
    EXPECT_TRUE(run->isEnabled());

    // CSV: comma and double quote fixed; TXT: free; HTML and Excel: neither group.
    auto enabled = [&](const char* name) { return control<QRadioButton>(&members, name)->isEnabled(); };
    EXPECT_TRUE(enabled(ex::kComma) && !enabled(ex::kTab) && !enabled(ex::kNoQualifier));
    control<QRadioButton>(&members, ex::kTxt)->click();
    EXPECT_TRUE(enabled(ex::kTab) && enabled(ex::kSemicolon) && enabled(ex::kNoQualifier));
    control<QRadioButton>(&members, ex::kExcel)->click();
    EXPECT_FALSE(control<QGroupBox>(&members, "GroupBox1")->isEnabled());
    EXPECT_FALSE(control<QGroupBox>(&members, "GroupBox5")->isEnabled());

    // The save dialog by format; a cancel empties the target here, keeps it on "Daten exportieren".
    QStringList asked;
    members.chooseTarget = [&](QWidget*, const QString& filter, const QString& suffix) {
        asked << filter + "|" + suffix;
        return QString();
    };
    control<QToolButton>(&members, ex::kChoose)->click();
    EXPECT_EQ(asked, QStringList{"Excel-Dateien (*.xlsx)|xlsx"});
    EXPECT_TRUE(control<QLineEdit>(&members, ex::kTarget)->text().isEmpty());
    TExportF data(club.members());
    data.prepareShow();
    EXPECT_TRUE(control<QRadioButton>(&data, ex::kExcel)->isHidden());
    FreeFieldLabels labels;
    labels.s[0] = "Abteilung";
    data.setFreeFieldLabels(labels);
    EXPECT_EQ(control<QCheckBox>(&data, ex::columnBox("Sonstiges1"))->text(), QStringLiteral("Abteilung"));
    control<QLineEdit>(&data, ex::kTarget)->setText("bleibt.csv");
    data.chooseTarget = [](QWidget*, const QString&, const QString&) { return QString(); };
    control<QToolButton>(&data, ex::kChoose)->click();
    EXPECT_EQ(control<QLineEdit>(&data, ex::kTarget)->text(), QStringLiteral("bleibt.csv"));
}

TEST(ExportScreens, WritesTheShownMembersAndWarnsOfValuesThatBreakTheFile) {
    Club club;
    club.addMember({{"ID", "1"}, {"Nachname", "Berg"}});
    club.addMember({{"ID", "2"}, {"Nachname", "Klein, Groß"}});
    TExportF screen(club.members());
    screen.prepareShow();
    for (QCheckBox* b : screen.findChildren<QCheckBox*>(QRegularExpression("^CB(?!Titelzeile)"))) b->setChecked(false);
    control<QCheckBox>(&screen, ex::columnBox("Nachname"))->setChecked(true);
    const QString target = club.dir.filePath("m.csv");
    control<QLineEdit>(&screen, ex::kTarget)->setText(target);
    {
        // CSV qualifies the value: nothing to warn of
        test::MessageScript answers(ui::Answer::No);
        control<QPushButton>(&screen, ex::kExport)->click();
        EXPECT_TRUE(answers.texts.isEmpty());
        EXPECT_EQ(bytesOf(target), QByteArray("\"Nachname\",\r\n\"Berg\",\r\n\"Klein, Gro\xDF\",\r\n"));
        QFile::remove(target);
    }
    {
        // TXT without qualifier cannot escape the comma: the screen asks first
        TExportF txt(club.members());
        txt.prepareShow();
        for (QCheckBox* b : txt.findChildren<QCheckBox*>(QRegularExpression("^CB(?!Titelzeile)"))) b->setChecked(false);
        control<QCheckBox>(&txt, ex::columnBox("Nachname"))->setChecked(true);
        control<QRadioButton>(&txt, ex::kTxt)->click();
        control<QRadioButton>(&txt, ex::kNoQualifier)->click();
        control<QLineEdit>(&txt, ex::kTarget)->setText(target);
        test::MessageScript answers(ui::Answer::No);
        control<QPushButton>(&txt, ex::kExport)->click();
        ASSERT_EQ(answers.texts.size(), 1);
        EXPECT_TRUE(answers.texts[0].contains("Klein, Groß"));
        EXPECT_FALSE(QFile::exists(target));
    }
    club.members().applyFilter("ID = 1");
    control<QPushButton>(&screen, ex::kExport)->click();
    EXPECT_EQ(screen.result(), QDialog::Accepted);
    EXPECT_EQ(bytesOf(target), QByteArray("\"Nachname\",\r\n\"Berg\",\r\n"));
}

TEST(ExportScreens, BookingExportKeepsItsColumnsAndWritesAWorkbook) {
    Club club;
    TBuchungsexportF screen(club.data->bookings());
    screen.prepareShow();
    EXPECT_EQ(screen.windowTitle(), QStringLiteral("Buchungsdaten exportieren"));
    ASSERT_NE(screen.findChild<QGroupBox*>("GroupBox6"), nullptr);
    control<QCheckBox>(&screen, ex::columnBox("Kategorie"))->setChecked(false);
    screen.prepareShow();
    EXPECT_FALSE(control<QCheckBox>(&screen, ex::columnBox("Kategorie"))->isChecked());
    control<QRadioButton>(&screen, ex::kExcel)->click();
    const QString target = club.dir.filePath("b.xlsx");
    control<QLineEdit>(&screen, ex::kTarget)->setText(target);
    control<QPushButton>(&screen, ex::kExport)->click();
    EXPECT_TRUE(bytesOf(target).startsWith("PK"));
    // beside it the OpenDocument spreadsheet, as LibreOffice writes by default
    control<QRadioButton>(&screen, ex::kOds)->click();
    EXPECT_EQ(screen.format(), exchange::ExportFormat::Ods);
    const QString ods = club.dir.filePath("b.ods");
    control<QLineEdit>(&screen, ex::kTarget)->setText(ods);
    control<QPushButton>(&screen, ex::kExport)->click();
    EXPECT_EQ(exchange::odsSheetNames(bytesOf(ods)), QStringList{"Buchung"});
}

TEST(ImportScreens, TextImportWithMapping) {
    Club club;
    const QString source = club.dir.filePath("quelle.csv");
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Vorname;Name;Klasse\r\nAnna;Berg;50\r\nBernd;\"Haupt;str\";50\r\n");
    f.close();
    TImportNeuF screen(*club.session, FreeFieldLabels{});
    auto* next = control<QPushButton>(&screen, "Button1");
    EXPECT_FALSE(next->isEnabled());
    screen.chooseSource = [&](QWidget*) { return source; };
    control<QToolButton>(&screen, "SpeedButton1")->click();
    control<QRadioButton>(&screen, "RBSemikolon")->click();
    control<QRadioButton>(&screen, "RBDoppelt")->click();
    EXPECT_TRUE(next->isEnabled());
    auto* preview = control<QTableView>(&screen, "StringGrid1");
    EXPECT_EQ(preview->model()->rowCount(), 2);  // the title line is the heading row
    EXPECT_EQ(preview->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
    EXPECT_EQ(preview->model()->index(1, 1).data().toString(), QStringLiteral("Haupt;str"));
    next->click();

    auto* fields = control<QTableWidget>(&screen, "SGDatenbank");
    auto* sources = control<QTableWidget>(&screen, "SGDatei");
    ASSERT_EQ(fields->rowCount(), 27);
    ASSERT_EQ(sources->rowCount(), 3);
    EXPECT_EQ(sources->item(1, 0)->text(), QStringLiteral("Name"));
    EXPECT_EQ(sources->item(1, 1)->text(), QStringLiteral("Berg"));
    auto pair = [&](const QString& title, int source) {
        selectRow(fields, int(fields->findItems(title, Qt::MatchExactly).first()->row()));
        selectRow(sources, source);
        control<QToolButton>(&screen, "SpeedButton2")->click();
    };
    pair("Vorname", 1);  // replaced below
    pair("Vorname", 0);
    pair("Nachname", 1);
    pair("Beitragsklasse", 2);
    EXPECT_EQ(fields->item(2, 1)->text(), QStringLiteral("Vorname"));
    EXPECT_EQ(fields->item(2, 2)->text(), QStringLiteral("Anna"));
    selectRow(fields, 21);  // Beitragsklasse
    control<QPushButton>(&screen, "Button4")->click();
    EXPECT_TRUE(fields->item(21, 1)->text().isEmpty());

    test::MessageScript answers;
    control<QPushButton>(&screen, "SRColorButton2")->click();
    EXPECT_EQ(answers.texts, QStringList{"2 Mitglieder wurden importiert."});
    EXPECT_EQ(column(club.members(), "Nachname"), (QStringList{"Berg", "Haupt;str"}));
    EXPECT_EQ(column(club.members(), "Betrag"), (QStringList{"", ""}));
    EXPECT_TRUE(control<QPushButton>(&screen, "Bschliessen")->isEnabled());
}

TEST(ImportScreens, AssistantReadsAWorkbookAndKeepsItsMappingForTheNextUse) {
    Club club;
    TWizzardF wizard(*club.session);
    wizard.chooseSource = [](QWidget*) { return kFixtures + "/members.xls"; };
    wizard.show();
    control<QCheckBox>(&wizard, "CBTitelzeile")->click();
    control<QToolButton>(&wizard, "SpeedButton4")->click();
    auto* tables = control<QComboBox>(&wizard, "CBTabellen");
    EXPECT_EQ(tables->count(), 2);
    EXPECT_EQ(tables->currentText(), QStringLiteral("Mitglieder"));
    auto* preview = control<QTableView>(&wizard, "SGDatei");
    EXPECT_EQ(preview->model()->rowCount(), 5);     // one row per source field
    EXPECT_EQ(preview->model()->columnCount(), 3);  // one column per record, the names first
    EXPECT_EQ(preview->model()->index(1, 1).data().toString(), QStringLiteral("Müller"));
    control<QPushButton>(&wizard, "SRColorButton4")->click();

    auto* fields = control<QTableWidget>(&wizard, "SGDatenbank");
    auto* copy = control<QTableView>(&wizard, "SgDatei2");
    ASSERT_EQ(fields->rowCount(), 26);
    auto pair = [&](int field, int source) {
        selectRow(fields, field);
        copy->selectRow(source);
        control<QToolButton>(&wizard, "SpeedButton5")->click();
    };
    pair(1, 1);  // Nachname <- Nachname
    pair(11, 2);  // Geburt <- Geburt
    EXPECT_EQ(fields->item(1, 1)->text(), QStringLiteral("Nachname"));
    EXPECT_EQ(fields->item(1, 2)->text(), QStringLiteral("Müller"));
    test::MessageScript answers;
    control<QPushButton>(&wizard, "SRColorButton12")->click();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_EQ(column(club.members(), "Nachname"), (QStringList{"Müller", "Schäfer"}));

    // The next use shows and applies the same assignments.
    wizard.show();
    control<QToolButton>(&wizard, "SpeedButton4")->click();
    control<QPushButton>(&wizard, "SRColorButton4")->click();
    EXPECT_EQ(fields->item(1, 1)->text(), QStringLiteral("Nachname"));
    control<QPushButton>(&wizard, "SRColorButton12")->click();
    EXPECT_EQ(club.members().recordCount(), 4);
}

// A database table has named columns: the assistant shows and assigns those names, and
// its first record is imported like the others, whatever the title tick says.
TEST(ImportScreens, AssistantMapsADatabaseTableByItsColumnNames) {
    Club club;
    TWizzardF wizard(*club.session);
    wizard.chooseSource = [](QWidget*) { return kFixtures + "/jet4-dates.mdb"; };
    wizard.show();
    control<QCheckBox>(&wizard, "CBTitelzeile")->setChecked(true);
    control<QToolButton>(&wizard, "SpeedButton4")->click();
    control<QPushButton>(&wizard, "SRColorButton4")->click();
    auto* fields = control<QTableWidget>(&wizard, "SGDatenbank");
    auto* copy = control<QTableView>(&wizard, "SgDatei2");
    selectRow(fields, 0);  // Vorname
    copy->selectRow(5);    // ShortTextCol
    control<QToolButton>(&wizard, "SpeedButton5")->click();
    EXPECT_EQ(fields->item(0, 1)->text(), QStringLiteral("ShortTextCol"));
    EXPECT_EQ(fields->item(0, 2)->text(), QStringLiteral("Hello"));
    test::MessageScript answers;
    control<QPushButton>(&wizard, "SRColorButton12")->click();
    EXPECT_EQ(club.members().recordCount(), 6);
    EXPECT_EQ(column(club.members(), "Vorname").value(0), QStringLiteral("Hello"));
}

// A UTF-8 file reads as such without a word from the user; the screen says which
// character set it read and takes another when chosen.
TEST(ImportScreens, TextImportShowsAndTakesTheCharacterSet) {
    Club club;
    const QString source = club.dir.filePath("lo.csv");
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBFVorname;Name\nJ\xC3\xBCrgen;Wei\xC3\x9F\n");
    f.close();
    TImportNeuF screen(*club.session, FreeFieldLabels{});
    screen.chooseSource = [&](QWidget*) { return source; };
    control<QRadioButton>(&screen, "RBSemikolon")->click();
    control<QToolButton>(&screen, "SpeedButton1")->click();
    auto* preview = control<QTableView>(&screen, "StringGrid1");
    EXPECT_EQ(preview->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Vorname"));
    EXPECT_EQ(preview->model()->index(0, 0).data().toString(), QStringLiteral("Jürgen"));
    EXPECT_EQ(control<QLabel>(&screen, "LZeichensatz")->text(), QStringLiteral("gelesen als UTF-8"));
    auto* encoding = control<QComboBox>(&screen, "CBZeichensatz");
    encoding->setCurrentIndex(2);
    emit encoding->activated(2);
    EXPECT_EQ(control<QLabel>(&screen, "LZeichensatz")->text(), QStringLiteral("gelesen als Windows-1252"));
    EXPECT_EQ(preview->model()->index(0, 0).data().toString(), QStringLiteral("JÃ¼rgen"));
}
