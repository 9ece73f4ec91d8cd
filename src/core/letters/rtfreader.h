// Reading Rich Text Format into a QTextDocument: the letters' file format.
//
// What a letter needs is read: the font table, the colour table, character formatting
// (font, size, bold, italic, underline, strike-out, colour, super- and subscript),
// paragraph formatting (alignment, first-line, left and right indent, space before and
// after), paragraph and line breaks, tabs, page breaks, \uN with its fallback and \'hh in
// the code page of the document or of the font. Everything else is skipped with its
// group: unknown "\*" destinations, style sheets, document information, pictures,
// headers and footers, field instructions (a field's result is kept).
//
// Malformed input never crashes: unbalanced groups, cut-off files, odd numbers are read
// as far as they make sense. Only input that is no RTF at all is refused.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QTextDocument;

namespace ferolind::letters {

// Indents and spacing sit in a QTextBlockFormat as pixels of a 96 dpi screen: one point
// is 4/3 pixel, one twip (1/20 point) 1/15 pixel.
constexpr double kPixelsPerPoint = 4.0 / 3.0;

// The property of the document that keeps the colour table read from a file
// (QList<QColor>, the first entry invalid when the table starts with the automatic colour),
// so that writing the letter back keeps its order.
inline constexpr const char* kColorTableProperty = "rtfColorTable";

// The page of a letter as its RTF gives it (\paperw \paperh \margl \margr \margt
// \margb, in twips); a document read from a file keeps it as the property kPageProperty,
// so that printing and writing back use the letter's own page. Default: A4, 2 cm.
struct PageSetup {
    int paperWidth = 11906, paperHeight = 16838;
    int left = 1134, right = 1134, top = 1134, bottom = 1134;
    bool operator==(const PageSetup&) const = default;
};
inline constexpr const char* kPageProperty = "rtfPage";
PageSetup pageSetupOf(const QTextDocument& doc);
void setPageSetup(QTextDocument& doc, const PageSetup& page);

// The font families the document uses that this system does not have (a printer would
// silently take another); empty when every one is there.
QStringList missingFonts(const QTextDocument& doc);

// The default font of a document that names none.
QString defaultLetterFont();

// Reads RTF text into a new document. Throws DataError (German) when the data is no RTF
// (it must begin with "{\rtf").
std::unique_ptr<QTextDocument> readRtf(const QByteArray& data);

// Reads an RTF file. Throws DataError with the file's name when it cannot be read or is
// no RTF.
std::unique_ptr<QTextDocument> readRtfFile(const QString& path);

}  // namespace ferolind::letters
