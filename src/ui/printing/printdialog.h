// "Mitgliedsdaten drucken" / "Buchungsdaten drucken": the print dialog of the lists. It
// collects printer, title and columns and opens the preview of its mode: the member list
// (every member the member dataset presents, in its order) or the booking list. Created
// once; the selection survives between showings (member boxes are preset again from the
// main grid's visible columns each time). The layout is printdialog.ui.
#pragma once

#include "members/columns.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QPrinter;

namespace Ui {
class TDruckerDialogF;
}
namespace ferolind {
class Session;
}

// Object names of the dialog's controls.
namespace ferolind::ui::printdialog::controls {
inline constexpr const char* kPrinterName = "LDrucker";
inline constexpr const char* kChangePrinter = "Button2";
inline constexpr const char* kTitle = "ETitel";
inline constexpr const char* kMemberFields = "GBFelder";
inline constexpr const char* kBookingFields = "GBFelderBuchungen";
inline constexpr const char* kMemberField = "CBFeld";          // + 1 to 28
inline constexpr const char* kBookingField = "CBBuchungFeld";  // + 1 to 8
inline constexpr const char* kQuery = "Button4";
inline constexpr const char* kPreview = "BNeu";
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::printdialog::controls

enum class ListMode { Member, Booking };

class TDruckerDialogF : public QDialog {
    Q_OBJECT
public:
    // The return code that asks the caller to open the query screen of the mode.
    static constexpr int kOpenQuery = 15;

    TDruckerDialogF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TDruckerDialogF() override;

    // The list mode, set by whoever opens the dialog.
    ListMode mode = ListMode::Member;
    // The dialog return code: kOpenQuery after "… eingrenzen/sortieren"; the caller resets it.
    int returnCode = 0;
    // The member grid's visible columns (bit i: member grid column i), set by the main window.
    std::function<quint32()> visibleColumns;
    // Shows a preview modally; tests replace it to look at the preview without a nested loop.
    std::function<int(QDialog&)> execPreview;
    // The printer set-up dialog; tests replace it.
    std::function<bool(QPrinter&)> askPrinter;

    // Shows or hides "… eingrenzen/sortieren" with the caption of the mode.
    void offerQuery(bool on);
    // The captions of the four free fields: the club's labels.
    void setFreeFieldLabels(const ferolind::FreeFieldLabels& labels);
    // What showing does: title of the mode, field groups, default printer, member presets.
    void prepareShow();
    bool memberColumnSelected(int printColumn) const;
    bool bookingColumnSelected(int column) const;
    QPrinter& printer() { return *printer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int r) override;

private:
    void changePrinter();
    void preview();
    QCheckBox* memberBox(int i) const;
    QCheckBox* bookingBox(int i) const;

    std::unique_ptr<Ui::TDruckerDialogF> ui_;
    ferolind::Session& session_;
    std::unique_ptr<QPrinter> printer_;
};
