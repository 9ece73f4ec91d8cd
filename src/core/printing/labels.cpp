#include "labels.h"

#include "data/dataset.h"
#include "data/errors.h"
#include "data/settings.h"
#include "data/values.h"

#include <QVector>

namespace ferolind::printing {

namespace {

const QString kRowsEntry = QStringLiteral("ZeilenEtiketten");
const QString kColumnsEntry = QStringLiteral("SpaltenEtiketten");
constexpr int kFirstX = 500;
constexpr int kFirstY = 750;
constexpr int kLabelGap = 60;

}  // namespace

LabelGrid storedLabelGrid(const SettingsStore& settings) {
    LabelGrid g;
    const int rows = settings.DbSettingGetInt(kRowsEntry);
    const int columns = settings.DbSettingGetInt(kColumnsEntry);
    if (rows >= 1 && rows <= kMaxLabelRows) g.rows = rows;
    if (columns >= 1 && columns <= kMaxLabelColumns) g.columns = columns;
    return g;
}

void checkLabelGrid(const LabelGrid& grid) {
    if (grid.rows < 1 || grid.rows > kMaxLabelRows)
        throw DataError(QStringLiteral("Die Anzahl der Zeilen muss zwischen 1 und %1 liegen.").arg(kMaxLabelRows));
    if (grid.columns < 1 || grid.columns > kMaxLabelColumns)
        throw DataError(QStringLiteral("Die Anzahl der Spalten muss zwischen 1 und %1 liegen.").arg(kMaxLabelColumns));
}

void storeLabelGrid(SettingsStore& settings, const LabelGrid& grid) {
    checkLabelGrid(grid);
    settings.DbSettingSetInt(kRowsEntry, grid.rows);
    settings.DbSettingSetInt(kColumnsEntry, grid.columns);
}

int LabelLayout::rowPitch() const { return N(kPageHeight * 0.88 / grid.rows); }
int LabelLayout::columnPitch() const { return N(kPageWidth * 0.9 / grid.columns); }

int LabelLayout::sheetCount() const {
    const int per = labelsPerSheet();
    return std::max(1, (members_.recordCount() + per - 1) / per);
}

QVector<LabelLayout::Line> LabelLayout::labelLines(int position) const {
    const RowRef r = members_.rowAt(position);
    auto text = [&](const char* name) {
        const int f = members_.field(QString::fromLatin1(name));
        return valueToText(members_.fields()[f].type, r[f]);
    };
    QVector<Line> lines;
    if (fields.id) lines.push_back({-125, 75, text("ID")});
    if (fields.salutation) lines.push_back({0, 100, text("Anrede")});
    if (fields.firstName && fields.lastName) lines.push_back({125, 100, text("Vorname") + u' ' + text("Nachname")});
    if (fields.street) lines.push_back({250, 100, text("Strasse")});
    if (fields.postcode && fields.town) {
        const QString town = text("PLZ") + u' ' + text("Ort");
        lines.push_back({400, 100, fields.country ? text("Land") + u'-' + town : town});
    }
    return lines;
}

void LabelLayout::prepare(Canvas&, int, int) { checkLabelGrid(grid); }

int LabelLayout::drawPage(Canvas& canvas, int W, int H, int page) {
    checkLabelGrid(grid);
    const double sx = double(W) / kPageWidth, sy = double(H) / kPageHeight;
    const int last = sheetCount();
    const int sheet = std::min(page, last);
    const int per = labelsPerSheet();
    const int begin = (sheet - 1) * per;
    const int end = std::min(members_.recordCount(), begin + per);
    const int xp = columnPitch(), yp = rowPitch();
    canvas.setAlign(HAlign::Left, VAlign::Baseline);
    for (int position = begin; position < end; ++position) {
        const int i = position - begin;
        const int x = kFirstX + (i % grid.columns) * xp;
        const int y = kFirstY + (i / grid.columns) * yp;
        // A line stays on its label (a gap before the next) and on the page.
        const int width = std::min(xp - kLabelGap, kPageWidth - kLabelGap - x);
        for (const Line& line : labelLines(position)) {
            canvas.setFont(QStringLiteral("Arial"), N(line.height * sy));
            canvas.drawText(N(x * sx), N((y + line.dy) * sy), elidedToWidth(canvas, line.text, N(width * sx)));
        }
    }
    return sheet < last ? 0 : last;
}

}  // namespace ferolind::printing
