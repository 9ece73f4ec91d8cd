// The run's printouts as PDF files (the DTAUS cover sheet, the SEPA pre-notification):
// drawn into memory first, then written as one unit (safefile.h), so that a full disk
// or a missing right gives a German sentence and leaves no empty or half file behind.
#pragma once

#include "printing/printjob.h"

#include <QByteArray>
#include <QString>

namespace ferolind::printing {

// The layout's pages as PDF bytes (A4 portrait, 600 dpi); throws DataError when no page
// could be drawn.
QByteArray pdfBytes(PageLayout& layout, int openPageCount, const QString& title);
// The same, written to `path` whole or not at all; throws DataError with the cause.
void writePdfAtomically(PageLayout& layout, int openPageCount, const QString& path, const QString& title);

}  // namespace ferolind::printing
