// The pre-notification of a SEPA run on paper: a cover sheet (creditor, creditor
// identifier, collection date, sequence type, count and sum), then the list of every
// debtor with mandate reference, IBAN, amount and collection date. A4 portrait, drawn in
// units of 0.1 mm scaled to the page.
#pragma once

#include "payments/sepawriter.h"
#include "printing/printjob.h"

namespace ferolind::printing {

class PrenotificationLayout : public PageLayout {
public:
    explicit PrenotificationLayout(SepaFile file) : file_(std::move(file)) {}

    // The cover sheet and as many list pages as the debits fill.
    int pageCount() const;
    void prepare(Canvas&, int, int) override {}
    int drawPage(Canvas& canvas, int W, int H, int page) override;

private:
    void drawCoverSheet(Canvas& c, double sx, double sy);
    void drawList(Canvas& c, double sx, double sy, int listPage);
    SepaFile file_;
};

// Lines of the list a page holds.
inline constexpr int kPrenotificationRows = 40;

// Writes the pre-notification into a PDF file; throws DataError.
void writePrenotificationPdf(const SepaFile& file, const QString& path);

}  // namespace ferolind::printing
