// "Bestandskonten": a transfer between two asset accounts (two bookings through the
// booking rules), the start values of the accounts, and on "Schließen" the balances
// rebuilt from the bookings. While it is open the shared booking dataset shows only the
// bookings made since it opened. The layout is transferscreen.ui.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QListWidget;

namespace Ui {
class TBestandskontenF;
}

namespace ferolind {
class DataModule;
class Session;
}  // namespace ferolind

// Object names of the screen's controls (none is bound to a booking field).
namespace ferolind::ui::transferscreen::controls {
inline constexpr const char* kFrom = "ListBox1";         // "von"
inline constexpr const char* kTo = "ListBox2";           // "an"
inline constexpr const char* kFromBalance = "L1";
inline constexpr const char* kToBalance = "L2";
inline constexpr const char* kAmount = "EBetrag";
inline constexpr const char* kText = "EBuchungstext";
inline constexpr const char* kDate = "EDatum";
inline constexpr const char* kBook = "Button2";          // "Buchen"
inline constexpr const char* kGrid = "DBGrid1";
inline constexpr const char* kStartAccount = "ListBox3";
inline constexpr const char* kStartValue = "Edit1";
inline constexpr const char* kSaveStartValue = "Button1";  // "Speichern"
inline constexpr const char* kClose = "BSchliessen";
inline constexpr const char* kHelp = "SpeedButton1";
}  // namespace ferolind::ui::transferscreen::controls

class TBestandskontenF : public QDialog {
    Q_OBJECT
public:
    TBestandskontenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBestandskontenF() override;

    // Without an asset account the screen says so and does not open.
    int exec() override;
    // What opening does: the account lists, today's date, the first accounts selected
    // with their balances and start value, and the booking filter. False (message shown)
    // when there is no account or the filter cannot be set; then nothing is changed.
    bool prepareShow();
    // Every way of closing removes the booking filter.
    void done(int result) override;

private:
    void book();
    void saveStartValue();
    void closeAndRecompute();
    void showBalance(QListWidget* list, QLabel* label);
    void showStartValue();

    std::unique_ptr<Ui::TBestandskontenF> ui_;
    ferolind::Session& session_;
    ferolind::DataModule& data_;
    bool filterSet_ = false;
};
