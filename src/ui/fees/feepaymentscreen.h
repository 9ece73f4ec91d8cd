// "Mitgliedsbeitrag buchen": the members who have not paid the chosen period, a payment
// recorded for the member picked, and the income booking prepared for the booking entry
// screen. The screen lives as long as the program: its period kind and period box are
// the program's current period state, which the arrears list copies. The rules are in
// core/fees/feepayments.h; the layout is feepaymentscreen.ui.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;

namespace Ui {
class TBeitragBuchenF;
}

namespace ferolind {
class Session;
struct FeePeriod;
}  // namespace ferolind

// Object names of the screen's controls.
namespace ferolind::ui::feepaymentscreen::controls {
inline constexpr const char* kMembers = "CBMitglieder";
inline constexpr const char* kNameSearch = "EName";
inline constexpr const char* kYear = "CBJahr";
inline constexpr const char* kPeriod = "CBMonatQuartal";
inline constexpr const char* kPeriodLabel = "LMontagQuartal";
inline constexpr const char* kMakeBooking = "CBBuchungssatz";
inline constexpr const char* kPeriodKind = "RGZahlzeitraum";  // its buttons: + "_0", "_1", "_2"
inline constexpr const char* kMonthly = "RGZahlzeitraum_0";
inline constexpr const char* kQuarterly = "RGZahlzeitraum_1";
inline constexpr const char* kYearly = "RGZahlzeitraum_2";
inline constexpr const char* kOk = "BOK";
inline constexpr const char* kClose = "BAbbrechen";
inline constexpr const char* kHelp = "SpeedButton1";
}  // namespace ferolind::ui::feepaymentscreen::controls

class TBeitragBuchenF : public QDialog {
    Q_OBJECT
public:
    TBeitragBuchenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBeitragBuchenF() override;

    // Opens the booking entry screen on the prepared booking (set by the main window).
    std::function<void()> openBooking;
    // The member the member entry screen hands over (a pick text); kept until the end.
    void setHandedOverMember(const QString& pickText) { handedOver_ = pickText; }

    // The period kind choice as a click on its radio button: the period box and its
    // label follow, and the kind is stored. The main window runs it once at start with
    // the stored kind; a kind that cannot be read or shown becomes monthly.
    void choosePeriodKind(int kind);
    void chooseStoredPeriodKind();
    int periodKind() const { return kind_; }
    // Copies the period box (items, text, shown or hidden) and its label (text, shown or
    // hidden) to another screen's controls.
    void copyPeriodState(QComboBox* box, QLabel* label) const;

    int exec() override;
    // What opening does: the name search emptied, the opening build, the selection.
    void prepareShow();

private:
    // The period box and its label for a kind (0 to 2).
    void showPeriodKind(int kind);
    void nameSearchChanged(const QString& text);
    void openingBuild();
    void changeBuild();
    void showPicks(const QStringList& picks);
    void recordPayment();

    std::unique_ptr<Ui::TBeitragBuchenF> ui_;
    ferolind::Session& session_;
    QString handedOver_;
    int kind_ = 0;
    bool searchFilterSet_ = false;  // the name search narrows the member dataset
};
