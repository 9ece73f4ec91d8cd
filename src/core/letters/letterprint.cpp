#include "letterprint.h"

#include "data/errors.h"
#include "data/progress.h"
#include "rtfreader.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextFrame>

namespace ferolind::letters {

namespace {

constexpr double kScreenDpi = 96;
constexpr double kTwipsPerPixel = 15;  // 1440 twips an inch, 96 pixels

// The device the letters are laid out for: 96 dots per inch on every machine, so that a
// letter breaks its lines and pages the same everywhere.
QPaintDevice& layoutDevice() {
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32);
        i.setDotsPerMeterX(3780);
        i.setDotsPerMeterY(3780);
        return i;
    }();
    return image;
}

// A copy of the letter laid out in pages of its paper size (in 96 dpi units) with its
// margins.
std::unique_ptr<QTextDocument> paginated(const QTextDocument& doc) {
    const PageSetup p = pageSetupOf(doc);
    std::unique_ptr<QTextDocument> copy(doc.clone());
    copy->documentLayout()->setPaintDevice(&layoutDevice());
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(0);
    frame.setLeftMargin(p.left / kTwipsPerPixel);
    frame.setRightMargin(p.right / kTwipsPerPixel);
    frame.setTopMargin(p.top / kTwipsPerPixel);
    frame.setBottomMargin(p.bottom / kTwipsPerPixel);
    copy->rootFrame()->setFrameFormat(frame);
    copy->setPageSize(QSizeF(p.paperWidth / kTwipsPerPixel, p.paperHeight / kTwipsPerPixel));
    return copy;
}

QPageSize paperOf(const QTextDocument& doc) {
    const PageSetup p = pageSetupOf(doc);
    return QPageSize(QSizeF(p.paperWidth / 20.0, p.paperHeight / 20.0), QPageSize::Point, QString(),
                     QPageSize::FuzzyOrientationMatch);
}

}  // namespace

int letterPageCount(const QTextDocument& doc) { return paginated(doc)->pageCount(); }

int drawLetter(QPainter& painter, QPagedPaintDevice& device, const QTextDocument& doc, bool newPageFirst) {
    std::unique_ptr<QTextDocument> copy = paginated(doc);
    const QSizeF page = copy->pageSize();
    const int pages = copy->pageCount();
    const double sx = device.logicalDpiX() / kScreenDpi, sy = device.logicalDpiY() / kScreenDpi;
    for (int p = 0; p < pages; ++p) {
        if (p == 0 && newPageFirst) device.setPageSize(paperOf(doc));
        if (p > 0 || newPageFirst) device.newPage();
        painter.save();
        painter.scale(sx, sy);
        painter.translate(0, -p * page.height());
        const QRectF clip(0, p * page.height(), page.width(), page.height());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        copy->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return pages;
}

bool printLetter(QPagedPaintDevice& device, const QTextDocument& doc) {
    // the letter's own paper (a device that cannot take it keeps its own)
    device.setPageSize(paperOf(doc));
    QPainter painter;
    if (!painter.begin(&device)) return false;
    drawLetter(painter, device, doc, false);
    return painter.end();
}

int writeLettersPdf(const QString& path, int count, const std::function<std::unique_ptr<QTextDocument>(int)>& letter,
                    const QString& title) {
    auto refused = [&](const QString& why) {
        return DataError(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: %2").arg(path, why));
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw refused(file.errorString());
    int pages = 0;
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Ferolind"));
        pdf.setResolution(600);
        // the first letter's paper from the first page on
        std::unique_ptr<QTextDocument> first = count > 0 ? letter(0) : nullptr;
        pdf.setPageLayout(QPageLayout(first ? paperOf(*first) : QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF()));
        QPainter painter;
        if (!painter.begin(&pdf)) throw refused(file.errorString());
        Progress progress(QStringLiteral("Serienbriefe werden geschrieben"), count);
        for (int i = 0; i < count; ++i) {
            std::unique_ptr<QTextDocument> doc = i == 0 ? std::move(first) : letter(i);
            pages += drawLetter(painter, pdf, *doc, i > 0);
            progress.step(i + 1);
        }
        painter.end();
    }
    if (pages == 0) {
        file.cancelWriting();
        throw refused(QStringLiteral("kein Brief"));
    }
    if (!file.commit()) throw refused(file.errorString());
    return pages;
}

}  // namespace ferolind::letters
