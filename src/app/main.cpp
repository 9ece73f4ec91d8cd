// Ferolind: start the data module and the main window; the main window's start-up
// sequence opens the club's database when it is first shown.
#include "exchange/sourcechild.h"
#include "common/translations.h"
#include "data/datamodule.h"
#include "mainform.h"
#include "session/session.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv) {
    // Started as the reader of a workbook or database file: read it, answer, and end.
    if (const int rc = ferolind::exchange::sourceReaderMain(argc, argv); rc >= 0) return rc;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ferolind 2011 NET"));
    QApplication::setOrganizationName(QStringLiteral("Brankel Software"));
    // The desktop finds the menu entry and icon of the window by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("ferolind"));
    // One German format on every workstation: dd.MM.yyyy, decimal comma, "€".
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // Qt's own dialogs and menus in German as well.
    if (!ferolind::ui::loadGermanQtTranslations(app))
        qWarning("Qt's German translations are missing (Debian package qt6-translations-l10n).");

    ferolind::DataModule data;
    ferolind::Session session(data);
    TMainForm window(session);
    window.show();
    const int rc = app.exec();
    data.closePostalCodes();  // writes plz.xml into the application folder once
    return rc;
}
