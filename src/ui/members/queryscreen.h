// "Mitglieder auswerten": narrows and orders the shared member dataset by up to three
// field criteria, a date criterion and two sort keys; the printed list and the exports
// take what it shows. The filter text comes from core (memberQueryFilter); closing
// switches the filter off and sorts by "ID" again. The layout is queryscreen.ui.
#pragma once

#include "members/memberquery.h"
#include "selectioncontrols.h"

#include <functional>
#include <memory>

namespace Ui {
class TMitgliederAuswertenF;
}


// Object names of the screen's controls.
namespace ferolind::ui::memberquery::controls {
inline constexpr const char* kFields[3] = {"CB1", "CB2", "CB3"};
inline constexpr const char* kValues[3] = {"E1", "E2", "E3"};
inline constexpr const char* kSort1 = "CBSort";
inline constexpr const char* kSort2 = "CBSOrt2";
inline constexpr const char* kEntryDate = "RBEintritt";
inline constexpr const char* kBirthDate = "RBGeburtsdatum";
inline constexpr const char* kLeavingEmpty = "RBAustrittleer";
inline constexpr const char* kDateOff = "RBaus";
inline constexpr const char* kDateGroup = "GroupBox3";
inline constexpr const char* kFrom = "DateTimePickerVon";
inline constexpr const char* kTo = "DateTimePickerBis";
inline constexpr const char* kMonth = "RadioButton1";
inline constexpr const char* kQuarter = "RadioButton4";
inline constexpr const char* kYear = "RadioButton2";
inline constexpr const char* kGrid = "DBGrid1";
inline constexpr const char* kShow = "BLoeschen";       // "Anzeigen"
inline constexpr const char* kAllSorted = "BSchliessen";  // "Alle Daten (sortiert)"
inline constexpr const char* kPrint = "SRColorButton1";
inline constexpr const char* kBirthdays = "SRColorButton2";
inline constexpr const char* kClose = "SRColorButton3";
inline constexpr const char* kHelp = "SpeedButton1";
}  // namespace ferolind::ui::memberquery::controls

class TMitgliederAuswertenF : public ferolind::ui::MemberSelectionScreen {
    Q_OBJECT
public:
    TMitgliederAuswertenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TMitgliederAuswertenF() override;

    // Double click on a member: opens the member entry on it (set by the main window).
    std::function<void()> openMemberEntry;
    // "Drucken": the print dialog on the members shown (set by the main window).
    std::function<void()> printList;
    // "Geburtstage/Jubiläen": the birthday and jubilee screen (set by the main window).
    std::function<void()> openJubilees;

    // What opening does: the boxes refilled, the date group enabled by the criterion.
    void prepareShow() override;
    // The inputs as they stand.
    ferolind::MemberQuery query() const;

private:
    void showQuery();
    void showAllSorted();
    void dateCriterionChanged();
    void applyPreset(ferolind::DatePreset preset);

    std::unique_ptr<Ui::TMitgliederAuswertenF> ui_;
    ferolind::ui::CriteriaControls criteria_;
};
