#include "payments/coversheetlayout.h"

#include "payments/runpdf.h"

namespace ferolind::printing {

int CoverSheetLayout::drawPage(Canvas& canvas, int W, int H, int page) {
    // A4 is 2100 x 2970 tenths of a millimetre.
    const double sx = double(W) / 2100, sy = double(H) / 2970;
    canvas.setAlign(HAlign::Left, VAlign::Top);
    canvas.setPenWidth(std::max(1, N(kCoverSheetLineWidth * sy)));
    for (const CoverSheetItem& item : sheet_) {
        if (item.kind == CoverSheetItem::Kind::Line) {
            canvas.line(N(item.x * sx), N(item.y * sy), N(item.x2 * sx), N(item.y * sy));
        } else {
            canvas.setFont(QString::fromLatin1(kCoverSheetFont), N(item.cellHeight * sy));
            canvas.drawText(N(item.x * sx), N(item.y * sy), item.text);
        }
    }
    if (page >= copies_) return copies_;
    return 0;
}

void writeCoverSheetPdf(const DtausWriter& writer, int copies, const QString& path) {
    CoverSheetLayout layout(writer.coverSheet(), std::max(1, copies));
    writePdfAtomically(layout, layout.copies(), path, QStringLiteral("Diskettenbegleitzettel"));
}

}  // namespace ferolind::printing
