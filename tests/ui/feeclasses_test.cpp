// Fee classes: renaming and deleting a class reach its members, whoever changes the
// class; the screen's buttons, fields and close question.
#include "members/feeclasses.h"
#include "club.h"
#include "common/bindings.h"
#include "common/messages.h"

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <map>

using namespace ferolind;
using ferolind::ui::Answer;
using ferolind::ui::Buttons;
using ferolind::ui::Kind;
namespace controls = ferolind::ui::feeclasses::controls;

namespace {

using ClassOf = std::map<QString, QString>;  // first name -> fee class

// Four classes and six members: two of A, one each of O'Neil, O and B, one without.
struct ClubWithClasses {
    test::Club club{QDate(2011, 6, 15)};
    Dataset& classes = club.data->feeClasses();
    Dataset& members = club.members();

    ClubWithClasses() {
        for (auto [name, fee] : {std::pair{"A", "12,50"}, {"B", "20"}, {"O'Neil", "5"}, {"O", "1"}}) {
            classes.insert();
            classes.setText("Name", QString::fromUtf8(name));
            classes.setText("Beitrag", QString::fromUtf8(fee));
            classes.post();
        }
        club.addMember({{"Vorname", "Anna"}, {"Nachname", "Albers"}, {"Betrag", "A"}, {"Ort", "Bonn"}});
        club.addMember({{"Vorname", "Bert"}, {"Nachname", "Brandt"}, {"Betrag", "A"}, {"Anrede", "Herrn"}});
        club.addMember({{"Vorname", "Olga"}, {"Betrag", "O'Neil"}});
        club.addMember({{"Vorname", "Otto"}, {"Betrag", "O"}});
        club.addMember({{"Vorname", "Cora"}, {"Betrag", "B"}});
        club.addMember({{"Vorname", "Dora"}});
    }
    static ClassOf initial() {
        return {{"Anna", "A"}, {"Bert", "A"}, {"Olga", "O'Neil"}, {"Otto", "O"}, {"Cora", "B"}, {"Dora", ""}};
    }
    // Every member's class, as stored in the database.
    ClassOf classOfMembers() {
        members.requery();
        ClassOf result;
        const int fName = members.field("Vorname"), fClass = members.field("Betrag");
        for (int i = 0; i < members.totalCount(); ++i)
            result[members.recordAt(i)[fName].toString()] = members.recordAt(i)[fClass].toString();
        return result;
    }
    // Every stored member field except the class.
    QVector<Row> otherMemberData() {
        members.requery();
        QVector<Row> rows;
        const int fClass = members.field("Betrag");
        for (int i = 0; i < members.totalCount(); ++i) {
            Row r = members.recordAt(i).toRow();
            r.remove(fClass);
            rows << r;
        }
        return rows;
    }
    int classCount() const { return classes.totalCount(); }
    void goToClass(const QString& name) {
        if (!classes.locate("Name", {name})) throw std::runtime_error("no class " + name.toStdString());
    }
    void renameCurrent(const QString& to) {
        classes.edit();
        classes.setText("Name", to);
    }
};

// ------------------------------------------------------------ the rules, whoever changes the class

TEST(FeeClassRules, ClassChangesReachExactlyTheMembersOfThatClass) {
    struct Case {
        const char* what;
        std::function<void(ClubWithClasses&)> change;
        ClassOf differences;  // members whose class differs afterwards
        int classesAdded;
    };
    const std::vector<Case> cases = {
        {"rename A to X",
         [](ClubWithClasses& f) {
             f.goToClass("A");
             f.renameCurrent("X");
             f.classes.post();
         },
         {{"Anna", "X"}, {"Bert", "X"}},
         0},
        {"only the amount of A changes",
         [](ClubWithClasses& f) {
             f.goToClass("A");
             f.classes.edit();
             f.classes.setText("Beitrag", "15");
             f.classes.post();
         },
         {},
         0},
        {"a name with an apostrophe is renamed safely",
         [](ClubWithClasses& f) {
             f.goToClass("O'Neil");
             f.renameCurrent("O'Neill");
             f.classes.post();
         },
         {{"Olga", "O'Neill"}},
         0},
        {"editing A is cancelled, then a new class C is saved",
         [](ClubWithClasses& f) {
             f.goToClass("A");
             f.renameCurrent("Z");
             f.classes.cancel();
             f.classes.insert();
             f.classes.setText("Name", "C");
             f.classes.post();
         },
         {},
         1},
        {"moving to another class saves the pending rename first",
         [](ClubWithClasses& f) {
             f.goToClass("B");
             f.renameCurrent("B2");
             f.goToClass("A");
         },
         {{"Cora", "B2"}},
         0},
        {"members hidden by another screen's filter are reached, the filter stays",
         [](ClubWithClasses& f) {
             f.members.applyFilter("Vorname = 'Cora'");
             f.goToClass("A");
             f.renameCurrent("X");
             f.classes.post();
             EXPECT_TRUE(f.members.filtered());
             EXPECT_EQ(f.members.recordCount(), 1);
             EXPECT_EQ(f.members.text("Vorname"), "Cora");
             f.members.clearFilter();
         },
         {{"Anna", "X"}, {"Bert", "X"}},
         0},
        {"deleting B leaves its members without a class",
         [](ClubWithClasses& f) {
             f.goToClass("B");
             f.classes.remove();
         },
         {{"Cora", ""}},
         -1},
        {"deleting a class without members deletes only the class",
         [](ClubWithClasses& f) {
             f.classes.insert();
             f.classes.setText("Name", "Leer");
             f.classes.post();
             f.goToClass("Leer");
             f.classes.remove();
         },
         {},
         0},
        {"a class with an empty name does not take the members without a class",
         [](ClubWithClasses& f) {
             f.classes.insert();
             f.classes.setText("Beitrag", "3");
             f.classes.post();
             f.renameCurrent("Y");
             f.classes.post();
         },
         {},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClubWithClasses f;
        const QVector<Row> otherBefore = f.otherMemberData();
        const int classesBefore = f.classCount();
        c.change(f);
        ClassOf expected = ClubWithClasses::initial();
        for (const auto& [member, cls] : c.differences) expected[member] = cls;
        EXPECT_EQ(f.classOfMembers(), expected);
        EXPECT_EQ(f.otherMemberData(), otherBefore);
        EXPECT_EQ(f.classCount(), classesBefore + c.classesAdded);
    }
}

TEST(FeeClassRules, AMemberBeingEditedIsSavedBeforeItsClassIsRenamed) {
    ClubWithClasses f;
    // The entry screen has Dora in edit mode and just picked class A for her.
    ASSERT_TRUE(f.members.locate("Vorname", {"Dora"}));
    f.members.edit();
    f.members.setText("Betrag", "A");
    f.goToClass("A");
    f.renameCurrent("X");
    f.classes.post();
    EXPECT_FALSE(f.members.isEditing());
    EXPECT_EQ(f.members.text("Vorname"), "Dora");  // the current member stays current
    ClassOf expected = ClubWithClasses::initial();
    expected["Anna"] = expected["Bert"] = expected["Dora"] = "X";
    EXPECT_EQ(f.classOfMembers(), expected);
}

// ------------------------------------------------------------ the screen

struct FeeClassScreen : ::testing::Test {
    ClubWithClasses f;
    TBeitragsklassenF screen{*f.club.session, nullptr};
    QStringList questions;

    void SetUp() override {
        screen.show();
        screen.prepareShow();
    }
    void TearDown() override { ui::setMessageHandler({}); }

    void answer(Answer a) {
        ui::setMessageHandler([this, a](Kind, const QString& text, Buttons) {
            questions << text;
            return a;
        });
    }
    // A control by its object name (controls::...).
    template <typename W = QPushButton>
    W* control(const char* name) {
        W* w = screen.findChild<W*>(name);
        if (!w) throw std::runtime_error(std::string("no control ") + name);
        return w;
    }
    // The text field bound to a fee class field.
    QLineEdit* field(const char* name) {
        auto* e = qobject_cast<QLineEdit*>(ui::BindingSet::controlOf(&screen, QString::fromLatin1(name)));
        if (!e) throw std::runtime_error(std::string("no control for field ") + name);
        return e;
    }
    void typeInto(const char* name, const QString& text) {
        QLineEdit* e = field(name);
        e->selectAll();
        QTest::keyClicks(e, text);
    }
};

TEST_F(FeeClassScreen, TypingAndSavingRenamesTheClassAndItsMembers) {
    f.goToClass("A");
    EXPECT_EQ(field("Name")->text(), "A");
    EXPECT_FALSE(control(controls::kSave)->isEnabled());
    typeInto("Name", "Jugend");
    EXPECT_TRUE(control(controls::kSave)->isEnabled());  // typing started the edit
    QTest::mouseClick(control(controls::kSave), Qt::LeftButton);
    EXPECT_FALSE(control(controls::kSave)->isEnabled());
    EXPECT_FALSE(f.classes.isEditing());
    ClassOf expected = ClubWithClasses::initial();
    expected["Anna"] = expected["Bert"] = "Jugend";
    EXPECT_EQ(f.classOfMembers(), expected);
}

TEST_F(FeeClassScreen, NewClassIsSavedWithoutTouchingMembers) {
    f.goToClass("A");
    typeInto("Name", "Z");
    f.classes.cancel();  // editing A was given up
    QTest::mouseClick(control(controls::kNew), Qt::LeftButton);
    EXPECT_TRUE(control(controls::kSave)->isEnabled());
    typeInto("Name", "Familie");
    typeInto("Beitrag", "30,5");
    QTest::mouseClick(control(controls::kSave), Qt::LeftButton);
    ASSERT_TRUE(f.classes.locate("Name", {"Familie"}));
    EXPECT_EQ(f.classes.value("Beitrag").toLongLong(), 305000);
    EXPECT_EQ(f.classOfMembers(), ClubWithClasses::initial());
    EXPECT_EQ(screen.findChild<QAbstractItemView*>(controls::kGrid)
                  ->model()
                  ->index(f.classes.position(), 1)
                  .data()
                  .toString(),
              "30,50 €");
}

TEST_F(FeeClassScreen, AnAmountThatIsNoNumberIsRefusedAndNothingIsSaved) {
    answer(Answer::Ok);
    f.goToClass("B");
    typeInto("Beitrag", "zwanzig");
    QTest::mouseClick(control(controls::kSave), Qt::LeftButton);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], "'zwanzig' ist kein gültiger Fließkommawert für Feld 'Beitrag'");
    EXPECT_TRUE(control(controls::kSave)->isEnabled());
    f.classes.cancel();
    f.classes.requery();
    f.goToClass("B");
    EXPECT_EQ(f.classes.value("Beitrag").toLongLong(), 200000);
}

TEST_F(FeeClassScreen, DeletingAsksAndOnlyYesDeletes) {
    struct Case {
        Answer answer;
        QString coraAfterwards;
        int classesRemoved;
    };
    // "Nein" first: afterwards B is still there for "Ja".
    for (const Case& c : {Case{Answer::No, "B", 0}, Case{Answer::Yes, "", 1}}) {
        SCOPED_TRACE(c.answer == Answer::Yes ? "Ja" : "Nein");
        questions.clear();
        answer(c.answer);
        f.goToClass("B");
        const int before = f.classCount();
        QTest::mouseClick(control(controls::kDelete), Qt::LeftButton);
        EXPECT_EQ(questions, QStringList{"Möchten Sie diese Beitragsklasse wirklich löschen?"});
        EXPECT_EQ(f.classCount(), before - c.classesRemoved);
        EXPECT_EQ(f.classOfMembers()["Cora"], c.coraAfterwards);
    }
}

TEST_F(FeeClassScreen, ClosingWithUnsavedChangesAsks) {
    struct Case {
        const char* how;
        Answer answer;
        std::function<void(FeeClassScreen&)> close;
        bool closes;
        QString storedName;  // the class's stored name afterwards
        QString annaAfterwards;
    };
    const std::vector<Case> cases = {
        {"Schließen, Ja", Answer::Yes,
         [](FeeClassScreen& t) { QTest::mouseClick(t.control(controls::kClose), Qt::LeftButton); }, true, "Senioren",
         "Senioren"},
        {"Escape, Nein", Answer::No, [](FeeClassScreen& t) { QTest::keyClick(&t.screen, Qt::Key_Escape); }, true, "A",
         "A"},
        {"window close button, Abbrechen", Answer::Cancel, [](FeeClassScreen& t) { t.screen.close(); }, false, "A",
         "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        questions.clear();
        answer(c.answer);
        screen.show();
        screen.prepareShow();
        f.goToClass("A");
        typeInto("Name", "Senioren");
        c.close(*this);
        EXPECT_EQ(questions, QStringList{"Änderungen speichern beim aktuellen Datensatz?"});
        EXPECT_EQ(screen.isVisible(), !c.closes);
        if (!c.closes) {
            EXPECT_TRUE(f.classes.isEditing());
            EXPECT_EQ(field("Name")->text(), "Senioren");
            f.classes.cancel();
        }
        EXPECT_FALSE(f.classes.isEditing());
        EXPECT_TRUE(f.classes.locate("Name", {c.storedName}));
        EXPECT_EQ(f.classOfMembers()["Anna"], c.annaAfterwards);
        if (c.storedName != "A") {  // back to A for the next row
            f.renameCurrent("A");
            f.classes.post();
        }
    }
    // Without changes the screen closes without a question.
    questions.clear();
    screen.show();
    EXPECT_TRUE(screen.requestClose());
    EXPECT_TRUE(questions.isEmpty());
}

}  // namespace
