// "Etikettendruck": which member fields go on an address label and how many labels a
// sheet holds (rows and columns, club-wide entries loaded at every showing and stored at
// every close), then the preview of the sheets over the member dataset in its filter
// and order. The layout is labeldialog.ui; the sheets are core/printing/labels.h.
#pragma once

#include "printing/labels.h"
#include "printing/pagepreview.h"

#include <QDialog>
#include <functional>
#include <memory>

class QPrinter;

namespace Ui {
class TEtikettendruckF;
}
namespace ferolind {
class Session;
}

// Object names of the dialog's controls.
namespace ferolind::ui::labeldialog::controls {
inline constexpr const char* kFields = "GBFelder";
inline constexpr const char* kId = "CBID";
inline constexpr const char* kSalutation = "CBAnrede";
inline constexpr const char* kFirstName = "CBVorname";
inline constexpr const char* kLastName = "CBNachname";
inline constexpr const char* kStreet = "CBstrasse";
inline constexpr const char* kCountry = "CBland";
inline constexpr const char* kPostcode = "cbplz";
inline constexpr const char* kTown = "CBOrt";
inline constexpr const char* kPrinterName = "LDrucker";
inline constexpr const char* kChangePrinter = "Button2";
inline constexpr const char* kRows = "EZeilen";
inline constexpr const char* kColumns = "ESpalten";
inline constexpr const char* kPreview = "BNeu";
inline constexpr const char* kClose = "BSchliessen";
inline constexpr const char* kQuery = "Button4";
}  // namespace ferolind::ui::labeldialog::controls

// The label preview: the sheets one by one; printing draws every sheet.
class TEtikettendruckVorschauF : public PagePreviewScreen {
    Q_OBJECT
public:
    TEtikettendruckVorschauF(QPrinter& printer, ferolind::printing::LabelLayout& layout, QWidget* parent = nullptr);
};

class TEtikettendruckF : public QDialog {
    Q_OBJECT
public:
    TEtikettendruckF(ferolind::Session& session, QWidget* parent = nullptr);
    ~TEtikettendruckF() override;

    // Shows the member query to narrow and order the members (set by the main window);
    // the selection it leaves stays on the member dataset until this dialog closes.
    std::function<void()> openQuery;
    // Shows the preview modally; tests replace it to look at the preview without a nested loop.
    std::function<int(QDialog&)> execPreview;
    // The printer set-up dialog; tests replace it.
    std::function<bool(QPrinter&)> askPrinter;

    int exec() override;
    // What showing does: the default printer, rows and columns from the club's entries.
    void prepareShow();
    ferolind::printing::LabelFields fields() const;
    QPrinter& printer() { return *printer_; }

protected:
    void done(int r) override;

private:
    void preview();
    void narrowMembers();

    std::unique_ptr<Ui::TEtikettendruckF> ui_;
    ferolind::Session& session_;
    std::unique_ptr<QPrinter> printer_;
    bool narrowed_ = false;  // the query left a selection on the member dataset
};
