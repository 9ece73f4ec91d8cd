#include "pagepreview.h"

#include "common/look.h"
#include "common/messages.h"
#include "data/errors.h"
#include "data/safefile.h"
#include "printing/bookinglistlayout.h"
#include "printing/memberlistlayout.h"
#include "printing/statementlayout.h"
#include "printing/paintercanvas.h"
#include "ui_pagepreview.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPdfWriter>
#include <QImage>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolButton>

#include <cerrno>

using namespace ferolind;
using namespace ferolind::printing;

std::unique_ptr<QPrinter> defaultPrinter() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
    if (!standard.isNull()) printer->setPrinterName(standard.printerName());
    return printer;
}

QString printerName(const QPrinter& p) {
    if (!p.printerName().isEmpty()) return p.printerName();
    return p.outputFormat() == QPrinter::PdfFormat ? QStringLiteral("PDF-Datei") : QStringLiteral("(kein Drucker)");
}

std::unique_ptr<QPrinter> printerLike(const QPrinter& p) {
    auto copy = std::make_unique<QPrinter>(QPrinter::HighResolution);
    copy->setOutputFormat(p.outputFormat());
    if (p.outputFormat() == QPrinter::NativeFormat) copy->setPrinterName(p.printerName());
    copy->setOutputFileName(p.outputFileName());
    copy->setResolution(p.resolution());
    copy->setPageLayout(p.pageLayout());
    copy->setFullPage(p.fullPage());
    copy->setCopyCount(p.copyCount());
    copy->setCollateCopies(p.collateCopies());
    copy->setDuplex(p.duplex());
    copy->setColorMode(p.colorMode());
    copy->setPageOrder(p.pageOrder());
    copy->setPrintRange(p.printRange());
    copy->setFromTo(p.fromPage(), p.toPage());
    copy->setDocName(p.docName());
    return copy;
}

int printOnCopy(PrintJob& job, const QPrinter& printer, const QString& what) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        // A PDF "printer" is a file: its sentence says where and why not.
        if (printer.outputFileName().isEmpty())
            throw DataError(QStringLiteral("%1 kann auf »%2« nicht gedruckt werden: Es ist keine Datei gewählt. "
                                           "Bitte mit »Ändern« einen Drucker oder eine Datei wählen.")
                                .arg(what, printerName(printer)));
        try {
            return savePdf(job, printer, printer.outputFileName(), printer.docName());
        } catch (const DataError& e) {
            throw DataError(QStringLiteral("%1 kann auf »%2« nicht gedruckt werden: %3").arg(what, printerName(printer), e.message()));
        }
    }
    const std::unique_ptr<QPrinter> target = printerLike(printer);
    const int pages = job.printAll(*target);
    if (pages == 0)
        throw DataError(QStringLiteral("%1 kann auf »%2« nicht gedruckt werden. Bitte mit »Ändern« einen Drucker wählen.")
                            .arg(what, printerName(printer)));
    return pages;
}

int savePdf(PrintJob& job, const QPrinter& printer, const QString& path, const QString& title) {
    // Drawn in memory first: the file is then written whole, or not at all with the reason.
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists()) throw DataError(fileErrorMessage(path, ENOENT));
    if (!folder.isDir()) throw DataError(fileErrorMessage(path, ENOTDIR));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    int pages = 0;
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Ferolind"));
        pdf.setResolution(printer.resolution());
        pdf.setPageLayout(printer.pageLayout());
        pages = job.printAll(pdf);
    }
    if (pages == 0)
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden.").arg(QDir::toNativeSeparators(path)));
    writeFileAtomically(path, buffer.data());
    return pages;
}

bool execPrintDialog(QWidget* parent, QPrinter& printer, const QString& title) {
    QPrintDialog d(&printer, parent);
    d.setWindowTitle(title);
    return d.exec() == QDialog::Accepted;
}

PagePreviewScreen::PagePreviewScreen(QPrinter& printer, PageLayout& layout, int openPageCount, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TSeitenvorschauF>()), printer_(printer), job_(layout, openPageCount) {
    ui_->setupUi(this);
    ui::applyScreenLook(this);
    ui_->LSeitenbild->setStyleSheet(QStringLiteral("background: white; border: 1px solid #808080;"));
    ui_->TBFormat->hide();
    askPrint = [this](QPrinter& p) { return execPrintDialog(this, p, QStringLiteral("Drucken")); };
    askSetup = [this](QPrinter& p) { return execPrintDialog(this, p, QStringLiteral("Druckereinrichtung")); };
    askPdfFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Als PDF speichern"), QString(),
                                            QStringLiteral("PDF-Dateien (*.pdf)"));
    };
    connect(ui_->TBDrucken, &QToolButton::clicked, this, [this] { print(); });
    connect(ui_->TBEinrichten, &QToolButton::clicked, this, [this] {
        if (askSetup(printer_)) {
            markStale();
            render();
        }
    });
    connect(ui_->TBPdf, &QToolButton::clicked, this, [this] { saveAsPdf(); });
    connect(ui_->TBErste, &QToolButton::clicked, this, [this] { showPage(1); });
    connect(ui_->TBVorige, &QToolButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(ui_->TBNaechste, &QToolButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(ui_->TBLetzte, &QToolButton::clicked, this, [this] { showLastPage(); });
    connect(ui_->TBKleiner, &QToolButton::clicked, this, [this] {
        fitWidth_ = false;
        zoom_ = std::max(0.02, zoom_ / 1.25);
        render();
    });
    connect(ui_->TBGroesser, &QToolButton::clicked, this, [this] {
        fitWidth_ = false;
        zoom_ = std::min(2.0, zoom_ * 1.25);
        render();
    });
    connect(ui_->TBSeitenbreite, &QToolButton::clicked, this, [this] {
        fitWidth_ = true;
        render();
    });
}

PagePreviewScreen::~PagePreviewScreen() = default;

void PagePreviewScreen::showPage(int page) {
    page_ = std::clamp(page, 1, job_.pageCount());
    render();
}

void PagePreviewScreen::showLastPage() {
    // Until the end is drawn the count is only the open count; each try reaches further.
    // Page by page: each drawing reaches one page further, until the data ends there.
    while (!job_.pageCountKnown()) {
        const int before = page_;
        showPage(page_ + 1);
        if (page_ <= before) break;  // a drawing that failed
    }
    showPage(job_.pageCount());
}

void PagePreviewScreen::fitWidth() {
    const int room = ui_->ScrollBox->viewport()->width() - 24;
    zoom_ = std::max(0.02, double(std::max(room, 100)) / std::max(1, printer_.width()));
}

void PagePreviewScreen::render() {
    ui::guarded(this, [this] {
        if (fitWidth_) fitWidth();
        const int W = printer_.width(), H = printer_.height();
        QImage image(QSize(std::max(1, int(W * zoom_)), std::max(1, int(H * zoom_))), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.scale(zoom_, zoom_);
            PainterCanvas canvas(painter);
            if (stale_) {
                job_.prepare(canvas, W, H);
                stale_ = false;
            }
            job_.drawPage(canvas, W, H, page_);
        }
        // A page asked for beyond the end shows the last one.
        page_ = std::min(page_, job_.pageCount());
        ui_->LSeitenbild->setPixmap(QPixmap::fromImage(image));
        ui_->LSeitenbild->resize(image.size());
        // The page count is named once a drawing reached the end; the open count is no count.
        ui_->LSeite->setText(job_.pageCountKnown()
                                 ? QStringLiteral("Seite %1 von %2").arg(page_).arg(job_.pageCount())
                                 : QStringLiteral("Seite %1").arg(page_));
        ui_->TBErste->setEnabled(page_ > 1);
        ui_->TBVorige->setEnabled(page_ > 1);
        ui_->TBNaechste->setEnabled(page_ < job_.pageCount());
        ui_->TBLetzte->setEnabled(page_ < job_.pageCount() || !job_.pageCountKnown());
    });
}

void PagePreviewScreen::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (fitWidth_) render();
}

void PagePreviewScreen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    render();
}

int PagePreviewScreen::printTo(QPagedPaintDevice& target) {
    // The layout is prepared anew for the target's page, and again for the screen after.
    const int pages = job_.printAll(target);
    markStale();
    return pages;
}

void PagePreviewScreen::print() {
    if (!askPrint(printer_)) return;
    ui::guarded(this, [this] {
        struct Redraw {  // the screen's page again, also after a failure
            PagePreviewScreen* s;
            ~Redraw() {
                s->markStale();
                s->render();
            }
        } redraw{this};
        printOnCopy(job_, printer_, QStringLiteral("Die Liste"));
    });
}

void PagePreviewScreen::saveAsPdf() {
    const QString path = askPdfFile();
    if (path.isEmpty()) return;
    ui::guarded(this, [this, &path] {
        struct Redraw {
            PagePreviewScreen* s;
            ~Redraw() {
                s->markStale();
                s->render();
            }
        } redraw{this};
        savePdf(job_, printer_, path, windowTitle());
    });
}

TVorschauMitgliederF::TVorschauMitgliederF(QPrinter& printer, MemberListLayout& layout, QWidget* parent)
    : PagePreviewScreen(printer, layout, 100, parent), layout_(layout) {
    setObjectName(QStringLiteral("VorschauMitgliederF"));
    setWindowTitle(QStringLiteral("Druckvorschau"));
    ui_->TBFormat->show();
    printer_.setPageOrientation(layout_.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    connect(ui_->TBFormat, &QToolButton::clicked, this, [this] { toggleOrientation(); });
}

void TVorschauMitgliederF::toggleOrientation() {
    layout_.landscape = !layout_.landscape;
    printer_.setPageOrientation(layout_.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    markStale();
    showPage(1);
}

TDruckerVorschauBuchungenF::TDruckerVorschauBuchungenF(QPrinter& printer, BookingListLayout& layout, QWidget* parent)
    : PagePreviewScreen(printer, layout, 1000, parent) {
    setObjectName(QStringLiteral("DruckerVorschauBuchungenF"));
    setWindowTitle(QStringLiteral("Buchungen drucken"));
    printer_.setPageOrientation(QPageLayout::Portrait);
}

TDruckerVorschauF::TDruckerVorschauF(QPrinter& printer, StatementLayout& layout, QWidget* parent)
    : PagePreviewScreen(printer, layout, 100, parent) {
    setObjectName(QStringLiteral("DruckerVorschauF"));
    setWindowTitle(QStringLiteral("Vorschau des Jahresabschlusses"));
    printer_.setPageOrientation(QPageLayout::Portrait);
}
