// Member entry: the screen "Mitglieder eingeben/ändern" with its lookups, saves,
// deletions, stepping, search, direct-debit switch and close question. Controls are
// found by the member field they show or by their named constant.
#include "members/memberentry.h"
#include "club.h"
#include "messagescript.h"
#include "common/bindings.h"
#include "common/desktop.h"
#include "common/messages.h"
#include "data/paths.h"
#include "members/banklookup.h"
#include "members/memberentryrules.h"
#include "payments/iban.h"

#include "bankfile.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
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
using test::bankFile;
using test::writeFile;
namespace controls = ferolind::ui::memberentry::controls;

namespace {

// ------------------------------------------------------------ the screen

class MemberEntryScreen : public ::testing::Test {
protected:
    test::Club club{QDate(2011, 6, 15)};
    Dataset& members = club.members();
    std::unique_ptr<TDatenEingebenF> screen;
    test::MessageScript script;  // answers No when no answer is left
    QStringList& messages = script.texts;
    QList<Answer>& answers = script.answers;

    void SetUp() override {
        screen = std::make_unique<TDatenEingebenF>(*club.session, nullptr);
    }
    void TearDown() override {
        screen.reset();
        QFile::remove(bankCodeFilePath());
    }

    // As the main window shows it: prepared, then shown and active.
    void open() {
        screen->prepareShow();
        screen->show();
        screen->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }
    // A control by its object name (controls::...).
    template <typename T = QWidget>
    T* get(const char* name) {
        T* w = screen->findChild<T*>(QString::fromLatin1(name));
        if (!w) throw std::runtime_error(std::string("no control ") + name);
        return w;
    }
    // The control bound to a member field.
    template <typename T = QWidget>
    T* field(const char* name) {
        T* w = qobject_cast<T*>(ui::BindingSet::controlOf(screen.get(), QString::fromLatin1(name)));
        if (!w) throw std::runtime_error(std::string("no control for field ") + name);
        return w;
    }
    QLineEdit* line(const char* name) { return field<QLineEdit>(name); }
    // The caption in front of a control.
    QLabel* captionOf(QWidget* control) {
        for (QLabel* l : screen->findChildren<QLabel*>())
            if (l->buddy() == control) return l;
        throw std::runtime_error("no caption for " + control->objectName().toStdString());
    }
    void focus(QWidget* w) {
        if (auto* tabs = get<QTabWidget>(controls::kPages)) {
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
    // The same with the fields named.
    void type(const char* name, const QString& text, const char* next = nullptr) {
        type(field(name), text, next ? field(next) : nullptr);
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
    click(controls::kNew);
    EXPECT_EQ(line("ID")->text(), "1");
    EXPECT_EQ(line("EintrittDatum")->text(), "15.06.2011");
    EXPECT_EQ(get<QTabWidget>(controls::kPages)->currentIndex(), 0);
    EXPECT_TRUE(line("ID")->hasFocus());
    EXPECT_TRUE(get(controls::kSave)->isEnabled());

    type("Vorname", "Anna");
    type("Nachname", "Berg");
    type("PLZ", "01067", "Telefon1");
    EXPECT_EQ(field<QComboBox>("Ort")->currentText(), "Dresden");
    EXPECT_EQ(field<QComboBox>("Ort")->count(), 1);

    click(controls::kSave);
    EXPECT_FALSE(members.isEditing());
    EXPECT_FALSE(get(controls::kSave)->isEnabled());
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
    focus(line("PLZ"));
    focus(line("Telefon1"));
    EXPECT_EQ(field<QComboBox>("Ort")->count(), 4);
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
        click(controls::kNew);
        if (*c.town) type(field("Ort"), QString::fromUtf8(c.town));
        type("PLZ", c.plz, "Telefon1");
        EXPECT_EQ(field<QComboBox>("Ort")->currentText(), QString::fromUtf8(c.expectedTown)) << c.plz << " " << c.town;
        EXPECT_EQ(field<QComboBox>("Ort")->count(), c.towns) << c.plz;
        EXPECT_EQ(members.text("Ort"), QString::fromUtf8(c.expectedTown));
        members.cancel();
    }
}

TEST_F(MemberEntryScreen, BankLookupOnLeavingTheBankCode) {
    useBankFile();
    open();
    click(controls::kNew);
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
        type("Bankleitzahl", c.code, "Kontonummer");
        EXPECT_EQ(line("Bank")->text(), c.bank) << c.code;
        EXPECT_EQ(members.text("Bank"), c.bank) << c.code;
    }
    EXPECT_TRUE(messages.isEmpty());

    // A missing file is reported and leaves the bank as it was.
    QFile::remove(bankCodeFilePath());
    type("Bankleitzahl", "10000000", "Kontonummer");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("blz.asc")) << messages[0].toStdString();
    EXPECT_EQ(members.text("Bank"), "nicht vorhanden");
    EXPECT_EQ(members.text("Bankleitzahl"), "10000000");
}

TEST_F(MemberEntryScreen, BankLookupChangesNothingWhileBrowsing) {
    useBankFile();
    club.addMember({{"Vorname", "Anna"}, {"Bankleitzahl", "10000000"}, {"Bank", "Alte Bank"}});
    open();
    focus(line("Bankleitzahl"));
    focus(line("Kontonummer"));
    EXPECT_FALSE(members.isEditing());
    EXPECT_EQ(line("Bank")->text(), "Alte Bank");
}

TEST_F(MemberEntryScreen, EditedMemberIsSavedAndDeletionAsksFirst) {
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}});
    club.addMember({{"Vorname", "Bert"}, {"Nachname", "Zander"}});
    club.addPayment(1, 2011);
    members.first();
    open();
    type("Strasse", "Hauptstraße 1");
    EXPECT_TRUE(get(controls::kSave)->isEnabled());
    click(controls::kSave);
    EXPECT_EQ(stored(1, "Strasse"), "Hauptstraße 1");

    answers = {Answer::No};
    click(controls::kDelete);
    EXPECT_EQ(messages, QStringList{"Mitglied Anna Berg wirklich löschen?"});
    EXPECT_EQ(members.totalCount(), 2);

    answers = {Answer::Yes};
    click(controls::kDelete);
    EXPECT_EQ(members.totalCount(), 1);
    EXPECT_EQ(stored(1, "Nachname"), "<no member>");
    EXPECT_EQ(line("Nachname")->text(), "Zander");
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
        type("Nachname", "Neu");
        messages.clear();
        answers = {c.answer};
        click(controls::kClose);
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
    type("Nachname", "Neu");

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
    click(controls::kNew);
    click(controls::kPrior);
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
    focus(line("Vorname"));
    line("Vorname")->selectAll();
    QTest::keyClicks(line("Vorname"), "Anne");  // still in the field: not yet written
    click(controls::kNext);
    EXPECT_EQ(stored(1, "Vorname"), "Anne");
    EXPECT_EQ(line("Vorname")->text(), "Bert");
    click(controls::kPrior);
    EXPECT_EQ(line("Vorname")->text(), "Anne");
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
        get<QComboBox>(controls::kSearchField)->setEditText(c.field);
        get<QLineEdit>(controls::kSearchValue)->setText(c.value);
        click(controls::kFind);
        EXPECT_EQ(line("Nachname")->text(), c.found) << c.field << "=" << c.value;
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MemberEntryScreen, AccountHolderIsFilledOnEnteringItsField) {
    club.addMember({{"Vorname", "Anna"}, {"Nachname", "Berg"}, {"Kontoinhaber", "Otto Schmidt"}});
    open();
    focus(line("Kontoinhaber"));
    EXPECT_TRUE(members.isEditing());
    EXPECT_EQ(line("Kontoinhaber")->text(), "Anna Berg");
    EXPECT_EQ(members.text("Kontoinhaber"), "Anna Berg");

    type("Vorname", "Anne");
    focus(line("Kontoinhaber"));
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
    auto* box = field<QCheckBox>("DTAUS");
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(get(controls::kDirectDebitHint)->isHidden());
    EXPECT_EQ(members.value("DTAUS").toBool(), false);

    type("Betrag", "Voll");
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(get(controls::kDirectDebitHint)->isHidden());
    EXPECT_EQ(get<QLabel>(controls::kFee)->text(), "12,50 €");
    box->click();
    EXPECT_EQ(members.value("DTAUS").toBool(), true);

    type("Kontonummer", "");  // account number removed while typing
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(members.value("DTAUS").toBool(), false);
}

TEST_F(MemberEntryScreen, ABankCodeThatIsNoNumberIsReportedOnLeavingNotWhileTyping) {
    club.addMember({{"Vorname", "Anna"}, {"Bankleitzahl", "37050198"}});
    open();
    focus(line("Bankleitzahl"));
    line("Bankleitzahl")->selectAll();
    QTest::keyClicks(line("Bankleitzahl"), "3705x");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(members.text("Bankleitzahl"), "3705");  // the last text the field could take
    focus(line("Kontoinhaber"));
    EXPECT_EQ(messages, QStringList{"'3705x' ist kein gültiger Integerwert für Feld »Bankleitzahl«"});
    members.cancel();
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
    click(controls::kNext);
    click(controls::kPrior);
    EXPECT_FALSE(members.isEditing());
    EXPECT_TRUE(field<QCheckBox>("DTAUS")->isChecked());
    EXPECT_EQ(stored(1, "DTAUS"), "Wahr");
    EXPECT_EQ(stored(2, "DTAUS"), "Wahr");
}

TEST_F(MemberEntryScreen, AMemberOnlyShownIsNeverChanged) {
    // Marked for direct debit without any account data by another program.
    test::rawSql(club.folder(), {"INSERT INTO mitglieder (ID, Vorname, DTAUS) VALUES (7, 'Anna', 1)"});
    club.data->refreshAll();
    open();
    click(controls::kNext);
    EXPECT_FALSE(field<QCheckBox>("DTAUS")->isEnabled());
    EXPECT_FALSE(get(controls::kDirectDebitHint)->isHidden());
    EXPECT_FALSE(members.isEditing());
    screen->reject();
    EXPECT_EQ(test::rawSql(club.folder(), {"SELECT DTAUS FROM mitglieder WHERE ID = 7"}).toInt(), 1);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MemberEntryScreen, DestroyingTheShownScreenWritesNothing) {
    club.addMember({{"Vorname", "Anna"}});
    open();
    focus(line("Vorname"));
    QTest::keyClicks(line("Vorname"), "x");  // typed, the field not left
    screen.reset();                          // as at the end of the program
    EXPECT_EQ(members.text("Vorname"), "Anna");
    EXPECT_TRUE(messages.isEmpty());
    members.cancel();
}

TEST_F(MemberEntryScreen, AReReadKeepsTheShownMemberAndSaysWhenItIsGone) {
    for (const char* name : {"Anna", "Bert", "Carl"}) club.addMember({{"Vorname", name}});
    members.moveTo(1);
    open();
    // Another workstation changes Bert, adds a member and later deletes Bert.
    test::rawSql(club.folder(), {"UPDATE mitglieder SET Nachname = 'Brandt' WHERE ID = 2",
                                 "INSERT INTO mitglieder (ID, Vorname) VALUES (0, 'Aaron')"});
    club.data->refreshAll();  // what the refresh timer does
    QCoreApplication::processEvents();
    EXPECT_EQ(line("Vorname")->text(), "Bert");
    EXPECT_EQ(line("Nachname")->text(), "Brandt");
    EXPECT_FALSE(members.isEditing());
    EXPECT_TRUE(messages.isEmpty());

    test::rawSql(club.folder(), {"DELETE FROM mitglieder WHERE ID = 2"});
    club.data->refreshAll();
    QCoreApplication::processEvents();
    EXPECT_EQ(messages, QStringList{MemberEntryRules::kMemberGoneMessage});
    EXPECT_NE(line("Vorname")->text(), "Bert");
    EXPECT_EQ(line("Vorname")->text(), members.text("Vorname"));
}

TEST_F(MemberEntryScreen, WrongFeeClassIsReportedOnLeavingButSaved) {
    addFeeClass("Voll", "12,5");
    club.addMember({{"Vorname", "Anna"}});
    open();
    for (const char* ok : {"Voll", ""}) {
        type("Betrag", ok, "Kontonummer");
        EXPECT_TRUE(messages.isEmpty()) << ok;
    }
    type("Betrag", "Volle", "Kontonummer");
    EXPECT_EQ(messages, QStringList{"Diese Beitragsklasse ist nicht vorhanden"});
    EXPECT_TRUE(field("Betrag")->hasFocus());
    EXPECT_EQ(get<QLabel>(controls::kFee)->text(), "");

    click(controls::kSave);  // the box still has the focus: reported again, saved anyway
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(stored(1, "Betrag"), "Volle");
}

TEST_F(MemberEntryScreen, EmptyMemberNumberIsReportedOnLeavingAndOnSaving) {
    open();
    click(controls::kNew);
    type("ID", "", "Vorname");
    EXPECT_EQ(messages, QStringList{MemberRules::kEmptyNumberMessage});
    EXPECT_TRUE(line("ID")->hasFocus());

    type("ID", "x1", "Vorname");  // not a number: the field says so, nothing else
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(messages.last(), "'x1' ist kein gültiger Integerwert für Feld »Mitgliedsnr.«");  // as the screen names it

    type("ID", "", "Vorname");
    messages.clear();
    click(controls::kSave);
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
    EXPECT_EQ(get<QPlainTextEdit>(controls::kPaidPeriods)->toPlainText(), "2010\n2011");
    EXPECT_EQ(get<QLabel>(controls::kFee)->text(), "12,50 €");
    EXPECT_FALSE(get(controls::kBookFee)->isEnabled());  // paid this year
    EXPECT_TRUE(get(controls::kNoFeeClassHint)->isHidden());
    auto* classes = field<QComboBox>("Betrag");
    ASSERT_EQ(classes->count(), 2);
    EXPECT_EQ(classes->itemText(0), "ermäßigt");
    EXPECT_EQ(classes->itemText(1), "Voll");
    auto* salutations = field<QComboBox>("Anrede");
    ASSERT_EQ(salutations->count(), 3);
    EXPECT_EQ(salutations->itemText(2), "Dr.");

    click(controls::kNext);
    EXPECT_EQ(get<QPlainTextEdit>(controls::kPaidPeriods)->toPlainText(), "");
    EXPECT_EQ(get<QLabel>(controls::kFee)->text(), "");
    EXPECT_TRUE(get(controls::kBookFee)->isEnabled());
    click(controls::kBookFee);
    EXPECT_TRUE(feeScreenOpened);
    EXPECT_EQ(MemberEntryRules(*club.session).pickText(), "2 -  Bert ");
}

TEST_F(MemberEntryScreen, FeeScreensStayClosedUntilTheyAreThere) {
    club.addMember({{"Vorname", "Anna"}});
    open();
    EXPECT_FALSE(get(controls::kBookFee)->isEnabled());  // unpaid, but no screen to open
    EXPECT_FALSE(get(controls::kDeletePayments)->isEnabled());
    click(controls::kNew);  // the rules ask for the button: still no screen
    EXPECT_FALSE(get(controls::kBookFee)->isEnabled());
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
    EXPECT_EQ(get<QPlainTextEdit>(controls::kPaidPeriods)->toPlainText(), "0 - 2010\n0 - 2011");  // monthly view
    click(controls::kDeletePayments);
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(payments.filtered());
    EXPECT_EQ(payments.recordCount(), 2);
    EXPECT_EQ(get<QPlainTextEdit>(controls::kPaidPeriods)->toPlainText(), "0 - 2011");
}

TEST_F(MemberEntryScreen, HandButtonRefillsTheFeeClasses) {
    club.addMember({{"Vorname", "Anna"}});
    screen->openFeeClasses = [&] { addFeeClass("Voll", "12,5"); };
    open();
    EXPECT_FALSE(get(controls::kNoFeeClassHint)->isHidden());
    EXPECT_EQ(field<QComboBox>("Betrag")->count(), 0);
    click(controls::kEditFeeClasses);
    EXPECT_TRUE(get(controls::kNoFeeClassHint)->isHidden());
    EXPECT_EQ(field<QComboBox>("Betrag")->count(), 1);
    EXPECT_FALSE(members.isEditing());
}

TEST_F(MemberEntryScreen, EmailButtonStartsAMessage) {
    club.addMember({{"Vorname", "Anna"}, {"Email", "anna@example.org"}});
    MailCatcher mail;
    QDesktopServices::setUrlHandler("mailto", &mail, "take");
    open();
    click(controls::kSendEmail);
    QDesktopServices::unsetUrlHandler("mailto");
    ASSERT_EQ(mail.urls.size(), 1);
    EXPECT_EQ(mail.urls[0].toString(), "mailto:anna@example.org");
}

TEST_F(MemberEntryScreen, EmailButtonWithoutMailProgramOrAddressSaysSo) {
    club.addMember({{"Vorname", "Anna"}, {"Email", "anna@example.org"}});
    QList<QUrl> offered;
    ui::setUrlOpener([&](const QUrl& url) {
        offered << url;
        return false;  // no mail program set up
    });
    open();
    click(controls::kSendEmail);
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0].toString(), "mailto:anna@example.org");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QString::fromUtf8(TDatenEingebenF::kNoMailProgramMessage).arg("anna@example.org"));

    // An address that would add a recipient or a header stays one address.
    messages.clear();
    offered.clear();
    type("Email", "x@y.de?cc=z@w.de");
    click(controls::kSendEmail);
    ASSERT_EQ(offered.size(), 1);
    EXPECT_EQ(offered[0].path(), "x@y.de?cc=z@w.de");
    EXPECT_TRUE(offered[0].query().isEmpty());

    // Without an address nothing is handed on.
    messages.clear();
    offered.clear();
    type("Email", "");
    click(controls::kSendEmail);
    EXPECT_TRUE(offered.isEmpty());
    EXPECT_EQ(messages, QStringList{QString::fromUtf8(TDatenEingebenF::kNoEmailAddressMessage)});
    ui::setUrlOpener({});
}

TEST_F(MemberEntryScreen, ANewlyLearnedSalutationIsOfferedAtOnce) {
    club.data->settings().DbSettingSetList("Anrede", {"Herrn", "Frau"});
    open();
    auto* box = field<QComboBox>("Anrede");
    EXPECT_EQ(box->count(), 2);
    click(controls::kNew);
    type("Anrede", "Dr.");
    type("Nachname", "Berg");
    click(controls::kSave);
    QCoreApplication::processEvents();
    EXPECT_EQ(stored(1, "Anrede"), "Dr.");
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    EXPECT_TRUE(items.contains("Dr.")) << items.join('|').toStdString();
    EXPECT_EQ(box->currentText(), "Dr.");  // the member's own salutation still shown

    // The next new member is offered it without closing the screen.
    click(controls::kNew);
    EXPECT_NE(box->findText("Dr."), -1);
}

TEST_F(MemberEntryScreen, FreeFieldCaptionsFollowTheClubsLabels) {
    FreeFieldLabels labels;
    labels.s[0] = "Abteilung";
    screen->setFreeFieldLabels(labels);
    EXPECT_EQ(captionOf(field("Sonstiges1"))->text(), "Abteilung");
    EXPECT_EQ(captionOf(field("Sonstiges4"))->text(), "Sonstiges 4");
}

}  // namespace

#include "memberentry_test.moc"

namespace {

// The IBAN field on the account page: computed from bank code and account number, a
// typed German IBAN sets both and the bank, anything else is refused and changes nothing.
TEST_F(MemberEntryScreen, TheIbanFieldFollowsTheAccountAndATypedGermanIbanSetsIt) {
    useBankFile();
    club.addMember({{"ID", "7"}, {"Vorname", "Anna"}, {"Bankleitzahl", "10000000"}, {"Kontonummer", "12345"}});
    open();
    QLineEdit* iban = get<QLineEdit>(controls::kIban);
    EXPECT_EQ(iban->text(), groupedIban(*germanIban(10000000, 12345)));
    EXPECT_EQ(iban->text().split(' ').size(), 6) << "groups of four";
    EXPECT_EQ(get<QLabel>(controls::kBic)->text(), "BIC: TESTDEFFXXX");

    // Refused: the message, the record does not change, the typed text and the cursor
    // stay in the field to be corrected.
    const struct {
        const char* typed;
        const char* says;
    } refused[] = {{"DE03 1000 0000 0000 0123 45", "Prüfziffern"},
                   {"GB82 WEST 1234 5698 7654 32", "kann nicht gespeichert werden"}};
    for (const auto& r : refused) {
        messages.clear();
        type(iban, QString::fromUtf8(r.typed), line("Kontoinhaber"));
        ASSERT_EQ(messages.size(), 1) << r.typed;
        EXPECT_TRUE(messages[0].contains(QString::fromUtf8(r.says))) << messages[0].toStdString();
        EXPECT_EQ(members.text("Bankleitzahl"), "10000000");
        EXPECT_EQ(members.text("Kontonummer"), "12345");
        EXPECT_EQ(iban->text(), QString::fromUtf8(r.typed));
        EXPECT_TRUE(iban->hasFocus()) << r.typed;
    }

    // A German IBAN sets bank code, account number and bank name.
    messages.clear();
    type(iban, "de71 3705 0198 0532 0130 00", line("Kontoinhaber"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(members.text("Bankleitzahl"), "37050198");
    EXPECT_EQ(members.text("Kontonummer"), "532013000");
    EXPECT_EQ(line("Bankleitzahl")->text(), "37050198");
    EXPECT_EQ(line("Kontonummer")->text(), "532013000");
    EXPECT_EQ(members.text("Bank"), QString::fromUtf8("Sparkasse Köln Bonn"));
    EXPECT_EQ(iban->text(), groupedIban(*germanIban(37050198, 532013000)));
    click(controls::kSave);
    EXPECT_EQ(stored(7, "Kontonummer"), "532013000");

    // Typing the account number changes the IBAN shown.
    type("Kontonummer", "1", "Kontoinhaber");
    EXPECT_EQ(iban->text(), groupedIban(*germanIban(37050198, 1)));
}

// The BIC appears beside the IBAN with room between them, and the screen keeps its size.
TEST_F(MemberEntryScreen, TheBicAppearsApartFromTheIbanWithoutWideningTheScreen) {
    useBankFile();
    club.addMember({{"ID", "7"}, {"Vorname", "Anna"}});
    club.addMember({{"ID", "8"}, {"Vorname", "Ben"}, {"Bankleitzahl", "10000000"}, {"Kontonummer", "12345"}});
    members.first();
    open();
    QLabel* bic = get<QLabel>(controls::kBic);
    QLineEdit* iban = get<QLineEdit>(controls::kIban);
    ASSERT_EQ(bic->text(), "");
    focus(iban);
    const QSize before = screen->sizeHint();
    const QSize shownBefore = screen->size();
    click(controls::kNext);
    QCoreApplication::processEvents();
    ASSERT_EQ(bic->text(), "BIC: TESTDEFFXXX");
    EXPECT_EQ(screen->sizeHint(), before);
    EXPECT_EQ(screen->size(), shownBefore);
    const int gap = bic->mapTo(screen.get(), QPoint(0, 0)).x() - iban->mapTo(screen.get(), QPoint(iban->width(), 0)).x();
    EXPECT_GE(gap, 6) << gap;
    EXPECT_EQ(QFontMetrics(bic->font()).elidedText(bic->text(), Qt::ElideRight, bic->width()), bic->text());
}

}  // namespace
