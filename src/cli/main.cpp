#include "cli.h"

#include <QCoreApplication>
#include <QLocale>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTextStream out(stdout), err(stderr);
    const int rc = ferolind::runCli(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return rc;
}
