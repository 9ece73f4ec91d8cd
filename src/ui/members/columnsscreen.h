// The column screen: which member columns the member grids show, and the labels of
// the four free member fields. It edits a working copy of the visible-columns bit set
// that becomes the accepted set only through "OK"; the labels are stored on every close.
// The layout is columnsscreen.ui.
#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

class QLineEdit;
class QListWidget;

namespace Ui {
class TZellenZeigenF;
}

namespace ferolind {
class Session;
}

// Object names of the screen's controls.
namespace ferolind::ui::columnsscreen::controls {
inline constexpr const char* kShown = "LBang";  // "angezeigte Spalten"
inline constexpr const char* kRest = "LBrest";  // "restliche Spalten"
inline constexpr const char* kShow = "SpeedButton1";
inline constexpr const char* kHide = "SpeedButton2";
inline constexpr const char* kLabels[4] = {"ES1", "ES2", "ES3", "ES4"};  // free-field labels "S1" to "S4"
inline constexpr const char* kOk = "BNeu";
inline constexpr const char* kCancel = "BSchliessen";
inline constexpr const char* kHelp = "SpeedButton4";
}  // namespace ferolind::ui::columnsscreen::controls

class TZellenZeigenF : public QDialog {
    Q_OBJECT
public:
    TZellenZeigenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TZellenZeigenF() override;

    // The accepted bit set (bit i shows member column i).
    void setVisibleColumns(quint32 bits) { accepted_ = bits; }
    quint32 visibleColumns() const { return accepted_; }
    // The current titles of the 29 member columns (free fields under their labels).
    void setTitles(const QStringList& titles) { titles_ = titles; }
    // The working bit set while the screen is showing.
    quint32 workingColumns() const { return working_; }

    int exec() override;
    // What showing does: the labels into their fields, the working set from the
    // accepted one, both lists filled.
    void prepareShow();

    void done(int result) override;  // every way of closing ends here

signals:
    // The labels were stored: the caller sets them up and applies the visible columns.
    void closedWithLabels();

private:
    void fillLists();
    void move(QListWidget* from, bool show);
    QStringList titles() const;
    QLineEdit* labelField(int i) const;  // ES1 to ES4

    std::unique_ptr<Ui::TZellenZeigenF> ui_;
    ferolind::Session& session_;
    quint32 accepted_;
    quint32 working_;
    QStringList titles_;
};
