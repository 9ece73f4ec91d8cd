#include "ruler.h"

#include <QTextBlockFormat>
#include <cmath>

namespace ferolind::letters {

namespace {
// Trunc(v * 4 / 3) and Trunc(v * 3 / 4) in whole numbers, toward zero as C++ divides.
int toPixels(int points) { return points * 4 / 3; }
int toPoints(int pixels) { return pixels * 3 / 4; }
}  // namespace

Indents indentsOf(const QTextBlockFormat& f) {
    const double px = 3.0 / 4.0;
    const int leftMargin = int(std::lround(f.leftMargin() * px));
    const int hanging = int(std::lround(-f.textIndent() * px));
    return {leftMargin - hanging, hanging, int(std::lround(f.rightMargin() * px))};
}

void setIndents(QTextBlockFormat& f, const Indents& i) {
    const double pt = 4.0 / 3.0;
    f.setLeftMargin((i.first + i.left) * pt);
    f.setTextIndent(-i.left * pt);
    f.setRightMargin(i.right * pt);
}

int firstMarkerLeft(const Indents& i) { return toPixels(i.first) + 2; }
int leftMarkerLeft(const Indents& i) { return toPixels(i.left + i.first) + 2; }
int rightMarkerLeft(const Indents& i, int W) { return W - toPixels(i.right + 6) - 6; }

Indents releaseFirstMarker(Indents i, int markerLeft, int h, int leftMarker, int leftH) {
    i.first = toPoints(markerLeft + h - 6);
    return releaseLeftMarker(i, leftMarker, leftH);
}

Indents releaseLeftMarker(Indents i, int markerLeft, int h) {
    i.left = toPoints(markerLeft + h - 6) - i.first;
    return i;
}

Indents releaseRightMarker(Indents i, int markerLeft, int h, int W) {
    i.right = toPoints(W - markerLeft + h - 2) - 12;
    return i;
}

}  // namespace ferolind::letters
