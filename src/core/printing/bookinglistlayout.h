// The printed booking list: the presented bookings of the booking dataset in its filter
// and order, the chosen columns, and the net sum of the listed bookings at the end.
#pragma once

#include "printjob.h"

#include <QStringList>
#include <array>

namespace ferolind {
class Dataset;
}

namespace ferolind::printing {

constexpr int kBookingPrintColumns = 8;
// Headings on paper and the captions of the print dialog's check boxes.
const QStringList& bookingPrintHeadings();
const QStringList& bookingPrintCaptions();

class BookingListLayout : public PageLayout {
public:
    explicit BookingListLayout(Dataset& bookings);

    QString title;
    std::array<bool, kBookingPrintColumns> selected{};

    void prepare(Canvas& canvas, int W, int H) override;
    int drawPage(Canvas& canvas, int W, int H, int page) override;

    int rowsPerPage() const { return rows_; }
    int firstBaseline() const { return firstBaseline_; }
    int rowPitch() const { return pitch_; }
    QString cellText(int position, int column) const;
    // "Summe: " and the net sum: "A" subtracts, every other direction adds.
    QString sumLine() const;

private:
    void scale(int W, int H);
    int drawHeading(Canvas& canvas);
    void wrap(int column, int& x, int& y, int* wraps = nullptr) const;

    Dataset& bookings_;
    QVector<int> fields_;
    std::array<int, kBookingPrintColumns> widths_{};
    double sx_ = 1, sy_ = 1;
    int W_ = 0, H_ = 0;
    int firstBaseline_ = 0, pitch_ = 1, rows_ = 1;
};

}  // namespace ferolind::printing
