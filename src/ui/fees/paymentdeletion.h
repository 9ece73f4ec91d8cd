// "Beiträge löschen": the fee payment rows of the member shown in the member entry
// screen (which narrows the fee payment dataset before it opens this screen), and the
// deletion of the highlighted row. The layout is paymentdeletion.ui.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TBetragLoeschenF;
}

namespace ferolind {
class Session;
}

// Object names of the screen's controls.
namespace ferolind::ui::paymentdeletion::controls {
inline constexpr const char* kGrid = "DBGrid1";
inline constexpr const char* kDelete = "SRColorButton1";
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::paymentdeletion::controls

class TBetragLoeschenF : public QDialog {
    Q_OBJECT
public:
    TBetragLoeschenF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBetragLoeschenF() override;

    static const QString kDeleteQuestion;  // "Markierte Zeile wirklich löschen?"

private:
    void deleteRow();

    std::unique_ptr<Ui::TBetragLoeschenF> ui_;
    ferolind::Session& session_;
};
