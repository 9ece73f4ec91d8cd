#include "memberlistlayout.h"

#include "data/dataset.h"
#include "data/settings.h"

namespace ferolind::printing {

namespace {

constexpr int kDtausGridColumn = 22;
const QString kArial = QStringLiteral("Arial");
const QString kNarrow = QStringLiteral("Arial Narrow");

bool isName(int gridColumn) { return gridColumn == 2 || gridColumn == 3; }  // Vorname, Nachname

}  // namespace

int memberPrintGridColumn(int printColumn) { return printColumn < kDtausGridColumn ? printColumn : printColumn + 1; }

const QStringList& memberPrintFields() {
    static const QStringList f = [] {
        QStringList all = memberColumnFields();
        all.removeAt(kDtausGridColumn);
        return all;
    }();
    return f;
}

const QStringList& memberPrintCaptions() {
    static const QStringList c = {"Mitgliedsnr.", "Anrede",      "Vorname",     "Nachname",    "Strasse",
                                  "Land",         "PLZ",         "Ort",         "Telefon 1",   "Telefon 2",
                                  "Telefax",      "e-Mail",      "Geburtsdat.", "Eintritt",    "Austritt",
                                  "Geschlecht",   "Status",      "Kontonr.",    "Kontoinh.",   "BLZ",
                                  "Bank",         "Beitrag",     "Sonstiges 1", "Sonstiges 2", "Sonstiges 3",
                                  "Sonstiges 4",  "Jubiläum",    "Beitrag akt. bez."};
    return c;
}

QStringList memberPrintHeadings(const FreeFieldLabels& labels) {
    return {"ID",          "Anrede",         "Vorname",        "Nachname",   "Straße",       "Land",
            "PLZ",         "Ort",            "Telefon 1",      "Telefon 2",  "Telefax",      "e-Mail",
            "Geburtsdatum", "Eintrittsdatum", "Austrittsdatum", "Geschlecht", "Status",       "Kontonummer",
            "Kontoinhaber", "Bankleitzahl",   "Bank",           "Beitragsklasse", labels.s[0], labels.s[1],
            labels.s[2],   labels.s[3],      "Jubiläum",       "Beitrag akt. bez."};
}

MemberListLayout::MemberListLayout(Dataset& members, Dataset& feeClasses) : members_(members), feeClasses_(feeClasses) {
    selected.fill(true);
    for (const QString& f : memberColumnFields()) fieldIndex_ << members_.field(f);
}

void MemberListLayout::loadLabels(const SettingsStore& settings) {
    for (int i = 0; i < 4; ++i) {
        const QString label = settings.DbSettingGet(QStringLiteral("S%1").arg(i + 1));
        labels.s[i] = label.isEmpty() ? FreeFieldLabels::defaultLabel(i) : label;
    }
}

void MemberListLayout::scale(int W, int H) {
    W_ = W;
    H_ = H;
    sx_ = double(W) / (landscape ? 7016 : 4961);
    sy_ = double(H) / (landscape ? 4961 : 7016);
    gap_ = N(60 * sx_);
}

bool MemberListLayout::leftOut(int printColumn) const {
    // Nothing measured beyond the gap: no member has a value in the column.
    return widths_[memberPrintGridColumn(printColumn)] <= gap_;
}

QString MemberListLayout::cellText(int position, int printColumn) const {
    const int grid = memberPrintGridColumn(printColumn);
    const RowRef row = members_.rowAt(position);
    const int f = fieldIndex_[grid];
    const QString text = valueToText(members_.fields()[f].type, row[f]);
    if (grid != 21 || text.isEmpty()) return text;
    // The fee class cell: class name, a blank and the class's fee (empty when unknown).
    const auto fee = fees_.constFind(text);
    return text + QChar(u' ') + (fee == fees_.cend() ? QString() : moneyToFixed2(*fee) + QStringLiteral(" €"));
}

void MemberListLayout::MeasureColumns(Canvas& canvas) {
    fees_.clear();
    const int name = feeClasses_.isOpen() ? feeClasses_.field(QStringLiteral("Name")) : -1;
    const int fee = feeClasses_.isOpen() ? feeClasses_.field(QStringLiteral("Beitrag")) : -1;
    for (int i = 0; name >= 0 && i < feeClasses_.totalCount(); ++i) {
        const RowRef r = feeClasses_.recordAt(i);
        const QString n = r[name].toString();
        if (!fees_.contains(n)) fees_.insert(n, r[fee].toLongLong());
    }
    widths_.fill(0);
    const int h = N(71 * sy_);
    for (int bold = 0; bold < 2; ++bold) {
        canvas.setFont(kArial, h, FontStyle{bold == 1, false, false});
        // Towns, dates, classes repeat: each text is measured once.
        QHash<QString, int> measured;
        for (int p = 0; p < members_.recordCount(); ++p) {
            for (int grid = 0; grid < 29; ++grid) {
                if (isName(grid) != (bold == 1)) continue;
                QString text;
                if (grid == kDtausGridColumn) {
                    const int f = fieldIndex_[grid];
                    text = valueToText(members_.fields()[f].type, members_.rowAt(p)[f]);
                } else {
                    text = cellText(p, grid < kDtausGridColumn ? grid : grid - 1);
                }
                if (text.isEmpty()) continue;
                auto known = measured.constFind(text);
                if (known == measured.cend()) known = measured.insert(text, canvas.textWidth(text));
                widths_[grid] = std::max(widths_[grid], *known);
            }
        }
    }
    for (int& w : widths_) w += gap_;
}

void MemberListLayout::wrap(int printColumn, int& x, int& y, int* wraps) const {
    if (printColumn < 3 || printColumn == kMemberPrintColumns - 1) return;
    if (x > 0.9 * W_) {
        x = N(400 * sx_);
        y += N(108 * sy_);
        if (wraps) ++*wraps;
    }
}

int MemberListLayout::DrawHeading(Canvas& canvas) {
    canvas.setFont(kArial, N(100 * sy_));
    canvas.setAlign(HAlign::Center, VAlign::Top);
    canvas.drawText(N(0.5 * W_), N(183 * sy_), title);
    canvas.setPenWidth(N(5 * sy_));
    const int right = N(8000 * sx_);
    const int y1 = N(158 * sy_), y2 = y1 + N(151 * sy_);
    canvas.line(0, y1, right, y1);
    canvas.line(0, y2, right, y2);
    int y = y2 + N(251 * sy_), x = N(216 * sx_);
    canvas.setFont(kNarrow, N(65 * sx_));
    canvas.setAlign(HAlign::Left, VAlign::Baseline);
    const QStringList headings = memberPrintHeadings(labels);
    for (int c = 0; c < kMemberPrintColumns; ++c) {
        if (printed(c)) {
            canvas.drawText(x, y, headings[c]);
            x += widths_[memberPrintGridColumn(c)];
        }
        wrap(c, x, y);
    }
    canvas.setFont(kArial, N(71 * sy_));
    canvas.setPenWidth(N(2 * sy_));
    y += N(65 * sy_);
    canvas.line(0, y, right, y);
    y += N(12 * sy_);
    canvas.line(0, y, right, y);
    return y + N(100 * sy_);
}

int MemberListLayout::RowPitch() const {
    int x = N(216 * sx_), y = 0, wraps = 0;
    for (int c = 0; c < kMemberPrintColumns; ++c) {
        if (printed(c)) x += widths_[memberPrintGridColumn(c)];
        wrap(c, x, y, &wraps);
    }
    return wraps * N(108 * sy_) + N(216 * sy_);
}

void MemberListLayout::prepare(Canvas& canvas, int W, int H) {
    scale(W, H);
    MeasureColumns(canvas);
    relayout(canvas, W, H);
}

void MemberListLayout::relayout(Canvas& canvas, int W, int H) {
    scale(W, H);
    GatedCanvas measuring(canvas);
    measuring.open = false;
    firstBaseline_ = DrawHeading(measuring);
    const int pitch = RowPitch();
    const double limit = 0.95 * H_;
    rows_ = firstBaseline_ <= limit ? int((limit - firstBaseline_) / pitch) + 1 : 0;
    // A page always takes at least one member, or the list would never end.
    rows_ = std::max(rows_, 1);
}

int MemberListLayout::drawPage(Canvas& canvas, int W, int H, int page) {
    if (W != W_ || H != H_) relayout(canvas, W, H);
    int y = DrawHeading(canvas);
    int position = (page - 1) * rows_;
    const int count = members_.recordCount();
    const int pen = N(2 * sy_), right = N(8000 * sx_);
    const int normal = N(71 * sy_);
    canvas.setAlign(HAlign::Left, VAlign::Baseline);
    while (position < count) {
        int x = N(216 * sx_);
        for (int c = 0; c < kMemberPrintColumns; ++c) {
            if (printed(c)) {
                const bool name = isName(memberPrintGridColumn(c));
                canvas.setFont(kArial, normal, FontStyle{name, false, false});
                // a cell that would reach the page edge is cut with "…"
                canvas.drawText(x, y, elidedToWidth(canvas, cellText(position, c), W_ - N(100 * sx_) - x));
                x += widths_[memberPrintGridColumn(c)];
            }
            wrap(c, x, y);
        }
        y += N(100 * sy_);
        canvas.setPenWidth(pen);
        canvas.line(0, y, right, y);
        ++position;
        y += N(116 * sy_);
        // A full page; when it took the last member it is the last page (no page with
        // only the heading follows).
        if (y > 0.95 * H_) return position >= count ? page : 0;
    }
    return page;
}

}  // namespace ferolind::printing
