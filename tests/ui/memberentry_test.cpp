// Member entry: the bank code file, and the screen "Mitglieder eingeben/ändern" with
// its lookups, saves, deletions, stepping, search, direct-debit switch and close question.
#include "members/memberentry.h"
#include "club.h"
#include "common/messages.h"
#include "data/errors.h"
#include "data/paths.h"
#include "members/banklookup.h"
#include "members/memberentryrules.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

// Receives the "mailto:" addresses handed to the system.
class MailCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void take(const QUrl& url) { urls << url; }
};

using namespace ferolind;
using ferolind::ui::Answer;
using ferolind::ui::Buttons;
using ferolind::ui::Kind;

namespace {

// One line of a bank code file: code, "1", long name (57), short name (27), BIC (11).
QByteArray bankLine(const char* code, const QByteArray& longName, const QByteArray& shortName) {
    return QByteArray(code).leftJustified(8) + "1" + longName.leftJustified(57, ' ', true) +
           shortName.leftJustified(27, ' ', true) + QByteArray("TESTDEFFXXX");
}

// Three banks; the last line has no line end, the second an umlaut in Windows-1252.
QByteArray bankFile() {
    return bankLine("10000000", "Bundesbank (lang)", "Bundesbank") + "\r\n" +
           bankLine("37050198", "Sparkasse K\xf6ln Bonn (lang)", "Sparkasse K\xf6ln Bonn") + "\r\n" +
           bankLine("76026000", "norisbank GmbH Zweigniederlassung (lang)", "norisbank");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// ------------------------------------------------------------ bank code file

TEST(BankLookup, FindsTheFirstLineContainingTheCodeAndReadsTheShortName) {
    QTemporaryDir dir;
    const QString path = dir.filePath("blz.asc");
    writeFile(path, bankFile());
    const struct {
        const char* code;
        QString name;
    } cases[] = {
        {"10000000", "Bundesbank"},
        {"37050198", QString::fromUtf8("Sparkasse Köln Bonn")},
        {"76026000", "norisbank"},                            // only on the last line, which has no line end
        {"50198", QString::fromUtf8("Sparkasse Köln Bonn")},  // anywhere in the line
        {"12345678", "nicht vorhanden"},
        {"", "nicht vorhanden"},
    };
    for (const auto& c : cases) EXPECT_EQ(bankNameForCode(path, QString::fromLatin1(c.code)), c.name) << c.code;
}

TEST(BankLookup, DecodesWindows1252) {
    EXPECT_EQ(decodeWindows1252(QByteArray("\x80\x84\x93\x94\x96\x9f\xe4\xdf")), QString::fromUtf8("€„“”–Ÿäß"));
}

TEST(BankLookup, MissingFileIsAGermanError) {
    QTemporaryDir dir;
    const QString path = dir.filePath("blz.asc");
    try {
        bankNameForCode(path, "10000000");
        FAIL() << "no error";
    } catch (const DataError& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(path))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("nicht finden")) << e.message().toStdString();
    }
}

TEST(BankLookup, ShippedFileIsInstalledOnceAndWritable) {
    const QString path = bankCodeFilePath();
    QFile::remove(path);
    ASSERT_TRUE(ensureBankCodeFile());
    EXPECT_EQ(bankNameForCode("10000000"), "Bundesbank");
    EXPECT_TRUE(QFileInfo(path).isWritable());
    writeFile(path, bankFile());  // the user's own file stays
    ASSERT_TRUE(ensureBankCodeFile());
    EXPECT_EQ(bankNameForCode("76026000"), "norisbank");
    QFile::remove(path);
}

// ------------------------------------------------------------ the screen

class MemberEntryScreen : public ::testing::Test {
protected:
    test::Club club{QDate(2011, 6, 15)};
    Dataset& members = club.members();
    std::unique_ptr<TDatenEingebenF> screen;
    QStringList messages;   // every message box text, in order
    QList<Answer> answers;  // answers to the questions, in order; No when none left

    void SetUp() override {
        ui::setMessageHandler([this](Kind, const QString& text, Buttons buttons) {
            messages << text;
            if (buttons == Buttons::Ok) return Answer::Ok;
            return answers.isEmpty() ? Answer::No : answers.takeFirst();
        });
        screen = std::make_unique<TDatenEingebenF>(*club.session, nullptr);
    }
    void TearDown() override {
        screen.reset();
        ui::setMessageHandler({});
        QFile::remove(bankCodeFilePath());
    }

    // As the main window shows it: prepared, then shown and active.
    void open() {
        screen->prepareShow();
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }
    template <typename T = QWidget>
    T* get(const char* name) {
        T* w = screen->findChild<T*>(QString::fromLatin1(name));
        if (!w) throw std::runtime_error(std::string("no control ") + name);
        return w;
    }
    QLineEdit* edit(const char* name) { return get<QLineEdit>(name); }
    void focus(QWidget* w) {
        if (auto* tabs = get<QTabWidget>("PageControl1")) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->isAncestorOf(w)) tabs->setCurrentIndex(i);
        }
        w->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    // Enters a field, replaces its text by typing, and leaves it for `next`.
    void type(QWidget* field, const QString& text, QWidget* next = nullptr) {
        focus(field);
        QLineEdit* line = qobject_cast<QLineEdit*>(field);
        if (!line) line = qobject_cast<QComboBox*>(field)->lineEdit();
        line->selectAll();
        if (text.isEmpty())
            QTest::keyClick(line, Qt::Key_Backspace);
        else
            QTest::keyClicks(line, text);
        if (next) focus(next);
    }
    void type(const char* name, const QString& text, const char* next = nullptr) {
        type(get(name), text, next ? get(next) : nullptr);
    }
    void click(const char* name) { get<QAbstractButton>(name)->click(); }
    QString stored(int id, const char* field) {
        const int fId = members.field("ID"), f = members.field(QString::fromLatin1(field));
        for (int i = 0; i < members.totalCount(); ++i)
            if (members.recordAt(i)[fId].toInt() == id)
                return valueToText(members.fields()[f].type, members.recordAt(i)[f]);
        return "<no member>";
    }
    void addFeeClass(const QString& name, const QString& fee) {
        Dataset& c = club.data->feeClasses();
        c.insert();
        c.setText("Name", name);
        c.setText("Beitrag", fee);
        c.post();
    }
    void useBankFile() { writeFile(bankCodeFilePath(), bankFile()); }
};

TEST_F(MemberEntryScreen, NewMemberGetsTownFromPostalCodeAndIsSaved) {
    open();
    click("BNeu");
    EXPECT_EQ(edit("DBID")->text(), "1");
    EXPECT_EQ(edit("DBEintritt")->text(), "15.06.2011");
    EXPECT_EQ(get<QTabWidget>("PageControl1")->currentIndex(), 0);
    EXPECT_TRUE(edit("DBID")->hasFocus());
    EXPECT_TRUE(get("BSpeichern")->isEnabled());

    type("DBEdit2", "Anna");
    type("DBEdit1", "Berg");
    type("DBEdit5", "01067", "DBEdit8");
    EXPECT_EQ(get<QComboBox>("CBOrt")->currentText(), "Dresden");
    EXPECT_EQ(get<QComboBox>("CBOrt")->count(), 1);

    click("BSpeichern");
    EXPECT_FALSE(members.isEditing());
    EXPECT_FALSE(get("BSpeichern")->isEnabled());
    EXPECT_EQ(stored(1, "Nachname"), "Berg");
    EXPECT_EQ(stored(1, "Ort"), "Dresden");
    EXPECT_EQ(stored(1, "EintrittDatum"), "15.06.2011");
    EXPECT_EQ(club.data->lastMemberNumber, 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(MemberEntryScreen, TownLookupFillsOnlyAnEmptyTownOfARecordBeingEdited) {
    club.addMember({{"Vorname", "Browsed"}, {"PLZ", "01454"}});
    open();
    // Browsing: the towns are offered, the member is not changed.
    focus(edit("DBEdit5"));
    focus(edit("DBEdit8"));
    EXPECT_EQ(get<QComboBox>("CBOrt")->count(), 4);
    EXPECT_FALSE(members.isEditing());
    EXPECT_EQ(stored(1, "Ort"), "");

    const struct {
        const char* plz;
        const char* town;
        const char* expectedTown;
        int towns;
    } cases[] = {
        {"01454", "", "Großerkmannsdorf", 4},
        {"01454", "Radeberg", "Radeberg", 4},
        {"01454", "Anderswo", "Anderswo", 4},
        {"00000", "Bonn", "Bonn", 0},  // no such code: list empty, town stays
    };
    for (const auto& c : cases) {
        click("BNeu");
        if (*c.town) type(get("CBOrt"), QString::fromUtf8(c.town));
        type("DBEdit5", c.plz, "DBEdit8");
        EXPECT_EQ(get<QComboBox>("CBOrt")->currentText(), QString::fromUtf8(c.expectedTown)) << c.plz << " " << c.town;
        EXPECT_EQ(get<QComboBox>("CBOrt")->count(), c.towns) << c.plz;
        EXPECT_EQ(members.text("Ort"), QString::fromUtf8(c.expectedTown));
        members.cancel();
    }
}

TEST_F(MemberEntryScreen, BankLookupOnLeavingTheBankCode) {
    useBankFile();
    open();
    click("BNeu");
    const struct {
        const char* code;
        QString bank;
    } cases[] = {
        {"76026000", "norisbank"},  // last line
        {"37050198", QString::fromUtf8("Sparkasse Köln Bonn")},
        {"12345678", "nicht vorhanden"},
        {"", "nicht vorhanden"},
    };
    for (const auto& c : cases) {
        type("DBEdit15", c.code, "DBEdit7");
        EXPECT_EQ(edit("DBEdit16")->text(), c.bank) << c.code;
        EXPECT_EQ(members.text("Bank"), c.bank) << c.code;
    }
    EXPECT_TRUE(messages.isEmpty());

    // A missing file is reported and leaves the bank as it was.
    QFile::remove(bankCodeFilePath());
    type("DBEdit15", "10000000", "DBEdit7");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("blz.asc")) << messages[0].toStdString();
    EXPECT_EQ(members.text("Bank"), "nicht vorhanden");
    EXPECT_EQ(members.text("Bankleitzahl"), "10000000");
}

TEST_F(MemberEntryScreen, BankLookupChangesNothingWhileBrowsing) {
    useBankFile();
    club.addMember({{"Vorname", "Anna"}, {"Bankleitzahl", "10000000"}, {"Bank", "Alte Bank"}});
    open();
    focus(edit("DBEdit15"));
    focus(edit("DBEdit7"));
    EXPECT_FALSE(members.isEditing());
    EXPECT_EQ(edit("DBEdit16")->text(), "Alte Bank");
}

TEST_F(MemberEntryScreen, EditedMemberIsSavedAndDeletionAsksFirst) {
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    club.addMember({{"Vorname", "Bert"}, {"Nachname", "Zander"}});
    club.addPayment(1, 2011);
    members.first();
    open();
    type("DBEdit3", "Hauptstraße 1");
    EXPECT_TRUE(get("BSpeichern")->isEnabled());
    click("BSpeichern");
    EXPECT_EQ(stored(1, "Strasse"), "Hauptstraße 1");

    answers = {Answer::No};
    click("BLoeschen");
    EXPECT_EQ(messages, QStringList{"Mitglied Anna Berg wirklich löschen?"});
    EXPECT_EQ(members.totalCount(), 2);

    answers = {Answer::Yes};
    click("BLoeschen");
    EXPECT_EQ(members.totalCount(), 1);
    EXPECT_EQ(stored(1, "Nachname"), "<no member>");
    EXPECT_EQ(edit("DBEdit1")->text(), "Zander");
    EXPECT_EQ(club.data->feePayments().totalCount(), 1);  // its fee payments stay
}

TEST_F(MemberEntryScreen, CloseQuestionStoresDiscardsOrKeepsTheScreenOpen) {
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Alt"}});
    const struct {
        Answer answer;
        bool closed;
        const char* storedName;
        bool editing;
    } cases[] = {
        {Answer::Yes, true, "Neu", false},
        {Answer::No, true, "Alt", false},
        {Answer::Cancel, false, "Alt", true},
    };
    for (const auto& c : cases) {
        open();
        type("DBEdit1", "Neu");
        messages.clear();
        answers = {c.answer};
        click("BSchliessen");
        EXPECT_EQ(messages, QStringList{"Änderungen speichern beim aktuellen Datensatz?"});
        EXPECT_EQ(screen->isVisible(), !c.closed);
        EXPECT_EQ(stored(1, "Nachname"), c.storedName);
        EXPECT_EQ(members.isEditing(), c.editing);
        members.cancel();
        screen->hide();
        // Back to the stored name for the next case.
        members.edit();
        members.setText("Nachname", "Alt");
        members.post();
    }
}

TEST_F(MemberEntryScreen, WindowCloseAndEscapeAskTheSameQuestion) {
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Alt"}});
    open();
    type("DBEdit1", "Neu");

    answers = {Answer::Cancel};
    screen->close();
    EXPECT_TRUE(screen->isVisible());
    answers = {Answer::Cancel};
    QTest::keyClick(screen.get(), Qt::Key_Escape);
    EXPECT_TRUE(screen->isVisible());
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.value(1), MemberEntryRules::kCloseQuestion);

    answers = {Answer::Yes};
    QTest::keyClick(screen.get(), Qt::Key_Escape);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(stored(1, "Nachname"), "Neu");

    // Nothing to store: no question.
    messages.clear();
    open();
    EXPECT_TRUE(screen->requestClose());
    EXPECT_FALSE(screen->isVisible());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MemberEntryScreen, NewMemberWithoutTypingIsSavedWhenSteppingAway) {
    club.addMember({{"Vorname", "Anna"}});
    club.addMember({{"Vorname", "Bert"}});
    members.first();
    open();
    click("BNeu");
    click("DBNavigator2Prior");
    EXPECT_FALSE(members.isEditing());
    EXPECT_EQ(members.totalCount(), 3);
    EXPECT_EQ(stored(3, "EintrittDatum"), "15.06.2011");
    EXPECT_EQ(club.data->lastMemberNumber, 3);
}

TEST_F(MemberEntryScreen, SteppingSavesUnsavedChangesFirst) {
    club.addMember({{"Vorname", "Anna"}});
    club.addMember({{"Vorname", "Bert"}});
    members.first();
    open();
    focus(edit("DBEdit2"));
    edit("DBEdit2")->selectAll();
    QTest::keyClicks(edit("DBEdit2"), "Anne");  // still in the field: not yet written
    click("DBNavigator2Next");
    EXPECT_EQ(stored(1, "Vorname"), "Anne");
    EXPECT_EQ(edit("DBEdit2")->text(), "Bert");
    click("DBNavigator2Prior");
    EXPECT_EQ(edit("DBEdit2")->text(), "Anne");
    EXPECT_FALSE(members.isEditing());
}

TEST_F(MemberEntryScreen, SearchMatchesWholeValuesOnly) {
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Zander"}});
    club.addMember({{"Vorname", "Bert"}, {"Nachname", "Berg"}});
    club.addMember({{"Vorname", "Carl"}, {"Nachname", "Bergmann"}, {"Sonstiges2", "Kasse"}});
    open();
    const struct {
        const char* field;
        const char* value;
        const char* found;  // Nachname of the current member afterwards
    } cases[] = {
        {"Nachname", "Ber", "Zander"}, {"Nachname", "Berg", "Berg"},        {"Vorname", "Carl", "Bergmann"},
        {"ID", "2", "Berg"},           {"Sonstiges2", "Kasse", "Bergmann"}, {"Ort", "Bonn", "Zander"},
        {"ID", "zwei", "Zander"},      {"Nachname", "", "Zander"},
    };
    for (const auto& c : cases) {
        members.first();
        get<QComboBox>("ComboBox1")->setEditText(c.field);
        edit("EFind")->setText(c.value);
        click("SpeedButton1");
        EXPECT_EQ(edit("DBEdit1")->text(), c.found) << c.field << "=" << c.value;
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MemberEntryScreen, AccountHolderIsFilledOnEnteringItsField) {
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Kontoinhaber", "Otto Schmidt"}});
    open();
    focus(edit("DBEdit17"));
    EXPECT_TRUE(members.isEditing());
    EXPECT_EQ(edit("DBEdit17")->text(), "Anna Berg");
    EXPECT_EQ(members.text("Kontoinhaber"), "Anna Berg");

    type("DBEdit2", "Anne");
    focus(edit("DBEdit17"));
    EXPECT_EQ(members.text("Kontoinhaber"), "Anne Berg");
}

TEST_F(MemberEntryScreen, DirectDebitNeedsCompleteData) {
    addFeeClass("Voll", "12,5");
    // Complete data but no fee class, yet marked for direct debit (an import, say).
    club.addMember({{"Vorname", "Anna"},
                    {"Kontonummer", "123456"},
                    {"Bankleitzahl", "37050198"},
                    {"Kontoinhaber", "Anna Berg"},
                    {"DTAUS", "Wahr"}});
    open();
    auto* box = get<QCheckBox>("DBCheckBox1");
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(get("Label27")->isHidden());
    EXPECT_EQ(members.value("DTAUS").toBool(), false);

    type(get("DBComboBox1"), "Voll");
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(get("Label27")->isHidden());
    EXPECT_EQ(get<QLabel>("Label28")->text(), "12,50 €");
    box->click();
    EXPECT_EQ(members.value("DTAUS").toBool(), true);

    type("DBEdit7", "");  // account number removed while typing
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(members.value("DTAUS").toBool(), false);
}

TEST_F(MemberEntryScreen, SteppingBetweenCompleteMembersChangesNeither) {
    addFeeClass("Voll", "12,5");
    for (const char* name : {"Anna", "Bert"})
        club.addMember({{"Vorname", name},
                        {"Kontonummer", "123456"},
                        {"Bankleitzahl", "37050198"},
                        {"Kontoinhaber", name},
                        {"Betrag", "Voll"},
                        {"DTAUS", "Wahr"}});
    members.first();
    open();
    click("DBNavigator2Next");
    click("DBNavigator2Prior");
    EXPECT_FALSE(members.isEditing());
    EXPECT_TRUE(get<QCheckBox>("DBCheckBox1")->isChecked());
    EXPECT_EQ(stored(1, "DTAUS"), "Wahr");
    EXPECT_EQ(stored(2, "DTAUS"), "Wahr");
}

TEST_F(MemberEntryScreen, WrongFeeClassIsReportedOnLeavingButSaved) {
    addFeeClass("Voll", "12,5");
    club.addMember({{"Vorname", "Anna"}});
    open();
    for (const char* ok : {"Voll", ""}) {
        type(get("DBComboBox1"), ok, edit("DBEdit7"));
        EXPECT_TRUE(messages.isEmpty()) << ok;
    }
    type(get("DBComboBox1"), "Volle", edit("DBEdit7"));
    EXPECT_EQ(messages, QStringList{"Diese Beitragsklasse ist nicht vorhanden"});
    EXPECT_TRUE(get("DBComboBox1")->hasFocus());
    EXPECT_EQ(get<QLabel>("Label28")->text(), "");

    click("BSpeichern");  // the box still has the focus: reported again, saved anyway
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(stored(1, "Betrag"), "Volle");
}

TEST_F(MemberEntryScreen, EmptyMemberNumberIsReportedOnLeavingAndOnSaving) {
    open();
    click("BNeu");
    type("DBID", "", "DBEdit2");
    EXPECT_EQ(messages, QStringList{MemberRules::kEmptyNumberMessage});
    EXPECT_TRUE(edit("DBID")->hasFocus());

    type("DBID", "x1", "DBEdit2");  // not a number: the field says so, nothing else
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.last(), "'x1' ist kein gültiger Integerwert für Feld 'ID'");

    type("DBID", "", "DBEdit2");
    messages.clear();
    click("BSpeichern");
    EXPECT_EQ(club.notices, QStringList{MemberRules::kEmptyNumberMessage});
    EXPECT_EQ(stored(0, "EintrittDatum"), "15.06.2011");
}

TEST_F(MemberEntryScreen, ShowsPaidPeriodsFeeAndFeeButtonOfTheCurrentMember) {
    club.data->settings().DbSettingSetInt("Zahlungszeitraum", 2);
    club.data->settings().DbSettingSetList("Anrede", {"Herrn", "Frau", "Dr."});
    addFeeClass("Voll", "12,5");
    addFeeClass("ermäßigt", "6");
    club.addMember({{"Vorname", "Anna"}, {"Betrag", "Voll"}});
    club.addMember({{"Vorname", "Bert"}});
    club.addPayment(1, 2010);
    club.addPayment(1, 2011);
    members.first();
    bool feeScreenOpened = false;
    screen->openFeePayment = [&] { feeScreenOpened = true; };
    open();
    EXPECT_EQ(get<QPlainTextEdit>("MBeitrag")->toPlainText(), "2010\n2011");
    EXPECT_EQ(get<QLabel>("Label28")->text(), "12,50 €");
    EXPECT_FALSE(get("BBeitragBuchen")->isEnabled());  // paid this year
    EXPECT_TRUE(get("Label29")->isHidden());
    auto* classes = get<QComboBox>("DBComboBox1");
    ASSERT_EQ(classes->count(), 2);
    EXPECT_EQ(classes->itemText(0), "ermäßigt");
    EXPECT_EQ(classes->itemText(1), "Voll");
    auto* salutations = get<QComboBox>("CBAnrede");
    ASSERT_EQ(salutations->count(), 3);
    EXPECT_EQ(salutations->itemText(2), "Dr.");

    click("DBNavigator2Next");
    EXPECT_EQ(get<QPlainTextEdit>("MBeitrag")->toPlainText(), "");
    EXPECT_EQ(get<QLabel>("Label28")->text(), "");
    EXPECT_TRUE(get("BBeitragBuchen")->isEnabled());
    click("BBeitragBuchen");
    EXPECT_TRUE(feeScreenOpened);
    EXPECT_EQ(MemberEntryRules(*club.session).pickText(), "2 -  Bert ");
}

TEST_F(MemberEntryScreen, FeeScreensStayClosedUntilTheyAreThere) {
    club.addMember({{"Vorname", "Anna"}});
    open();
    EXPECT_FALSE(get("BBeitragBuchen")->isEnabled());  // unpaid, but no screen to open
    EXPECT_FALSE(get("BeitragLoeschen")->isEnabled());
    click("BNeu");  // the rules ask for the button: still no screen
    EXPECT_FALSE(get("BBeitragBuchen")->isEnabled());
}

TEST_F(MemberEntryScreen, PaymentDeletionSeesOnlyTheMembersPaymentsAndRefreshesTheList) {
    club.addMember({{"Vorname", "Anna"}});
    club.addMember({{"Vorname", "Bert"}});
    club.addPayment(1, 2010);
    club.addPayment(2, 2010);
    club.addPayment(1, 2011);
    members.first();
    Dataset& payments = club.data->feePayments();
    int seen = -1;
    screen->openFeePaymentDeletion = [&] {
        seen = payments.recordCount();
        payments.first();
        payments.remove();
    };
    open();
    EXPECT_EQ(get<QPlainTextEdit>("MBeitrag")->toPlainText(), "0 - 2010\n0 - 2011");  // monthly view
    click("BeitragLoeschen");
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(payments.filtered());
    EXPECT_EQ(payments.recordCount(), 2);
    EXPECT_EQ(get<QPlainTextEdit>("MBeitrag")->toPlainText(), "0 - 2011");
}

TEST_F(MemberEntryScreen, HandButtonRefillsTheFeeClasses) {
    club.addMember({{"Vorname", "Anna"}});
    screen->openFeeClasses = [&] { addFeeClass("Voll", "12,5"); };
    open();
    EXPECT_FALSE(get("Label29")->isHidden());
    EXPECT_EQ(get<QComboBox>("DBComboBox1")->count(), 0);
    click("SpeedButton4");
    EXPECT_TRUE(get("Label29")->isHidden());
    EXPECT_EQ(get<QComboBox>("DBComboBox1")->count(), 1);
    EXPECT_FALSE(members.isEditing());
}

TEST_F(MemberEntryScreen, EmailButtonStartsAMessage) {
    club.addMember({{"Vorname", "Anna"}, {"Email", "anna@example.org"}});
    MailCatcher mail;
    QDesktopServices::setUrlHandler("mailto", &mail, "take");
    open();
    click("BEMail");
    QDesktopServices::unsetUrlHandler("mailto");
    ASSERT_EQ(mail.urls.size(), 1);
    EXPECT_EQ(mail.urls[0].toString(), "mailto:anna@example.org");
}

TEST_F(MemberEntryScreen, FreeFieldCaptionsFollowTheClubsLabels) {
    FreeFieldLabels labels;
    labels.s[0] = "Abteilung";
    screen->setFreeFieldLabels(labels);
    EXPECT_EQ(get<QLabel>("Label_DBEdit18")->text(), "Abteilung");
    EXPECT_EQ(get<QLabel>("Label_DBEdit21")->text(), "Sonstiges 4");
}

}  // namespace

#include "memberentry_test.moc"
