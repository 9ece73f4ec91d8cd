// The bank code file: the bank name of a code, its 8-bit code page, the German error
// of a missing file, and the shipped file installed into the application data folder.
#include "members/banklookup.h"
#include "bankfile.h"
#include "data/errors.h"
#include "data/paths.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace ferolind;
using test::bankFile;
using test::writeFile;

namespace {

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

    // An installed package's bank code file comes before the one built in.
    QTemporaryDir share;
    QDir(share.path()).mkpath("ferolind");
    writeFile(QDir(share.path()).filePath("ferolind/blz.asc"), test::bankLine("99999999", "Paketbank (lang)", "Paketbank"));
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", share.path().toUtf8());
    const bool copied = ensureBankCodeFile();
    qputenv("XDG_DATA_DIRS", dirs);
    ASSERT_TRUE(copied);
    EXPECT_EQ(bankNameForCode("99999999"), "Paketbank");
    QFile::remove(path);
}

}  // namespace
