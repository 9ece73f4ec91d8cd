#include "paintercanvas.h"

#include <QFontMetricsF>
#include <QMutex>
#include <QPainter>

namespace ferolind::printing {

namespace {

// Cell height of a font of pixel size 1000, per family and style (measured once).
double cellHeightAt1000(const QString& family, FontStyle style) {
    static QHash<QString, double> cache;
    static QMutex mutex;
    const QString key = family + QChar(u'|') + QChar(u'0' + (style.bold ? 1 : 0) + (style.italic ? 2 : 0));
    QMutexLocker lock(&mutex);
    auto it = cache.find(key);
    if (it != cache.end()) return *it;
    QFont f(family);
    f.setPixelSize(1000);
    f.setBold(style.bold);
    f.setItalic(style.italic);
    const QFontMetricsF m(f);
    const double h = m.ascent() + m.descent();
    cache.insert(key, h > 0 ? h : 1000);
    return h > 0 ? h : 1000;
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter) : p_(painter) {
    p_.setBrush(Qt::white);
    setPenWidth(1);
}

int PainterCanvas::pixelSizeForCellHeight(const QString& family, int cellHeight, FontStyle style) {
    return std::max(1, N(cellHeight * 1000.0 / cellHeightAt1000(family, style)));
}

void PainterCanvas::setFont(const QString& family, int cellHeight, FontStyle style) {
    font_ = QFont(family);
    font_.setPixelSize(pixelSizeForCellHeight(family, cellHeight, style));
    font_.setBold(style.bold);
    font_.setItalic(style.italic);
    font_.setUnderline(style.underline);
    // Positions are computed in device units: no hinting may move glyphs off them.
    font_.setHintingPreference(QFont::PreferNoHinting);
    p_.setFont(font_);
    metrics_ = QFontMetricsF(font_, p_.device());
    ascent_ = metrics_.ascent();
}

void PainterCanvas::setAlign(HAlign h, VAlign v) {
    h_ = h;
    v_ = v;
}

void PainterCanvas::setPenWidth(int width) {
    pen_ = width;
    QPen pen(Qt::black);
    pen.setWidth(std::max(1, width));
    pen.setCapStyle(Qt::FlatCap);
    p_.setPen(pen);
}

void PainterCanvas::drawText(int x, int y, const QString& text) {
    double left = x;
    if (h_ != HAlign::Left) {
        const double w = metrics_.horizontalAdvance(text);
        left = h_ == HAlign::Right ? x - w : x - w / 2;
    }
    const double baseline = v_ == VAlign::Top ? y + ascent_ : y;
    p_.drawText(QPointF(left, baseline), text);
}

int PainterCanvas::textWidth(const QString& text) {
    return N(metrics_.horizontalAdvance(text));
}

void PainterCanvas::line(int x1, int y1, int x2, int y2) { p_.drawLine(x1, y1, x2, y2); }

void PainterCanvas::fillRect(int x1, int y1, int x2, int y2) {
    p_.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
                p_.brush());
}

}  // namespace ferolind::printing
