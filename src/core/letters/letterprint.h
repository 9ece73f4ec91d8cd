// Printing letters: a document laid out on its own page (paper and margins from its RTF,
// A4 with 2 cm margins otherwise) at the screen's 96 dots per inch (as the editor shows it) and drawn, scaled, on any paged device: printer or PDF.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QTextDocument;

namespace ferolind::letters {

// The number of pages the letter takes.
int letterPageCount(const QTextDocument& doc);

// Draws every page of the letter on the painter's device; with newPageFirst the device
// first starts a new page (a further letter of the same job). Returns the pages drawn.
int drawLetter(QPainter& painter, QPagedPaintDevice& device, const QTextDocument& doc, bool newPageFirst);

// Prints one letter as a print job of its own on the device (a printer): false when the
// device cannot be started.
bool printLetter(QPagedPaintDevice& device, const QTextDocument& doc);

// Writes letters into one PDF file of their pages, each letter from a new page: `letter(i)`
// gives letter i of count. The file appears complete or not at all; throws DataError
// (German). Returns the number of pages.
int writeLettersPdf(const QString& path, int count, const std::function<std::unique_ptr<QTextDocument>(int)>& letter,
                    const QString& title);

}  // namespace ferolind::letters
