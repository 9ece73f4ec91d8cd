// "Statistik": counts of all members (also those who left) in total, by sex, by status
// and by age group, computed in core (memberStatistics) on every opening. The layout is
// statistics.ui.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TStatistikF;
}

namespace ferolind {
class Session;
}

// Object names of the labels that show the counts, in the order of the counts.
namespace ferolind::ui::statistics::controls {
inline constexpr const char* kCounts[16] = {"LAnzahl",  "LMaennlich", "LWeiblich", "LAktiv",   "LPassiv",  "LAlter1",
                                            "LAlter2",  "LAlter3",    "LAlter4",   "LAlter5",  "LAlter6",  "LAlter7",
                                            "LAlter8",  "LAlter9",    "LAlter10",  "LAlter11"};
inline constexpr const char* kPages = "PageControl1";
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::statistics::controls

class TStatistikF : public QDialog {
    Q_OBJECT
public:
    TStatistikF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TStatistikF() override;

    int exec() override;
    // What opening does: every count anew.
    void prepareShow();

private:
    std::unique_ptr<Ui::TStatistikF> ui_;
    ferolind::Session& session_;
};
