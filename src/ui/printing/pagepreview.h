// The print previews: one page at a time drawn by the layout for the screen, with the
// tool bar print, printer set-up, save as PDF, first, previous and next page, zoom out,
// zoom in and page width; printing goes through the system's print dialog and draws
// every page through the same layout. The layout is pagepreview.ui.
#pragma once

#include "printing/printjob.h"

#include <QDialog>
#include <functional>
#include <memory>

class QPrinter;

namespace Ui {
class TSeitenvorschauF;
}

namespace ferolind {
class DataModule;
}
namespace ferolind::printing {
class MemberListLayout;
class BookingListLayout;
class StatementLayout;
}  // namespace ferolind::printing

// Object names of the preview's controls.
namespace ferolind::ui::preview::controls {
inline constexpr const char* kPrint = "TBDrucken";
inline constexpr const char* kSetup = "TBEinrichten";
inline constexpr const char* kPdf = "TBPdf";
inline constexpr const char* kFirst = "TBErste";
inline constexpr const char* kPrevious = "TBVorige";
inline constexpr const char* kNext = "TBNaechste";
inline constexpr const char* kLast = "TBLetzte";
inline constexpr const char* kZoomOut = "TBKleiner";
inline constexpr const char* kZoomIn = "TBGroesser";
inline constexpr const char* kPageWidth = "TBSeitenbreite";
inline constexpr const char* kOrientation = "TBFormat";  // "Hochformat/Querformat", member lists only
inline constexpr const char* kPageLabel = "LSeite";
inline constexpr const char* kPageImage = "LSeitenbild";
}  // namespace ferolind::ui::preview::controls

// The system's default printer (each print dialog starts from it), and the name a dialog shows.
std::unique_ptr<QPrinter> defaultPrinter();
QString printerName(const QPrinter& printer);
// A new printer with the settings of the given one (printer or file, page, copies, range).
// Every print goes to such a copy: a printer a failed print left active refuses every
// later change of its settings, so the chosen one stays untouched and a retry works.
std::unique_ptr<QPrinter> printerLike(const QPrinter& printer);
// Prints the layout onto a copy of the printer; throws DataError with a German sentence
// when nothing could be printed. Returns the page count.
int printOnCopy(ferolind::printing::PrintJob& job, const QPrinter& printer, const QString& what);
// Writes the layout as PDF into path (whole or not at all) with the printer's page;
// throws DataError naming the file and why it cannot be written.
int savePdf(ferolind::printing::PrintJob& job, const QPrinter& printer, const QString& path, const QString& title);
// The system's print dialog with a title ("Drucken", "Druckereinrichtung"): true when confirmed.
bool execPrintDialog(QWidget* parent, QPrinter& printer, const QString& title);

class PagePreviewScreen : public QDialog {
    Q_OBJECT
public:
    // printer: the printer chosen in the print dialog; layout and job live as long as the screen.
    PagePreviewScreen(QPrinter& printer, ferolind::printing::PageLayout& layout, int openPageCount,
                      QWidget* parent = nullptr);
    ~PagePreviewScreen() override;

    int currentPage() const { return page_; }
    int pageCount() const { return job_.pageCount(); }
    double zoom() const { return zoom_; }
    void showPage(int page);
    // The last page; a list whose end was not drawn yet is drawn to its end first.
    void showLastPage();
    // Draws every page on a paged device (printer or PDF); returns the page count.
    int printTo(QPagedPaintDevice& target);

    // Seams for tests: the system's print dialog, the printer set-up and the file name for PDF.
    std::function<bool(QPrinter&)> askPrint;
    std::function<bool(QPrinter&)> askSetup;
    std::function<QString()> askPdfFile;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Marks the layout to be prepared again before the next page is drawn.
    void markStale() {
        stale_ = true;
        job_.reopen();
    }
    std::unique_ptr<Ui::TSeitenvorschauF> ui_;
    QPrinter& printer_;

private:
    void render();
    void fitWidth();
    void print();
    void saveAsPdf();

    ferolind::printing::PrintJob job_;
    int page_ = 1;
    double zoom_ = 1;
    bool fitWidth_ = true;
    bool stale_ = true;
};

// "Druckvorschau": the member list, portrait or landscape.
class TVorschauMitgliederF : public PagePreviewScreen {
    Q_OBJECT
public:
    TVorschauMitgliederF(QPrinter& printer, ferolind::printing::MemberListLayout& layout, QWidget* parent = nullptr);
    void toggleOrientation();

private:
    ferolind::printing::MemberListLayout& layout_;
};

// "Buchungen drucken": the booking list.
class TDruckerVorschauBuchungenF : public PagePreviewScreen {
    Q_OBJECT
public:
    TDruckerVorschauBuchungenF(QPrinter& printer, ferolind::printing::BookingListLayout& layout,
                               QWidget* parent = nullptr);
};

// "Vorschau des Jahresabschlusses": the statement.
class TDruckerVorschauF : public PagePreviewScreen {
    Q_OBJECT
public:
    TDruckerVorschauF(QPrinter& printer, ferolind::printing::StatementLayout& layout, QWidget* parent = nullptr);
};
