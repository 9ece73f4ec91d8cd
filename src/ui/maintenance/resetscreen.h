// "Ferolind zurücksetzen": after a question, deletes every club-wide entry, every record of
// the member, booking, fee payment and fee class tables and the table files of a backup set
// in the application data folder; then the program ends. The layout is resetscreen.ui.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TZuruecksetzenF;
}

namespace ferolind {
class Session;
}

namespace ferolind::ui::resetscreen::controls {
inline constexpr const char* kReset = "BNeu";         // "Zurücksetzen"
inline constexpr const char* kCancel = "BSchliessen";  // "Abbrechen"
}  // namespace ferolind::ui::resetscreen::controls

class TZuruecksetzenF : public QDialog {
    Q_OBJECT
public:
    TZuruecksetzenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TZuruecksetzenF() override;

    // Ends the program after a reset (the main window closes itself); replaceable in tests.
    std::function<void()> endProgram;

private:
    void reset();

    std::unique_ptr<Ui::TZuruecksetzenF> ui_;
    ferolind::Session& session_;
};
