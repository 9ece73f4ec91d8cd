// The club-wide settings entries and the per-user values: encodings, defaults, one row
// per name, and the clearing operations.
#include "data/settings.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/postalcodes.h"
#include "data/values.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace ferolind;

namespace {

struct Store {
    QTemporaryDir dir;
    DataModule dm;
    Store() {
        createDatabase(dir.path());
        dm.openFolder(dir.path());
    }
    SettingsStore& s() { return dm.settings(); }
    QString raw(const QString& name) {
        Dataset& b = dm.settingsEntries();
        b.requery();
        QStringList found;
        for (int p = 0; p < b.recordCount(); ++p)
            if (b.rowAt(p)[b.field("Name")].toString() == name) found << b.rowAt(p)[b.field("Inhalt")].toString();
        return found.join('|');
    }
    void putRaw(const QString& name, const QString& content) {
        Dataset& b = dm.settingsEntries();
        b.insert();
        b.setText("Name", name);
        b.setText("Inhalt", content);
        b.post();
    }
};

}  // namespace

TEST(ClubSettings, EncodingsAndDefaults) {
    Store st;
    SettingsStore& s = st.s();
    EXPECT_EQ(s.DbSettingGet("fehlt"), "");
    EXPECT_EQ(s.DbSettingGetInt("fehlt"), 0);
    EXPECT_FALSE(s.DbSettingGetBool("fehlt"));
    EXPECT_TRUE(s.DbSettingGetList("fehlt").isEmpty());
    EXPECT_TRUE(s.DbSettingGetStream("fehlt").isEmpty());
    EXPECT_EQ(s.AccountBalanceGet("Kasse"), 0);

    s.DbSettingSetInt("Refresh", -60);
    EXPECT_EQ(st.raw("Refresh"), "-60");
    EXPECT_EQ(s.DbSettingGetInt("Refresh"), -60);
    st.putRaw("kaputt", "abc");
    EXPECT_EQ(s.DbSettingGetInt("kaputt"), 0);

    s.DbSettingSetBool("vorlaeufig", true);
    EXPECT_EQ(st.raw("vorlaeufig"), "-1");
    s.DbSettingSetBool("vorlaeufig", false);
    EXPECT_EQ(st.raw("vorlaeufig"), "0");

    s.DbSettingSetList("Anrede", {"Herrn", "Frau", "Dr."});
    EXPECT_EQ(st.raw("Anrede"), "Herrn\r\nFrau\r\nDr.\r\n");
    EXPECT_EQ(s.DbSettingGetList("Anrede"), (QStringList{"Herrn", "Frau", "Dr."}));
    s.DbSettingSetList("leer", {"", "b"});
    EXPECT_EQ(s.DbSettingGetList("leer"), (QStringList{"", "b"}));

    const QByteArray bytes("\x00\x01\xff text\r\n", 10);
    s.DbSettingSetStream("Layout", bytes);
    EXPECT_EQ(s.DbSettingGetStream("Layout"), bytes);
    s.DbSettingSetStream("Text", "Grüße");
    EXPECT_EQ(st.raw("Text"), "Grüße");
}

TEST(ClubSettings, BooleanReadingTable) {
    Store st;
    const struct {
        const char* stored;
        bool expected;
    } cases[] = {{"-1", true}, {"1", true},      {"True", true},   {"true", true}, {"TRUE", true}, {"2", true},
                 {"0", false}, {"False", false}, {"false", false}, {"ja", false},  {"", false}};
    int n = 0;
    for (const auto& c : cases) {
        const QString name = QString("b%1").arg(n++);
        if (*c.stored) st.putRaw(name, c.stored);
        EXPECT_EQ(st.s().DbSettingGetBool(name), c.expected) << c.stored;
    }
}

TEST(ClubSettings, AmountsUseTheDecimalCommaAndAreExact) {
    Store st;
    SettingsStore& s = st.s();
    s.AccountBalanceSet("Kasse", 125000);  // 12,50
    EXPECT_EQ(st.raw("kontostand_Kasse"), "12,5");
    EXPECT_EQ(s.AccountBalanceGet("Kasse"), 125000);
    s.AccountStartValueSet("Bank", -12345678);
    EXPECT_EQ(st.raw("startwert_Bank"), "-1234,5678");
    EXPECT_EQ(s.AccountStartValueGet("Bank"), -12345678);
    // A hundred thousand small additions drift by nothing.
    Money m = 0;
    for (int i = 0; i < 100000; ++i) m += *parseMoney("0,1");
    EXPECT_EQ(moneyToPlain(m), "10000");
    st.putRaw("kontostand_Alt", "0,00005");  // rounds to even
    EXPECT_EQ(s.AccountBalanceGet("Alt"), 0);
    st.putRaw("kontostand_Alt2", "0,00015");
    EXPECT_EQ(s.AccountBalanceGet("Alt2"), 2);
    st.putRaw("kontostand_Kaputt", "zwölf");
    EXPECT_EQ(s.AccountBalanceGet("Kaputt"), 0);
}

TEST(ClubSettings, OneRowPerNameAndTheFirstRowWins) {
    Store st;
    SettingsStore& s = st.s();
    s.DbSettingSet("Name", "Turnverein");
    s.DbSettingSet("Name", "Sportverein");
    EXPECT_EQ(st.raw("Name"), "Sportverein");
    st.putRaw("Doppelt", "eins");
    st.putRaw("Doppelt", "zwei");
    EXPECT_EQ(s.DbSettingGet("Doppelt"), "eins");
    s.DbSettingSet("Doppelt", "drei");
    EXPECT_EQ(st.raw("Doppelt"), "drei|zwei");
    // Names with quotes are just names.
    s.DbSettingSet("kontostand_O'Neil", "1");
    EXPECT_EQ(s.DbSettingGet("kontostand_O'Neil"), "1");
}

TEST(ClubSettings, ClearingOperations) {
    Store st;
    SettingsStore& s = st.s();
    s.DbSettingSetList("bestandskonten", {"Kasse", "Bank"});
    s.DbSettingSetInt("LastBuchungsID", 40);
    s.AccountBalanceSet("Kasse", 10000);
    s.AccountBalanceSet("Bank", 20000);
    s.AccountStartValueSet("Kasse", 5000);
    s.AccountValuesClear();
    EXPECT_EQ(st.raw("kontostand_Kasse"), "");
    EXPECT_EQ(st.raw("kontostand_Bank"), "");
    EXPECT_EQ(st.raw("startwert_Kasse"), "");
    EXPECT_EQ(s.DbSettingGetList("bestandskonten"), (QStringList{"Kasse", "Bank"}));
    EXPECT_EQ(s.DbSettingGetInt("LastBuchungsID"), 40);
    s.DbSettingClearAll();
    EXPECT_EQ(st.dm.settingsEntries().recordCount(), 0);
}

TEST(ClubSettings, AClosedStoreReadsDefaultsAndDropsWrites) {
    test::clearUserSettings();
    DataModule dm;  // nothing opened
    dm.settings().DbSettingSetInt("Refresh", 60);
    EXPECT_EQ(dm.settings().DbSettingGetInt("Refresh"), 0);
    dm.settings().AccountBalanceSet("Kasse", 1);
    EXPECT_EQ(dm.settings().AccountBalanceGet("Kasse"), 0);
}

TEST(UserSettings, TextAndIntegerValues) {
    test::clearUserSettings();
    EXPECT_EQ(RegistryGetInt("Height"), 0);
    EXPECT_EQ(RegistryGetString("DBPfad"), "");
    EXPECT_FALSE(RegistryHasValue("SpaltenMitglieder"));
    RegistrySetInt("Height", 600);
    RegistrySetString("DBPfad", "/srv/verein");
    RegistrySetString("Sort", "Nachname");
    RegistrySetInt("BreiteMainBEmpfänger/Absender", 80);  // a title with a slash
    EXPECT_EQ(RegistryGetInt("Height"), 600);
    EXPECT_EQ(RegistryGetString("DBPfad"), "/srv/verein");
    EXPECT_EQ(RegistryGetInt("Sort"), 0);  // a text is no integer
    EXPECT_EQ(RegistryGetInt("BreiteMainBEmpfänger/Absender"), 80);
    EXPECT_TRUE(RegistryHasValue("Height"));
}

TEST(PostalCodes, LookupInTableOrder) {
    test::clearUserSettings();
    DataModule dm;
    EXPECT_EQ(townsForPostalCode(dm.postalCodes(), "01067"), QStringList{"Dresden"});
    const QStringList many = townsForPostalCode(dm.postalCodes(), "14913");
    EXPECT_GT(many.size(), 50);
    EXPECT_EQ(many, [&] {
        // The table order of the shipped rows.
        QStringList t;
        for (const Row& r : shippedPostalCodes())
            if (r[0].toString() == "14913") t << r[1].toString();
        return t;
    }());
    for (const char* none : {"00000", "", "0106", "01067'", "*"})
        EXPECT_TRUE(townsForPostalCode(dm.postalCodes(), none).isEmpty()) << none;
    // Ascending codes, and the table is there without any database.
    const QVector<Row> rows = shippedPostalCodes();
    ASSERT_GT(rows.size(), 19000);
    for (int i = 1; i < rows.size(); ++i) ASSERT_LE(rows[i - 1][0].toString(), rows[i][0].toString());
}

TEST(PostalCodes, FileIsWrittenOnceWhenTheTableCloses) {
    test::clearUserSettings();
    QTemporaryDir appdata;
    qputenv("FEROLIND_APPDATA", appdata.path().toUtf8());
    const QString file = QDir(appdata.path()).filePath("plz.xml");
    {
        DataModule dm;
        townsForPostalCode(dm.postalCodes(), "01067");  // a lookup leaves a filter behind
        dm.closePostalCodes();
    }
    ASSERT_TRUE(QFile::exists(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray xml = f.readAll();
    EXPECT_GT(xml.count("<z:row"), 19000);  // the whole table, not the last lookup
    f.close();
    QFile::remove(file);
    QFile marker(file);
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write("eigene");
    marker.close();
    {
        DataModule dm;
        dm.closePostalCodes();
    }
    ASSERT_TRUE(marker.open(QIODevice::ReadOnly));
    EXPECT_EQ(marker.readAll(), "eigene");  // an existing file is left alone
    qputenv("FEROLIND_APPDATA", QDir(qEnvironmentVariable("HOME")).filePath("appdata").toUtf8());
}
