// The child the crash test kills: opens the club in FOLDER as ferolind-cli does and adds
// members until it is killed, printing each member's ID once its store has returned.
// Ends by itself after a minute, or at once when its parent dies.
//   ferolind-crash-adder FOLDER
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>

#include <sys/prctl.h>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "Aufruf: ferolind-crash-adder VERZEICHNIS\n");
        return 2;
    }
    try {
        ferolind::DataModule data;
        data.openFolder(args[1]);
        ferolind::Session session(data);
        session.loadAfterOpen();
        ferolind::Dataset& members = data.members();
        const QString pid = QString::number(QCoreApplication::applicationPid());
        QElapsedTimer alive;
        alive.start();
        for (int i = 1; alive.elapsed() < 60000; ++i) {
            members.insert();
            members.setText(QStringLiteral("Vorname"), QStringLiteral("Lauf %1").arg(pid));
            members.setText(QStringLiteral("Nachname"), QStringLiteral("Mitglied %1").arg(i));
            if (!members.post()) {
                std::fprintf(stderr, "Das Mitglied %d wurde nicht gespeichert.\n", i);
                return 1;
            }
            std::printf("%s\n", qPrintable(members.text(QStringLiteral("ID"))));
            std::fflush(stdout);
        }
    } catch (const ferolind::DataError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
