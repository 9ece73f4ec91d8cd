// "Datenbank sichern": writes a backup set (the four table files and einstellungen.reg)
// into a folder, or reads one back after a question, then shows the settings of the set
// and asks before applying them. The layout is backupscreen.ui.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QLineEdit;

namespace Ui {
class TDatenSichernF;
}

namespace ferolind {
class Session;
}

namespace ferolind::ui::backupscreen::controls {
inline constexpr const char* kBackupFolder = "Edit1";
inline constexpr const char* kChooseBackupFolder = "SpeedButton1";
inline constexpr const char* kBackup = "Button1";  // "Sichern"
inline constexpr const char* kRestoreFolder = "Edit2";
inline constexpr const char* kChooseRestoreFolder = "SpeedButton2";
inline constexpr const char* kRestore = "Button3";  // "Zurücklesen"
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::backupscreen::controls

class TDatenSichernF : public QDialog {
    Q_OBJECT
public:
    TDatenSichernF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TDatenSichernF() override;

    // The folder chooser, starting at the given folder; an empty result keeps the field.
    // Replaceable so that the screen can be driven without a file dialog.
    std::function<QString(const QString& start)> chooseFolder;

private:
    void pickFolder(QLineEdit* field);
    void backup();
    void restore();
    QString folderIn(QLineEdit* field);

    std::unique_ptr<Ui::TDatenSichernF> ui_;
    ferolind::Session& session_;
};
