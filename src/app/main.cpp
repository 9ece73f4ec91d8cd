#include "data/datamodule.h"
#include "data/datasetmodel.h"
#include "members/columns.h"
#include "session/session.h"

#include <QApplication>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QTableView>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ferolind 2011 NET"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ferolind::DataModule data;
    data.openAtStart();
    ferolind::Session session(data);
    session.loadAfterOpen();
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Ferolind 2011 - der professionelle Vereinsmanager"));
    auto* view = new QTableView(&w);
    if (data.connected()) {
        view->setModel(new ferolind::DatasetModel(data.members(), ferolind::memberColumnFields(),
                                                  ferolind::memberColumnTitles(), view));
    }
    w.setCentralWidget(view);
    w.resize(900, 600);
    w.show();
    if (!data.connected())
        QMessageBox::information(&w, QStringLiteral("Ferolind"), QStringLiteral("Es ist keine Datenbank geöffnet."));
    return app.exec();
}
