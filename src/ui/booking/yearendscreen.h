// "Jahresabschluss durchführen": warns, then closes the booking year: the journal into an
// archive file in the application data folder, then every booking deleted, the numbering
// reset and the balances and start values removed. The layout is yearendscreen.ui.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TBuchungAbschlF;
}

namespace ferolind {
class Session;
}

namespace ferolind::ui::yearendscreen::controls {
inline constexpr const char* kFirstNote = "Label2";
inline constexpr const char* kSecondNote = "Label3";
inline constexpr const char* kClose = "Button1";   // "JA, ich habe die Hinweise gelesen ..."
inline constexpr const char* kCancel = "Button2";  // "Abbrechen"
}  // namespace ferolind::ui::yearendscreen::controls

class TBuchungAbschlF : public QDialog {
    Q_OBJECT
public:
    TBuchungAbschlF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TBuchungAbschlF() override;

private:
    void closeYear();

    std::unique_ptr<Ui::TBuchungAbschlF> ui_;
    ferolind::Session& session_;
};
