#include "bookinglistlayout.h"

#include "booking/bookingquery.h"
#include "data/dataset.h"
#include "data/values.h"
#include "members/columns.h"

namespace ferolind::printing {

namespace {
const QString kArial = QStringLiteral("Arial");
const QString kNarrow = QStringLiteral("Arial Narrow");
constexpr int kAmountColumn = 5;
}  // namespace

const QStringList& bookingPrintHeadings() {
    static const QStringList h = {"Nr.", "Datum", "Empfänger/Absender", "Buchungstext", "E/A", "Betrag", "Kategorie",
                                  "Bestandskonto"};
    return h;
}

const QStringList& bookingPrintCaptions() {
    static const QStringList c = {"Buchungsnr.", "Datum", "Empfänger", "Buchungstext", "Soll/Haben", "Betrag",
                                  "Kategorie", "Bestandskonto"};
    return c;
}

BookingListLayout::BookingListLayout(Dataset& bookings) : bookings_(bookings) {
    selected.fill(true);
    for (const QString& f : bookingColumnFields()) fields_ << bookings_.field(f);
}

void BookingListLayout::scale(int W, int H) {
    W_ = W;
    H_ = H;
    sx_ = double(W) / 4961;
    sy_ = double(H) / 7016;
}

QString BookingListLayout::cellText(int position, int column) const {
    const RowRef r = bookings_.rowAt(position);
    const QVariant& v = r[fields_[column]];
    if (column == kAmountColumn) return v.isNull() ? QString() : moneyToFixed2(v.toLongLong());
    return valueToText(bookings_.fields()[fields_[column]].type, v);
}

// The net sum of the bookings shown, as the booking query shows it.
QString BookingListLayout::sumLine() const { return bookingSumText(bookingNetSum(bookings_)); }

void BookingListLayout::wrap(int column, int& x, int& y, int* wraps) const {
    if (column == kBookingPrintColumns - 1) return;
    if (x > 4104 * sx_) {
        x = N(324 * sx_);
        y += N(108 * sy_);
        if (wraps) ++*wraps;
    }
}

int BookingListLayout::drawHeading(Canvas& canvas) {
    canvas.setFont(kArial, N(130 * sy_));
    canvas.setAlign(HAlign::Center, VAlign::Top);
    canvas.drawText(N(2200 * sx_), N(108 * sy_), title);
    canvas.setPenWidth(N(5 * sy_));
    const int right = N(5000 * sx_);
    const int y1 = N(108 * sx_), y2 = y1 + N(151 * sy_);
    canvas.line(0, y1, right, y1);
    canvas.line(0, y2, right, y2);
    int y = N(367 * sy_), x = N(250 * sx_);
    canvas.setFont(kNarrow, N(80 * sx_));
    canvas.setAlign(HAlign::Left, VAlign::Baseline);
    for (int c = 0; c < kBookingPrintColumns; ++c) {
        if (selected[c]) {
            canvas.drawText(x, y, bookingPrintHeadings()[c]);
            x += widths_[c];
        }
        wrap(c, x, y);
    }
    canvas.setFont(kArial, N(71 * sy_));
    canvas.setPenWidth(N(2 * sy_));
    y += N(65 * sy_);
    canvas.line(0, y, right, y);
    y += N(12 * sy_);
    canvas.line(0, y, right, y);
    return y + N(100 * sy_);
}

void BookingListLayout::prepare(Canvas& canvas, int W, int H) {
    scale(W, H);
    widths_.fill(0);
    canvas.setFont(kNarrow, N(80 * sx_));
    for (int c = 0; c < kBookingPrintColumns; ++c) widths_[c] = canvas.textWidth(bookingPrintHeadings()[c]);
    canvas.setFont(kArial, N(71 * sy_));
    for (int p = 0; p < bookings_.recordCount(); ++p)
        for (int c = 0; c < kBookingPrintColumns; ++c) widths_[c] = std::max(widths_[c], canvas.textWidth(cellText(p, c)));
    for (int& w : widths_) w += N(60 * sx_);

    GatedCanvas measuring(canvas);
    measuring.open = false;
    firstBaseline_ = drawHeading(measuring);
    int x = N(250 * sx_), y = 0, wraps = 0;
    for (int c = 0; c < kBookingPrintColumns; ++c) {
        if (selected[c]) x += widths_[c];
        wrap(c, x, y, &wraps);
    }
    pitch_ = wraps * N(108 * sy_) + N(216 * sy_);
    const double limit = 6300 * sy_;
    rows_ = std::max(1, firstBaseline_ <= limit ? int((limit - firstBaseline_) / pitch_) + 1 : 0);
}

int BookingListLayout::drawPage(Canvas& canvas, int W, int H, int page) {
    if (W != W_ || H != H_) prepare(canvas, W, H);
    int y = drawHeading(canvas);
    canvas.setFont(kArial, N(71 * sy_));
    canvas.setAlign(HAlign::Left, VAlign::Baseline);
    const int count = bookings_.recordCount();
    const int right = N(5000 * sx_);
    for (int position = (page - 1) * rows_; position < count;) {
        int x = N(250 * sx_);
        for (int c = 0; c < kBookingPrintColumns; ++c) {
            if (selected[c]) {
                if (c == kAmountColumn) {
                    // Amounts right-aligned, so that their decimal commas stand in a line.
                    canvas.setAlign(HAlign::Right, VAlign::Baseline);
                    canvas.drawText(x + widths_[c] - N(60 * sx_), y, cellText(position, c));
                    canvas.setAlign(HAlign::Left, VAlign::Baseline);
                } else {
                    canvas.drawText(x, y, cellText(position, c));
                }
                x += widths_[c];
            }
            wrap(c, x, y);
        }
        y += N(100 * sy_);
        canvas.setPenWidth(N(2 * sy_));
        canvas.line(0, y, right, y);
        ++position;
        y += N(116 * sy_);
        if (y > 6300 * sy_) return 0;
    }
    canvas.drawText(N(250 * sx_), y, sumLine());
    return page;
}

}  // namespace ferolind::printing
