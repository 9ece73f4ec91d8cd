#include "pdfoutput.h"

#include "data/errors.h"

#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>

namespace ferolind::printing {

int writePdf(PageLayout& layout, int openPageCount, const QString& path, bool landscape, const QString& title) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: %2").arg(path, file.errorString()));
    int pages = 0;
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Ferolind"));
        pdf.setResolution(600);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
        PrintJob job(layout, openPageCount);
        pages = job.printAll(pdf);
    }
    if (pages == 0 || !file.commit())
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht geschrieben werden: %2").arg(path, file.errorString()));
    return pages;
}

}  // namespace ferolind::printing
