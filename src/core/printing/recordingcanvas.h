// A canvas that only records what was drawn where, for layout tests. Text widths are
// predictable: half the cell height per character (bold one more unit per character).
#pragma once

#include "canvas.h"

#include <QVector>

#include <cmath>

namespace ferolind::printing {

struct DrawnItem {
    enum Kind { Text, Line, Fill } kind = Text;
    int x = 0, y = 0, x2 = 0, y2 = 0;
    QString text;
    QString family;
    int height = 0;
    FontStyle style;
    HAlign h = HAlign::Left;
    VAlign v = VAlign::Top;
    int penWidth = 1;
};

class RecordingCanvas : public Canvas {
public:
    void setFont(const QString& family, int cellHeight, FontStyle style = {}) override {
        family_ = family;
        height_ = cellHeight;
        style_ = style;
    }
    void setAlign(HAlign h, VAlign v) override {
        h_ = h;
        v_ = v;
    }
    void setPenWidth(int width) override { pen_ = width; }
    void drawText(int x, int y, const QString& text) override {
        items.push_back({DrawnItem::Text, x, y, x, y, text, family_, height_, style_, h_, v_, pen_});
    }
    int textWidth(const QString& text) override {
        if (widthPerCell > 0) return int(std::lround(double(text.size()) * height_ * widthPerCell));
        return int(text.size()) * (height_ / 2 + (style_.bold ? 1 : 0));
    }
    // When set: a character's width as this share of the cell height (0.4 comes close to
    // Arial's average in German text), for layouts that wrap at measured widths.
    double widthPerCell = 0;
    void line(int x1, int y1, int x2, int y2) override {
        items.push_back({DrawnItem::Line, x1, y1, x2, y2, {}, family_, height_, style_, h_, v_, pen_});
    }
    void fillRect(int x1, int y1, int x2, int y2) override {
        items.push_back({DrawnItem::Fill, x1, y1, x2, y2, {}, family_, height_, style_, h_, v_, pen_});
    }

    // What is still visible: the items after the last wipe of the whole page.
    QVector<DrawnItem> visible() const {
        int start = 0;
        for (int i = 0; i < items.size(); ++i)
            if (items[i].kind == DrawnItem::Fill && items[i].x2 == 40000 && items[i].y2 == 40000) start = i + 1;
        return items.mid(start);
    }
    QVector<DrawnItem> visibleTexts() const {
        QVector<DrawnItem> t;
        for (const DrawnItem& i : visible())
            if (i.kind == DrawnItem::Text) t << i;
        return t;
    }

    QVector<DrawnItem> items;

private:
    QString family_;
    int height_ = 0;
    FontStyle style_;
    HAlign h_ = HAlign::Left;
    VAlign v_ = VAlign::Top;
    int pen_ = 1;
};

}  // namespace ferolind::printing
