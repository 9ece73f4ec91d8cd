// The canvas on a QPainter: printer, PDF file, preview image. Coordinates are the
// device units of the page (the painter's logical coordinates).
#pragma once

#include "canvas.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>

class QPainter;

namespace ferolind::printing {

class PainterCanvas : public Canvas {
public:
    explicit PainterCanvas(QPainter& painter);
    void setFont(const QString& family, int cellHeight, FontStyle style = {}) override;
    void setAlign(HAlign h, VAlign v) override;
    void setPenWidth(int width) override;
    void drawText(int x, int y, const QString& text) override;
    int textWidth(const QString& text) override;
    void line(int x1, int y1, int x2, int y2) override;
    void fillRect(int x1, int y1, int x2, int y2) override;

    // The pixel size that gives a font of this family a cell height (ascent plus descent)
    // of cellHeight.
    static int pixelSizeForCellHeight(const QString& family, int cellHeight, FontStyle style);

private:
    QPainter& p_;
    QFont font_;
    QFontMetricsF metrics_{QFont()};  // of font_ on the device
    double ascent_ = 0;
    HAlign h_ = HAlign::Left;
    VAlign v_ = VAlign::Top;
    int pen_ = 1;
};

}  // namespace ferolind::printing
