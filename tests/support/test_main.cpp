// Test entry: a Qt application offscreen, the German locale, and settings and data
// folders of its own so that no test touches the real user's settings.
#include "exchange/sourcechild.h"
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

#include "testsupport.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string_view>

int main(int argc, char** argv) {
    // Started as the reader of a workbook or database file: read it, answer, and end.
    if (const int rc = ferolind::exchange::sourceReaderMain(argc, argv); rc >= 0) return rc;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir home;
    ferolind::test::setSandbox(home.path());
    // The process locale of a German desktop (Qt takes it from the environment at start);
    // FEROLIND_TEST_LOCALE names another one.
    const char* wanted = std::getenv("FEROLIND_TEST_LOCALE");
    if (!wanted || !*wanted) wanted = "de_DE.UTF-8";
    qputenv("LC_ALL", wanted);
    qputenv("LANG", wanted);
    QApplication app(argc, argv);
    const char* got = std::setlocale(LC_ALL, nullptr);
    if (std::string_view(wanted) != "C" && (!got || std::string_view(got) == "C")) {
        std::fprintf(stderr, "The locale %s is not installed; run `make deps` (scripts/install-deps.sh).\n", wanted);
        return 2;
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
