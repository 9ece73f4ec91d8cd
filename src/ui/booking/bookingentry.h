// "Buchungen editieren": the current booking of the shared booking dataset, with the
// direction, the categories of that direction, the asset account and its balance, the
// journal below, stepping, and the close question. The booking rules do the numbering,
// the learning and the balances; the screen only shows and hands over. The layout is
// bookingentry.ui.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TBuchungF;
}

namespace ferolind {
class BookingRules;
class DataModule;
class Dataset;
class Session;
namespace ui {
class BindingSet;
class NoticeQueue;
}  // namespace ui
}  // namespace ferolind

// Object names of the screen's controls that no booking field binds; a bound control is
// found by its field (ferolind::ui::BindingSet::controlOf).
namespace ferolind::ui::bookingentry::controls {
inline constexpr const char* kGrid = "DBGrid2";
inline constexpr const char* kBalance = "L1";
inline constexpr const char* kEditCategories = "SpeedButton4";
inline constexpr const char* kNew = "BNeu";
inline constexpr const char* kSave = "BSpeichern";
inline constexpr const char* kDelete = "BLoeschen";
inline constexpr const char* kClose = "BSchliessen";
inline constexpr const char* kHelp = "SpeedButton1";
inline constexpr const char* kPrior = "DBNavigator2Prior";
inline constexpr const char* kNext = "DBNavigator2Next";
inline constexpr const char* kExpense = "DBRadioGroup1_0";  // "Ausgabe"
inline constexpr const char* kIncome = "DBRadioGroup1_1";   // "Einnahme"
}  // namespace ferolind::ui::bookingentry::controls

class TBuchungF : public QDialog {
    Q_OBJECT
public:
    TBuchungF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBuchungF() override;

    // The button "Buchungskonten bearbeiten": opens the category screen (set by the main window).
    std::function<void()> openCategories;

    int exec() override;
    // The opening steps: account box, category box, balance, "Speichern", the focus.
    void prepareShow();
    // The close question while a booking is being edited; false when the screen stays open.
    bool requestClose();

    static const QString kDeleteQuestion;
    static const QString kCloseQuestion;

public slots:
    void reject() override;

private:
    void bindControls();
    void connectControls();
    void followRecord();

    void newBooking();
    void saveBooking();
    void deleteBooking();
    void step(int direction);
    void editCategories();
    void directionClicked(int index);

    void refillCategories();
    void fillAccounts(const QString& account);
    void showBalance();
    void showRecord();
    bool commitTyped();

    std::unique_ptr<Ui::TBuchungF> ui_;
    ferolind::DataModule& data_;
    ferolind::Dataset& bookings_;
    ferolind::BookingRules& rules_;
    ferolind::ui::BindingSet* bindings_ = nullptr;
    ferolind::ui::NoticeQueue* notices_;
};
