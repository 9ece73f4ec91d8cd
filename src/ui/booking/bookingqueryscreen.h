// "Buchungen auswerten": narrows the shared booking dataset by booking text, payer or
// payee, category, asset account and a date range, and shows the net sum of the
// bookings found. The layout is queryscreen.ui.
#pragma once

#include "booking/bookingquery.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TBuchungenAuswertenF;
}

namespace ferolind {
class Dataset;
class Session;
namespace ui {
class DatasetGrid;
}
}  // namespace ferolind

// Object names of the screen's controls (none is bound to a booking field).
namespace ferolind::ui::queryscreen::controls {
inline constexpr const char* kText = "EBuchungstext";
inline constexpr const char* kPayee = "EEmpfAbs";
inline constexpr const char* kCategory = "EKategorie";
inline constexpr const char* kAccount = "EBestandskonto";
inline constexpr const char* kHint = "Label7";
inline constexpr const char* kRange = "GroupBox3";
inline constexpr const char* kFrom = "DateTimePicker1";  // "Von: "
inline constexpr const char* kTo = "DateTimePicker2";    // "Bis:"
inline constexpr const char* kMonth = "RBMonat";
inline constexpr const char* kQuarter = "RBQuartal";
inline constexpr const char* kYear = "RBJahr";
inline constexpr const char* kAllDates = "RBAlle";
inline constexpr const char* kSum = "LSumme";
inline constexpr const char* kGrid = "DBGrid1";
inline constexpr const char* kShow = "BLoeschen";      // "Anzeigen"
inline constexpr const char* kAllData = "BSchliessen"; // "Alle Daten"
inline constexpr const char* kPrint = "SRColorButton1";
inline constexpr const char* kHelp = "SpeedButton1";
}  // namespace ferolind::ui::queryscreen::controls

class TBuchungenAuswertenF : public QDialog {
    Q_OBJECT
public:
    // Column widths are kept per user with the prefix "BuchungenAuswerten"
    // ("BreiteBuchungenAuswertenBetrag"): read here, written on every close.
    TBuchungenAuswertenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBuchungenAuswertenF() override;

    int exec() override;
    // What opening does: the account and category boxes refilled (the typed criteria
    // stay), the date pickers set to the earliest and latest booking date.
    void prepareShow();
    // Every way of closing switches the booking filter off.
    void done(int result) override;

    // The criteria as typed.
    ferolind::BookingCriteria criteria() const;
    ferolind::ui::DatasetGrid* grid() const;
    // "Drucken": the booking list of the bookings shown (set by the main window).
    std::function<void()> printList;

signals:
    // A double click on a booking: the booking entry screen should open on it.
    void openBooking();

private:
    void showQuery();
    void showAllData();
    void applyRange();

    std::unique_ptr<Ui::TBuchungenAuswertenF> ui_;
    ferolind::Session& session_;
    ferolind::Dataset& bookings_;
    ferolind::DateBounds opened_;  // the journal's dates when the screen opened
};
