// The page canvas every printed output draws on, in the device units of its page.
// Fonts are chosen by name with a cell height (ascent plus descent, like a printer
// font's height); text is placed at a point with the alignment last set.
#pragma once

#include <QString>
#include <QStringList>
#include <cmath>

namespace ferolind::printing {

enum class HAlign { Left, Right, Center };
enum class VAlign { Top, Baseline };

struct FontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void setFont(const QString& family, int cellHeight, FontStyle style = {}) = 0;
    virtual void setAlign(HAlign h, VAlign v) = 0;
    virtual void setPenWidth(int width) = 0;
    virtual void drawText(int x, int y, const QString& text) = 0;
    virtual int textWidth(const QString& text) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    // Fills the rectangle between the two corners with the current (white) brush.
    virtual void fillRect(int x1, int y1, int x2, int y2) = 0;

    // Wipes everything drawn on the page so far: the two rectangles from the origin to
    // (-40000, -40000) and to (40000, 40000).
    void clearCanvas() {
        fillRect(0, 0, -40000, -40000);
        fillRect(0, 0, 40000, 40000);
    }
};

// v rounded to the nearest integer, halves to even.
inline int N(double v) { return int(std::nearbyint(v)); }

// The text as far as it fits `maxWidth` in the current font, ending in "…" where it was
// cut (a cell or a label line: it must not run into the next one or past the page).
inline QString elidedToWidth(Canvas& canvas, const QString& text, int maxWidth) {
    if (canvas.textWidth(text) <= maxWidth) return text;
    const QString dots = QStringLiteral("…");
    qsizetype low = 0, high = text.size();  // the longest prefix that fits lies in [low, high)
    while (low + 1 < high) {
        const qsizetype mid = (low + high) / 2;
        if (canvas.textWidth(text.left(mid).trimmed() + dots) <= maxWidth) low = mid;
        else high = mid;
    }
    if (low > 0 && text[low - 1].isHighSurrogate()) --low;
    return low == 0 && canvas.textWidth(dots) > maxWidth ? QString() : text.left(low).trimmed() + dots;
}

// The text in lines no wider than `maxWidth`, broken between words; a word wider than
// a line is broken where it must. Line ends in the text are kept. Nothing is left out
// (a statement such as a receipt's must be printed whole).
inline QStringList wrappedToWidth(Canvas& canvas, const QString& text, int maxWidth) {
    if (!text.contains(QLatin1Char('\n')) && canvas.textWidth(text) <= maxWidth) return {text};
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (QString word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (canvas.textWidth(candidate) <= maxWidth) {
                line = candidate;
                continue;
            }
            if (!line.isEmpty()) lines << line;
            line.clear();
            while (canvas.textWidth(word) > maxWidth && word.size() > 1) {
                qsizetype n = 1;
                while (n < word.size() && canvas.textWidth(word.left(n + 1)) <= maxWidth) ++n;
                if (n < word.size() && word[n - 1].isHighSurrogate() && n > 1) --n;
                lines << word.left(n);
                word = word.mid(n);
            }
            line = word;
        }
        lines << line;
    }
    return lines;
}

}  // namespace ferolind::printing

namespace ferolind::printing {

// Passes everything on to another canvas, but drawing only while open: a layout that
// draws every page from the beginning lays out the pages before the one asked for
// without leaving their marks (hidden text under a wipe) on the device.
class GatedCanvas : public Canvas {
public:
    explicit GatedCanvas(Canvas& target) : t_(target) {}
    bool open = true;
    void setFont(const QString& family, int cellHeight, FontStyle style = {}) override {
        t_.setFont(family, cellHeight, style);
    }
    void setAlign(HAlign h, VAlign v) override { t_.setAlign(h, v); }
    void setPenWidth(int width) override { t_.setPenWidth(width); }
    void drawText(int x, int y, const QString& text) override {
        if (open) t_.drawText(x, y, text);
    }
    int textWidth(const QString& text) override { return t_.textWidth(text); }
    void line(int x1, int y1, int x2, int y2) override {
        if (open) t_.line(x1, y1, x2, y2);
    }
    void fillRect(int x1, int y1, int x2, int y2) override {
        if (open) t_.fillRect(x1, y1, x2, y2);
    }

private:
    Canvas& t_;
};

}  // namespace ferolind::printing
