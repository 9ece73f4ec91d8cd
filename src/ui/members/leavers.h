// "Austritte anzeigen": the members whose leaving date lies in a date range, as the
// shared member dataset under the filter from core (leaversFilter), so that the printed
// list takes exactly the members shown. Closing switches the filter off. The layout is
// leavers.ui.
#pragma once

#include "selectioncontrols.h"

#include <memory>

namespace Ui {
class TAustritteF;
}


// Object names of the screen's controls.
namespace ferolind::ui::leavers::controls {
inline constexpr const char* kFrom = "DateTimePickerVon";
inline constexpr const char* kTo = "DateTimePickerBis";
inline constexpr const char* kMonth = "RadioButton1";  // "aktuellen Monat"
inline constexpr const char* kQuarter = "RadioButton4";
inline constexpr const char* kYear = "RadioButton2";
inline constexpr const char* kGrid = "DBGrid1";
inline constexpr const char* kShow = "BLoeschen";  // "Anzeigen"
inline constexpr const char* kPrint = "SRColorButton1";
}  // namespace ferolind::ui::leavers::controls

class TAustritteF : public ferolind::ui::MemberSelectionScreen {
    Q_OBJECT
public:
    TAustritteF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TAustritteF() override;

    // What opening does: the preset "aktuelles Jahr", shown at once.
    void prepareShow() override;
    // "Drucken": the print dialog on the members shown (set by the main window).
    std::function<void()> printList;

private:
    void showLeavers();
    void applyPreset(ferolind::DatePreset preset);

    std::unique_ptr<Ui::TAustritteF> ui_;
};
