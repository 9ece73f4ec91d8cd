// "Geburtstage und Jubiläen anzeigen": the shared member dataset narrowed to the members
// with a birthday today, this month or this quarter, or with a round number of years of
// age or membership this year (filter texts from core/members/jubilees.h); "Drucken"
// prints exactly that list. The list starts empty at every showing; closing removes the
// filter. The layout is jubileescreen.ui.
#pragma once

#include "members/selectioncontrols.h"

#include <QList>
#include <functional>
#include <memory>

class QCheckBox;

namespace Ui {
class TJubiF;
}

// Object names of the screen's controls.
namespace ferolind::ui::jubileescreen::controls {
inline constexpr const char* kPages = "PageControl1";        // page 0 "Geburtstage", 1 "Jubiläen"
inline constexpr const char* kToday = "RadioGroup3_0";       // "heute"
inline constexpr const char* kThisMonth = "RadioGroup3_1";   // "diesen Monat"
inline constexpr const char* kThisQuarter = "RadioGroup3_2"; // "dieses Quartal"
inline constexpr const char* kByEntry = "RadioGroup2_0";     // "Eintritt"
inline constexpr const char* kByBirth = "RadioGroup2_1";     // "Geburtstag"
inline constexpr const char* kYears = "GroupBox1";           // its boxes: "CB" + 5, 10, ... 75
inline constexpr const char* kShow = "BLoeschen";            // "Anzeigen"
inline constexpr const char* kPrint = "SRColorButton1";      // "Drucken"
inline constexpr const char* kHelp = "SpeedButton1";
inline constexpr const char* kGrid = "DBGrid1";
}  // namespace ferolind::ui::jubileescreen::controls

class TJubiF : public ferolind::ui::MemberSelectionScreen {
    Q_OBJECT
public:
    TJubiF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TJubiF() override;

    // "Drucken": the member list print dialog on the members shown (set by the main window).
    std::function<void()> printList;

    // What showing does: the member dataset gets the filter no member passes.
    void prepareShow() override;
    // Builds the list from the page, the choices and the boxes as they stand.
    void buildList();
    // The filter text the page, the choices and the boxes give today.
    QString filterText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TJubiF> ui_;
    QList<QCheckBox*> yearBoxes_;  // CB5 ... CB75
};
