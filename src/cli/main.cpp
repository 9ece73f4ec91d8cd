#include "exchange/sourcechild.h"
#include "cli.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    // Started as the reader of a workbook or database file: read it, answer, and end.
    if (const int rc = ferolind::exchange::sourceReaderMain(argc, argv); rc >= 0) return rc;
    // Printing measures text with the fonts, which needs the GUI part of Qt; without a
    // display it draws offscreen.
    int command = 1;
    if (argc > 2 && QByteArray(argv[1]) == "--db") command = 3;
    bool printing = argc > command && (QByteArray(argv[command]) == "print" || QByteArray(argv[command]) == "letters");
    // So do the DTAUS commands when they draw the cover sheet, and the SEPA run its pre-notification.
    for (int i = command; i < argc && !printing; ++i)
        printing = QByteArray(argv[i]) == "--cover-sheet" || QByteArray(argv[i]) == "--prenotification";
    if (printing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app =
        printing ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTextStream out(stdout), err(stderr);
    bool leaveFast = false;
    const int rc = ferolind::runCliLeavingRows(app->arguments().mid(1), out, err, leaveFast);
    out.flush();
    err.flush();
    if (leaveFast) {
        // A read-only run: every file the command wrote is closed, the club file holds all
        // it committed (nothing), and its connection only reads. Ending here skips freeing
        // the rows and the connection; the system closes the file.
        std::fflush(nullptr);
        std::_Exit(rc);
    }
    return rc;
}
