// The fee class screen: lists, creates, changes and deletes the fee classes of the
// shared fee class dataset. Renaming and deleting reach the members through the fee
// class rules attached to that dataset. The layout is feeclasses.ui.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TBeitragsklassenF;
}

namespace ferolind {
class Session;
class Dataset;
namespace ui {
class BindingSet;
}
}  // namespace ferolind

// Object names of the screen's controls that are not bound to a fee class field; a
// bound control is found by its field (ferolind::ui::BindingSet::controlOf).
namespace ferolind::ui::feeclasses::controls {
inline constexpr const char* kGrid = "DBGrid1";
inline constexpr const char* kNew = "BNeu";
inline constexpr const char* kSave = "BSpeichern";
inline constexpr const char* kDelete = "BLoeschen";
inline constexpr const char* kClose = "BSchliessen";
inline constexpr const char* kHelp = "SpeedButton1";
inline constexpr const char* kPrior = "DBNavigator1Prior";
inline constexpr const char* kNext = "DBNavigator1Next";
}  // namespace ferolind::ui::feeclasses::controls

class TBeitragsklassenF : public QDialog {
    Q_OBJECT
public:
    TBeitragsklassenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBeitragsklassenF() override;

    int exec() override;
    // What showing does: the fields and buttons follow the current class.
    void prepareShow();
    // The close question when the class has unsaved changes; true when the screen
    // closed (saved or discarded), false when it stays open.
    bool requestClose();

    void reject() override;  // Escape, the window's close button and "Schließen"

private:
    void newClass();
    void save();
    void removeClass();
    void step(int direction);
    bool hasUnsavedChanges() const;
    void updateButtons();

    std::unique_ptr<Ui::TBeitragsklassenF> ui_;
    ferolind::Session& session_;
    ferolind::Dataset& classes_;
    ferolind::ui::BindingSet* bindings_;
};
