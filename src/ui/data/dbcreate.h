// "Datenbank erstellen": at start without a usable database the user creates a new
// database in a folder or opens the existing one of a (network) folder. The layout is
// dbcreate.ui.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QLineEdit;

namespace Ui {
class TDBErstellenF;
}

namespace ferolind {
class Session;
}

// Object names of the screen's controls.
namespace ferolind::ui::dbcreate::controls {
inline constexpr const char* kCreateFolder = "Edit1";
inline constexpr const char* kChooseCreateFolder = "SpeedButton1";
inline constexpr const char* kCreate = "Button1";  // "Erstellen"
inline constexpr const char* kOpenFolder = "Edit2";
inline constexpr const char* kChooseOpenFolder = "SpeedButton2";
inline constexpr const char* kOpen = "Button2";  // "Öffnen"
inline constexpr const char* kNetworkHelp = "SRColorButton1";
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::dbcreate::controls

class TDBErstellenF : public QDialog {
    Q_OBJECT
public:
    TDBErstellenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TDBErstellenF() override;

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

    std::unique_ptr<Ui::TDBErstellenF> ui_;
    ferolind::Session& session_;
};
