// The DTAUS cover sheet on paper: the writer's texts and lines (units of 0.1 mm from the
// page's top-left corner) drawn on A4 pages, one copy a page.
#pragma once

#include "payments/dtauswriter.h"
#include "printing/printjob.h"

namespace ferolind::printing {

class CoverSheetLayout : public PageLayout {
public:
    CoverSheetLayout(QVector<CoverSheetItem> sheet, int copies) : sheet_(std::move(sheet)), copies_(copies) {}

    int copies() const { return copies_; }
    void prepare(Canvas&, int, int) override {}
    int drawPage(Canvas& canvas, int W, int H, int page) override;

private:
    QVector<CoverSheetItem> sheet_;
    int copies_;
};

// Draws the writer's cover sheet in `copies` copies into a PDF file; throws DataError.
void writeCoverSheetPdf(const DtausWriter& writer, int copies, const QString& path);

}  // namespace ferolind::printing
