// "Serienbrief drucken": prints the editor's letter once per member in a range of member
// numbers (or only for the first member) on the chosen printer, one print job per letter
// named "Ferolind", or writes all letters of the run into one PDF file. The layout is
// serialprintdialog.ui.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QPrinter;
class QTextDocument;

namespace Ui {
class TTextDruckerDialogNeuF;
}
namespace ferolind {
class Session;
}

// Object names of the dialog's controls.
namespace ferolind::ui::serialprint::controls {
inline constexpr const char* kPrinterName = "LDrucker";
inline constexpr const char* kChangePrinter = "Button2";
inline constexpr const char* kFrom = "CBvon";
inline constexpr const char* kTo = "CBbis";
inline constexpr const char* kFirstOnly = "CBerstes";
inline constexpr const char* kPrint = "BNeu";
inline constexpr const char* kPdf = "BPdf";
inline constexpr const char* kClose = "BSchliessen";
}  // namespace ferolind::ui::serialprint::controls

class TTextDruckerDialogNeuF : public QDialog {
    Q_OBJECT
public:
    TTextDruckerDialogNeuF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TTextDruckerDialogNeuF() override;

    // The letter to print, set by the editor before showing.
    const QTextDocument* letter = nullptr;
    // The printer set-up dialog and the PDF file to write; tests replace them.
    std::function<bool(QPrinter&)> askPrinter;
    std::function<QString()> askPdfPath;
    // Prints one letter as a job of its own; tests replace it. False: the printer refused.
    std::function<bool(QPrinter&, const QTextDocument&)> printOne;

    void setFirstOnly(bool on);
    // What showing does: the member entries, the default printer, the first-only state.
    void prepareShow();
    // "Drucken" and "Als PDF speichern ...": the run, then the dialog closes.
    void printLetters();
    void writePdf();
    QPrinter& printer() { return *printer_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyFirstOnly();
    // The members of the chosen range, in dataset order (throws the bound's conversion error).
    QVector<int> chosenMembers();
    // The letters for the chosen members; a range without a member is said, and the
    // dialog closes unless an error was shown.
    void run(const std::function<void(const QVector<int>&)>& letters);

    std::unique_ptr<Ui::TTextDruckerDialogNeuF> ui_;
    ferolind::Session& session_;
    std::unique_ptr<QPrinter> printer_;
};
