#include "payments/runpdf.h"

#include "data/errors.h"
#include "data/safefile.h"

#include <QBuffer>
#include <QDir>
#include <QPageLayout>
#include <QPdfWriter>

namespace ferolind::printing {

QByteArray pdfBytes(PageLayout& layout, int openPageCount, const QString& title) {
    QByteArray bytes;
    int pages = 0;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Ferolind"));
        pdf.setResolution(600);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        PrintJob job(layout, openPageCount);
        pages = job.printAll(pdf);
    }
    if (pages == 0 || bytes.isEmpty())
        throw DataError(QStringLiteral("„%1“ ergibt keine Seite: es wurde keine PDF-Datei geschrieben.").arg(title));
    return bytes;
}

void writePdfAtomically(PageLayout& layout, int openPageCount, const QString& path, const QString& title) {
    writeFileAtomically(path, pdfBytes(layout, openPageCount, title));
}

}  // namespace ferolind::printing
