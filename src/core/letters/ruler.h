// The letter editor's ruler: where its three markers stand for a paragraph's indents and
// which indents a released marker sets. Indents are whole points as the editor shows them:
// the first line's indent from the left edge, the other lines' indent relative to the
// first line ("left"), and the right indent. One point is 4/3 screen pixels; the editing
// area keeps 6 pixels free on each side. Trunc truncates toward zero.
#pragma once

class QTextBlockFormat;

namespace ferolind::letters {

struct Indents {
    int first = 0;
    int left = 0;
    int right = 0;
    bool operator==(const Indents&) const = default;
};

// The indents of a paragraph format and the format fields they give (pixels of a 96 dpi
// screen: the text's left margin is first + left, the first line's extra indent -left).
Indents indentsOf(const QTextBlockFormat& format);
void setIndents(QTextBlockFormat& format, const Indents& indents);

// Left edges of the markers in a ruler whose client width is W pixels.
int firstMarkerLeft(const Indents& i);
int leftMarkerLeft(const Indents& i);
int rightMarkerLeft(const Indents& i, int W);

// A released marker: its left edge and half its width h.
// The first-line marker sets the first indent, then the left indent as the left marker
// (still at leftMarker, half width leftH) gives it.
Indents releaseFirstMarker(Indents i, int markerLeft, int h, int leftMarker, int leftH);
Indents releaseLeftMarker(Indents i, int markerLeft, int h);
Indents releaseRightMarker(Indents i, int markerLeft, int h, int W);

}  // namespace ferolind::letters
