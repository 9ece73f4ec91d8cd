// "Datenbank erstellen": at start without a usable database the user creates a new
// database in a folder or opens the existing one of a (network) folder.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace ferolind {
class Session;
}

class TDBErstellenF : public QDialog {
    Q_OBJECT
public:
    TDBErstellenF(ferolind::Session& session, QWidget* parent = nullptr);

    // The folder chooser, starting at the given folder; an empty result keeps the field.
    // Replaceable so that the screen can be driven without a file dialog.
    std::function<QString(const QString& start)> chooseFolder;

    // Fills both folder fields: the remembered database folder, else the documents folder.
    void prepareShow();
    int exec() override;

private:
    void pickFolder(QLineEdit* field);
    void create();
    void openDatabase();
    void showNetworkHelp();

    ferolind::Session& session_;
    QLabel* label1_;
    QLineEdit* edit1_;
    QToolButton* speedButton1_;
    QPushButton* button1_;
    QLabel* label2_;
    QLineEdit* edit2_;
    QToolButton* speedButton2_;
    QPushButton* button2_;
    QPushButton* helpButton_;
    QPushButton* closeButton_;
};
