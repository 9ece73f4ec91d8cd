// ferolind-demo DIR [MEMBERS [BOOKINGS [PAYMENTS]]]: writes a demo club into DIR/db.mdb.
#include "data/errors.h"
#include "democlub.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList a = app.arguments();
    if (a.size() < 2) {
        err << "Aufruf: ferolind-demo VERZEICHNIS [MITGLIEDER [BUCHUNGEN [BEITRAGSZAHLUNGEN]]]\n";
        return 1;
    }
    ferolind::demo::Size size;
    if (a.size() > 2) size.members = a[2].toInt();
    if (a.size() > 3) size.bookings = a[3].toInt();
    if (a.size() > 4) size.payments = a[4].toInt();
    try {
        ferolind::demo::createDemoClub(a[1], size);
    } catch (const ferolind::DataError& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
