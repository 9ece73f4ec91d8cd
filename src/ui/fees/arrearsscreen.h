// "Beitragssäumige anzeigen": the members without a fee payment for a chosen year and
// period, as the shared member dataset under the arrears filter from core (showArrears),
// so that printing and export take exactly the members shown. The period box and its
// label are copied from the fee payment screen on opening; closing removes the filter.
// The layout is arrearsscreen.ui.
#pragma once

#include "members/selectioncontrols.h"

#include <functional>
#include <memory>

namespace Ui {
class TBeitragssaumF;
}

class TBeitragBuchenF;

// Object names of the screen's controls.
namespace ferolind::ui::arrearsscreen::controls {
inline constexpr const char* kYear = "CBJahr";
inline constexpr const char* kPeriod = "CBMonatQuartal";
inline constexpr const char* kPeriodLabel = "LMonatQuartal";
inline constexpr const char* kPrint = "Button1";   // "Drucken"
inline constexpr const char* kExport = "Button2";  // "Exportieren"
inline constexpr const char* kHelp = "SpeedButton1";
inline constexpr const char* kGrid = "DBGrid1";
}  // namespace ferolind::ui::arrearsscreen::controls

class TBeitragssaumF : public ferolind::ui::MemberSelectionScreen {
    Q_OBJECT
public:
    // periods: the fee payment screen, whose period state this screen copies.
    TBeitragssaumF(ferolind::Session& session, const TBeitragBuchenF& periods, QWidget* parent = nullptr);
    ~TBeitragssaumF() override;

    // What opening does: the period state copied, the year box, the list (an error of
    // this first build is not shown).
    void prepareShow() override;

    // "Drucken": the member list print dialog on the members shown (set by the main window).
    std::function<void()> printList;
    // "Exportieren": the member export on the members shown (set by the main window).
    std::function<void()> exportList;

private:
    bool build();

    std::unique_ptr<Ui::TBeitragssaumF> ui_;
    const TBeitragBuchenF& periods_;
};
