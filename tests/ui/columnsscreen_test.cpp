// Visible member columns: the stored bit set, the moves of the column screen, the
// free-field labels, and the screen's OK and the ways of closing it.
#include "members/columnsscreen.h"
#include "club.h"
#include "common/messages.h"
#include "members/columnsettings.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <functional>

using namespace ferolind;
namespace controls = ferolind::ui::columnsscreen::controls;

namespace {

constexpr quint32 bit(int i) { return 1u << i; }

TEST(VisibleColumns, MovingEntriesSetsAndClearsTheBitsOfTheirColumns) {
    FreeFieldLabels ortAsLabel;
    ortAsLabel.s[0] = "Ort";  // free field 1 (column 23) under the title of column 7
    struct Case {
        const char* what;
        quint32 bits;
        QStringList selected;
        bool show;
        FreeFieldLabels labels;
        quint32 expected;
    };
    const std::vector<Case> cases = {
        {"PLZ and Ort shown together",
         kAllMemberColumns & ~(bit(6) | bit(7)),
         {"PLZ", "Ort"},
         true,
         {},
         kAllMemberColumns},
        {"only 'Beitrag akt. bez.' hidden",
         kAllMemberColumns,
         {"Beitrag akt. bez."},
         false,
         {},
         kAllMemberColumns & ~bit(28)},
        {"a label equal to another title moves the first column with that title",
         kAllMemberColumns,
         {"Ort"},
         false,
         ortAsLabel,
         kAllMemberColumns & ~bit(7)},
        {"showing the second 'Ort' again sets the already set first bit: nothing changes",
         kAllMemberColumns & ~bit(23),
         {"Ort"},
         true,
         ortAsLabel,
         kAllMemberColumns & ~bit(23)},
        {"showing an already shown entry leaves the set intact",
         kAllMemberColumns & ~bit(3),
         {"ID", "Vorname"},
         true,
         {},
         kAllMemberColumns & ~bit(3)},
        {"hiding an already hidden entry leaves the set intact",
         bit(0) | bit(2),
         {"Nachname"},
         false,
         {},
         bit(0) | bit(2)},
        {"an entry matching no title changes nothing", bit(5), {"Sonstiges 9", ""}, true, {}, bit(5)},
        {"relabelled free fields are found under their labels",
         0,
         {"Abteilung", "Jubiläum"},
         true,
         [] {
             FreeFieldLabels l;
             l.s[3] = "Abteilung";
             return l;
         }(),
         bit(26) | bit(27)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(moveEntries(c.bits, c.selected, memberColumnTitles(c.labels), c.show), c.expected);
    }
}

TEST(VisibleColumns, ListsSplitTheTitlesInColumnOrder) {
    const QStringList titles = memberColumnTitles();
    const ColumnLists hidden = columnLists(kAllMemberColumns & ~(bit(7) | bit(6) | bit(28)), titles);
    EXPECT_EQ(hidden.rest, (QStringList{"PLZ", "Ort", "Beitrag akt. bez."}));
    EXPECT_EQ(hidden.shown.size(), 26);
    EXPECT_EQ(hidden.shown.first(), "ID");
    EXPECT_EQ(hidden.shown.last(), "Jubiläum");
    const ColumnLists all = columnLists(kAllMemberColumns, titles);
    EXPECT_EQ(all.shown, titles);
    EXPECT_TRUE(all.rest.isEmpty());
    EXPECT_EQ(columnLists(0, titles).rest, titles);
}

TEST(VisibleColumns, StoredValueIsReadBackAndAMissingOrBrokenOneShowsAll) {
    struct Case {
        const char* what;
        std::function<void()> store;
        quint32 expected;
    };
    const std::vector<Case> cases = {
        {"no stored value", [] {}, kAllMemberColumns},
        {"all stored", [] { saveVisibleColumns(kAllMemberColumns); }, kAllMemberColumns},
        {"bit 28 cleared", [] { saveVisibleColumns(kAllMemberColumns & ~bit(28)); }, kAllMemberColumns & ~bit(28)},
        {"every column hidden", [] { saveVisibleColumns(0); }, 0},
        {"no number", [] { RegistrySetString("SpaltenMitglieder", "viele"); }, kAllMemberColumns},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::clearUserSettings();
        c.store();
        EXPECT_EQ(loadVisibleColumns(), c.expected);
    }
    test::clearUserSettings();
    saveVisibleColumns(kAllMemberColumns);
    EXPECT_EQ(RegistryGetInt("SpaltenMitglieder"), 536870911);
}

TEST(FreeFieldLabelSetup, EmptyLabelsGetTheirDefaultAndAllFourAreWritten) {
    test::Club club;
    SettingsStore& s = club.data->settings();
    s.DbSettingSet("S2", "Abteilung");
    const FreeFieldLabels labels = setupFreeFieldLabels(s);
    const QStringList expected = {"Sonstiges 1", "Abteilung", "Sonstiges 3", "Sonstiges 4"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(labels.s[i], expected[i]);
        EXPECT_EQ(s.DbSettingGet(QStringLiteral("S%1").arg(i + 1)), expected[i]);
    }
    // Without an open database: the defaults, and nothing to write to.
    club.data->settingsEntries().close();
    const FreeFieldLabels closed = setupFreeFieldLabels(s);
    EXPECT_EQ(closed.s[1], "Sonstiges 2");
}

// ------------------------------------------------------------ the screen

struct ColumnScreen : ::testing::Test {
    test::Club club;
    TZellenZeigenF screen{*club.session, nullptr};

    void TearDown() override { ferolind::ui::setMessageHandler({}); }

    template <typename W>
    W* control(const char* name) {
        W* w = screen.findChild<W*>(name);
        if (!w) throw std::runtime_error(std::string("no control ") + name);
        return w;
    }
    QStringList entries(const char* list) {
        QStringList t;
        auto* l = control<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i) t << l->item(i)->text();
        return t;
    }
    void select(const char* list, const QStringList& texts) {
        auto* l = control<QListWidget>(list);
        l->clearSelection();
        for (const QString& t : texts) {
            const auto found = l->findItems(t, Qt::MatchExactly);
            ASSERT_FALSE(found.isEmpty()) << t.toStdString();
            found.first()->setSelected(true);
        }
    }
    void open(quint32 bits) {
        screen.setVisibleColumns(bits);
        screen.setTitles(memberColumnTitles(setupFreeFieldLabels(club.data->settings())));
        screen.show();
        screen.prepareShow();
    }
};

TEST_F(ColumnScreen, ShowingFillsListsAndLabelsFromTheStoredValues) {
    club.data->settings().DbSettingSet("S3", "Jugend");
    open(kAllMemberColumns & ~(bit(6) | bit(7)));
    EXPECT_EQ(entries(controls::kRest), (QStringList{"PLZ", "Ort"}));
    EXPECT_EQ(entries(controls::kShown).size(), 27);
    EXPECT_EQ(control<QLineEdit>(controls::kLabels[2])->text(), "Jugend");
    EXPECT_EQ(control<QLineEdit>(controls::kLabels[0])->text(), "Sonstiges 1");

    select(controls::kRest, {"PLZ", "Ort"});
    QTest::mouseClick(control<QToolButton>(controls::kShow), Qt::LeftButton);
    EXPECT_TRUE(entries(controls::kRest).isEmpty());
    EXPECT_EQ(entries(controls::kShown).mid(5, 3), (QStringList{"Land", "PLZ", "Ort"}));  // back in column order
    EXPECT_EQ(screen.workingColumns(), kAllMemberColumns);
}

TEST_F(ColumnScreen, EveryWayOfClosingStoresTheLabelsButOnlyOkTheColumns) {
    struct Case {
        const char* how;
        std::function<void(ColumnScreen&)> close;
        bool accepts;
    };
    const std::vector<Case> cases = {
        {"OK", [](ColumnScreen& t) { QTest::mouseClick(t.control<QPushButton>(controls::kOk), Qt::LeftButton); }, true},
        {"Abbrechen",
         [](ColumnScreen& t) { QTest::mouseClick(t.control<QPushButton>(controls::kCancel), Qt::LeftButton); }, false},
        {"Escape", [](ColumnScreen& t) { QTest::keyClick(&t.screen, Qt::Key_Escape); }, false},
        {"window close button", [](ColumnScreen& t) { t.screen.close(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        club.data->settings().DbSettingSet("S1", "Sonstiges 1");
        open(kAllMemberColumns);
        QSignalSpy closed(&screen, &TZellenZeigenF::closedWithLabels);
        select(controls::kShown, {"Beitrag akt. bez."});
        QTest::mouseClick(control<QToolButton>(controls::kHide), Qt::LeftButton);
        EXPECT_EQ(entries(controls::kRest), QStringList{"Beitrag akt. bez."});
        auto* es1 = control<QLineEdit>(controls::kLabels[0]);
        es1->selectAll();
        QTest::keyClicks(es1, "Vereinsabteilung");

        c.close(*this);

        EXPECT_FALSE(screen.isVisible());
        EXPECT_EQ(closed.count(), 1);
        EXPECT_EQ(club.data->settings().DbSettingGet("S1"), "Vereinsabteilung");
        EXPECT_EQ(screen.visibleColumns(), c.accepts ? kAllMemberColumns & ~bit(28) : kAllMemberColumns);
    }
}

TEST_F(ColumnScreen, AnEmptiedLabelIsStoredEmptyAndTheSetupRestoresItsDefault) {
    open(kAllMemberColumns);
    control<QLineEdit>(controls::kLabels[1])->clear();
    QTest::mouseClick(control<QPushButton>(controls::kOk), Qt::LeftButton);
    EXPECT_EQ(club.data->settings().DbSettingGet("S2"), "");
    EXPECT_EQ(setupFreeFieldLabels(club.data->settings()).s[1], "Sonstiges 2");
    EXPECT_EQ(club.data->settings().DbSettingGet("S2"), "Sonstiges 2");
}

}  // namespace
