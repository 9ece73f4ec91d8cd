// "Sammellöschen": narrows the shared member dataset by up to three field criteria and
// a leaving-date range (filter text from core, massDeletionFilter) and deletes every
// member shown after one question, in one database transaction with progress shown
// (deletePresentedMembers). Closing switches the filter off and sorts by "ID". The
// layout is massdeletion.ui.
#pragma once

#include "selectioncontrols.h"

#include <memory>

namespace Ui {
class TSammelloeschenF;
}


// Object names of the screen's controls.
namespace ferolind::ui::massdeletion::controls {
inline constexpr const char* kFields[3] = {"CB1", "CB2", "CB3"};
inline constexpr const char* kValues[3] = {"E1", "E2", "E3"};
inline constexpr const char* kShow = "Button2";  // "Anzeigen"
inline constexpr const char* kByLeavingDate = "CheckBox1";
inline constexpr const char* kDateGroup = "GroupBox3";
inline constexpr const char* kFrom = "DateTimePickerVon";
inline constexpr const char* kTo = "DateTimePickerBis";
inline constexpr const char* kMonth = "RadioButton1";  // "aktuellen Monat"
inline constexpr const char* kQuarter = "RadioButton4";
inline constexpr const char* kYear = "RadioButton2";
inline constexpr const char* kAll = "RadioButton3";  // "alle Daten"
inline constexpr const char* kGrid = "DBGrid1";
inline constexpr const char* kDelete = "Button3";  // "Löschen"
inline constexpr const char* kProgress = "Fortschritt";
}  // namespace ferolind::ui::massdeletion::controls

class TSammelloeschenF : public ferolind::ui::MemberSelectionScreen {
    Q_OBJECT
public:
    TSammelloeschenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TSammelloeschenF() override;
    // The earliest and latest leaving date found on opening ("alle Daten").
    const ferolind::DateRange& allLeavingDates() const { return allDates_; }

    // What opening does: the leaving-date span, the boxes, the date group, the selection.
    void prepareShow() override;

private:
    void applySelection();
    bool showSelection();
    void deleteSelection();
    void leavingDateTicked();
    void applyRange(const ferolind::DateRange& range);

    std::unique_ptr<Ui::TSammelloeschenF> ui_;
    ferolind::ui::CriteriaControls criteria_;
    ferolind::DateRange allDates_;
};
