// Test entry: a Qt application offscreen, the German locale, and settings and data
// folders of its own so that no test touches the real user's settings.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

#include "testsupport.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir home;
    ferolind::test::setSandbox(home.path());
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
