// "einstellungen.reg": the per-user values written as the registry editor exports them
// and read back, also as UTF-8; what cannot be read is refused with the line.
#include "data/errors.h"
#include "data/settings.h"
#include "maintenance/settingsfile.h"
#include "testsupport.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ferolind;

namespace ferolind {
void PrintTo(const SettingsValue& v, std::ostream* os) {
    *os << v.name.toStdString() << '=' << (v.value.isNull() ? "<löschen>" : v.value.typeName()) << ':'
        << v.value.toString().toStdString();
}
}  // namespace ferolind

namespace {

SettingsValues sorted(SettingsValues v) {
    std::sort(v.begin(), v.end(), [](const SettingsValue& a, const SettingsValue& b) { return a.name < b.name; });
    return v;
}

QString textOf(const QByteArray& bytes) {
    return QStringDecoder(QStringDecoder::Utf16LE).decode(QByteArrayView(bytes).sliced(2));
}

}  // namespace

TEST(SettingsFile, ThePerUserValuesRoundTripInTheEditorsForm) {
    test::clearUserSettings();
    RegistrySetString("DBPfad", "C:\\Verein \"Eintracht\"\\Daten");
    RegistrySetString("Sort", "Nachname;Vorname");
    RegistrySetString("WindowState", "12");  // a text even when it looks like a number
    RegistrySetInt("Height", 720);
    RegistrySetInt("BreiteMainStraße", -5);
    RegistrySetInt("DtausWriter/Nummer", 17);
    const SettingsValues now = currentUserSettings();

    const QByteArray bytes = settingsFileBytes(now);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text = textOf(bytes);
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\SOFTWARE\\Brankel Software\\Revode]\r\n"));
    EXPECT_TRUE(text.contains("\"DBPfad\"=\"C:\\\\Verein \\\"Eintracht\\\"\\\\Daten\"\r\n"));
    EXPECT_TRUE(text.contains("\"Height\"=dword:000002d0\r\n"));
    EXPECT_TRUE(text.contains("\"BreiteMainStraße\"=dword:fffffffb\r\n"));
    EXPECT_TRUE(text.contains("\"WindowState\"=\"12\"\r\n"));
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\SOFTWARE\\Brankel Software\\Revode\\DtausWriter]\r\n"
                              "\"Nummer\"=dword:00000011\r\n"));
    EXPECT_FALSE(text.contains(QRegularExpression("[^\r]\n")));

    // Read back (as written, and as UTF-8) and applied to empty settings: the same values.
    EXPECT_EQ(sorted(parseSettingsFile(bytes, "e.reg")), sorted(now));
    EXPECT_EQ(sorted(parseSettingsFile(text.toUtf8(), "e.reg")), sorted(now));
    test::clearUserSettings();
    applyUserSettings(parseSettingsFile(bytes, "e.reg"));
    EXPECT_EQ(sorted(currentUserSettings()), sorted(now));
    EXPECT_EQ(RegistryGetInt("Height"), 720);
    EXPECT_EQ(RegistryGetInt("DtausWriter/Nummer"), 17);

    QTemporaryDir dir;
    writeSettingsFile(dir.filePath("einstellungen.reg"), now);
    EXPECT_EQ(sorted(readSettingsFile(dir.filePath("einstellungen.reg"))), sorted(now));
}

TEST(SettingsFile, ReadsTheEditorsOtherForms) {
    const QByteArray reg =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
        "; Kommentar\n"
        "[HKEY_CURRENT_USER\\Software\\Brankel Software\\Revode]\n"
        "\"Zeilen\"=hex(1):41,00,0d,00,0a,00,\\\n"
        "  42,00,00,00\n"
        "\"Binär\"=hex:01,02\n"
        "@=\"Standard\"\n"
        "\"Weg\"=-\n"
        "\"Gross\"=dword:FFFFFFFF\n";
    const SettingsValues values = parseSettingsFile(reg, "a.reg");
    EXPECT_EQ(values, (SettingsValues{{"Zeilen", QString("A\r\nB")}, {"Weg", QVariant()}, {"Gross", -1}}));
    // A text with a line break goes out in the hex form and comes back.
    EXPECT_EQ(parseSettingsFile(settingsFileBytes(values), "b.reg"), values);
}

TEST(SettingsFile, RefusesWhatItCannotReadWithTheLine) {
    const QByteArray header = "Windows Registry Editor Version 5.00\r\n\r\n";
    const QByteArray key = "[HKEY_CURRENT_USER\\SOFTWARE\\Brankel Software\\Revode]\r\n";
    struct Case {
        const char* what;
        QByteArray bytes;
        int line;
    };
    const QVector<Case> cases{
        {"leer", "", 1},
        {"anderer Kopf", "REGEDIT4\r\n" + key, 1},
        {"fremder Schlüssel", header + "[HKEY_CURRENT_USER\\SOFTWARE\\Andere]\r\n", 3},
        {"Schlüssel löschen", header + "[-HKEY_CURRENT_USER\\SOFTWARE\\Brankel Software\\Revode]\r\n", 3},
        {"Wert ohne Schlüssel", header + "\"A\"=\"b\"\r\n", 3},
        {"Text offen", header + key + "\"A\"=\"b\r\n", 4},
        {"Zahl zu groß", header + key + "\"A\"=dword:100000000\r\n", 4},
        {"keine Zahl", header + key + "\"A\"=dword:xyz\r\n", 4},
        {"unbekannte Form", header + key + "\"A\"=42\r\n", 4},
        {"weder noch", header + key + "A=1\r\n", 4},
        {"kein UTF-8", header + key + "\"A\"=\"\xFF\"\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            parseSettingsFile(c.bytes, "kaputt.reg");
            ADD_FAILURE() << "gelesen";
        } catch (const DataError& e) {
            EXPECT_TRUE(e.message().contains("»kaputt.reg«")) << e.message().toStdString();
            if (c.line) EXPECT_TRUE(e.message().contains(QString("Zeile %1").arg(c.line))) << e.message().toStdString();
        }
    }
}

// A text whose first character is U+FEFF keeps it through the file, quoted or in the hex
// form (which a control character forces): in a value the mark is a character, not a
// byte order mark.
TEST(SettingsFile, ATextBeginningWithTheByteOrderMarkKeepsIt) {
    const QString bom(QChar(0xFEFF));
    const struct {
        const char* what;
        QString text;
    } cases[] = {
        {"quoted", bom + "Eintracht"},
        {"hex, control character", bom + QChar(0x10)},
        {"hex, only the mark and a tab", bom + "\t"},
        {"hex, the mark twice", bom + bom + "\r\nB"},
    };
    for (const auto& c : cases) {
        const SettingsValues values{{"Wert", c.text}};
        const QByteArray bytes = settingsFileBytes(values);
        EXPECT_EQ(parseSettingsFile(bytes, "e.reg"), values) << c.what;
        EXPECT_EQ(parseSettingsFile(textOf(bytes).toUtf8(), "e.reg"), values) << c.what;
    }
    // As a user's file holds it: UTF-8 without a mark of its own, the value quoted.
    const QByteArray file =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\Brankel Software\\Revode]\n"
        "\"t\"=\"\xEF\xBB\xBF\x10\"";
    const SettingsValues read = parseSettingsFile(file, "min.reg");
    ASSERT_EQ(read, (SettingsValues{{"t", bom + QChar(0x10)}}));
    EXPECT_EQ(parseSettingsFile(settingsFileBytes(read), "min.reg"), read);
}
