// "Austritte anzeigen": the members whose leaving date lies in a date range, as the
// shared member dataset under the filter from core (leaversFilter), so that the printed
// list takes exactly the members shown. Closing switches the filter off. The layout is
// leavers.ui.
#pragma once

#include "data/dateranges.h"
#include "members/columns.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TAustritteF;
}

namespace ferolind {
class Dataset;
class Session;
namespace ui {
class DatasetGrid;
}
}  // namespace ferolind

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

class TAustritteF : public QDialog {
    Q_OBJECT
public:
    TAustritteF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TAustritteF() override;

    void setFreeFieldLabels(const ferolind::FreeFieldLabels& labels);
    ferolind::ui::DatasetGrid* memberGrid() const;

    int exec() override;
    // What opening does: the preset "aktuelles Jahr", shown at once.
    void prepareShow();
    void done(int result) override;  // every way of closing ends here

private:
    void showLeavers();
    void applyPreset(ferolind::DatePreset preset);

    std::unique_ptr<Ui::TAustritteF> ui_;
    ferolind::Session& session_;
    ferolind::Dataset& members_;
};
