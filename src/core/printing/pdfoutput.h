// Printing a layout into a PDF file of A4 pages at 600 dots per inch, the drawing origin
// at the paper's corner. The file appears complete or not at all.
#pragma once

#include "printjob.h"

#include <QString>

namespace ferolind::printing {

// Returns the number of pages; throws DataError (German) when the file cannot be written.
int writePdf(PageLayout& layout, int openPageCount, const QString& path, bool landscape, const QString& title);

}  // namespace ferolind::printing
