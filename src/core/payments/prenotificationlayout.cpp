#include "payments/prenotificationlayout.h"

#include "data/values.h"
#include "payments/iban.h"
#include "payments/runpdf.h"

namespace ferolind::printing {

namespace {

const QString kFont = QStringLiteral("Arial");
constexpr int kLeft = 200, kTop = 200, kRowHeight = 55;

}  // namespace

int PrenotificationLayout::pageCount() const {
    return 1 + (int(file_.debits.size()) + kPrenotificationRows - 1) / kPrenotificationRows;
}

int PrenotificationLayout::drawPage(Canvas& canvas, int W, int H, int page) {
    const double sx = double(W) / 2100, sy = double(H) / 2970;
    canvas.setAlign(HAlign::Left, VAlign::Top);
    canvas.setPenWidth(std::max(1, N(2 * sy)));
    if (page <= 1)
        drawCoverSheet(canvas, sx, sy);
    else if (page <= pageCount())
        drawList(canvas, sx, sy, page - 1);
    const int count = pageCount();
    return page >= count ? count : 0;
}

void PrenotificationLayout::drawCoverSheet(Canvas& c, double sx, double sy) {
    const SepaCreditor& cr = file_.creditor;
    c.setFont(kFont, N(70 * sy), {true});
    c.drawText(N(kLeft * sx), N(kTop * sy), QStringLiteral("Vorabinformation SEPA-Lastschrift"));
    c.setFont(kFont, N(45 * sy));
    c.drawText(N(kLeft * sx), N((kTop + 100) * sy),
               QStringLiteral("Begleitblatt zur Lastschriftdatei (pain.008, SEPA-Basislastschrift)"));
    c.line(N(kLeft * sx), N((kTop + 170) * sy), N(1900 * sx), N((kTop + 170) * sy));
    const std::pair<QString, QString> lines[] = {
        {QStringLiteral("Gläubiger"), cr.name},
        {QStringLiteral("Gläubiger-ID"), compactIban(cr.creditorId)},
        {QStringLiteral("IBAN"), groupedIban(cr.iban)},
        {QStringLiteral("BIC"), cr.bic.isEmpty() ? QStringLiteral("–") : cr.bic},
        {QStringLiteral("Nachrichten-ID"), file_.messageId},
        {QStringLiteral("Erstellt am"), dateToText(file_.created)},
        {QStringLiteral("Fälligkeitstag"), dateToText(file_.collectionDate)},
        {QStringLiteral("Sequenztyp"), file_.sequenceType == u"FRST" ? QStringLiteral("FRST (Erstlastschrift)")
                                                                       : QStringLiteral("RCUR (Folgelastschrift)")},
        {QStringLiteral("Anzahl der Lastschriften"), QString::number(file_.debits.size())},
        {QStringLiteral("Summe"), moneyToCurrency(sepaControlSum(file_.debits))},
    };
    int y = kTop + 230;
    for (const auto& [caption, value] : lines) {
        c.drawText(N(kLeft * sx), N(y * sy), caption);
        c.drawText(N(800 * sx), N(y * sy), value);
        y += 80;
    }
}

void PrenotificationLayout::drawList(Canvas& c, double sx, double sy, int listPage) {
    // Columns: member, account holder, mandate reference, IBAN, amount (right), collection date.
    const int x[] = {kLeft, 390, 860, 1180, 1830, 1850};
    c.setFont(kFont, N(40 * sy), {true});
    c.drawText(N(kLeft * sx), N(kTop * sy),
               QStringLiteral("Vorabinformation – fällig am %1 – Seite %2 von %3")
                   .arg(dateToText(file_.collectionDate))
                   .arg(listPage)
                   .arg(pageCount() - 1));
    int y = kTop + 90;
    const QString heads[] = {QStringLiteral("Mitglied"), QStringLiteral("Kontoinhaber"), QStringLiteral("Mandatsreferenz"),
                             QStringLiteral("IBAN"), QStringLiteral("Betrag"), QStringLiteral("Fällig am")};
    for (int i = 0; i < 6; ++i) {
        c.setAlign(i == 4 ? HAlign::Right : HAlign::Left, VAlign::Top);
        c.drawText(N(x[i] * sx), N(y * sy), heads[i]);
    }
    y += kRowHeight;
    c.line(N(kLeft * sx), N(y * sy), N(1950 * sx), N(y * sy));
    y += 15;
    c.setFont(kFont, N(36 * sy));
    const int first = (listPage - 1) * kPrenotificationRows;
    const int end = std::min<int>(first + kPrenotificationRows, file_.debits.size());
    for (int i = first; i < end; ++i) {
        const SepaDebit& d = file_.debits[i];
        const QString cells[] = {d.who.section(u' ', 0, 1), d.debtorName.left(28), d.mandateId, groupedIban(d.iban),
                                 moneyToCurrency(d.amount), dateToText(file_.collectionDate)};
        for (int k = 0; k < 6; ++k) {
            c.setAlign(k == 4 ? HAlign::Right : HAlign::Left, VAlign::Top);
            c.drawText(N(x[k] * sx), N(y * sy), cells[k]);
        }
        y += kRowHeight;
    }
    c.setAlign(HAlign::Left, VAlign::Top);
}

void writePrenotificationPdf(const SepaFile& file, const QString& path) {
    PrenotificationLayout layout(file);
    writePdfAtomically(layout, layout.pageCount(), path, QStringLiteral("Vorabinformation SEPA-Lastschrift"));
}

}  // namespace ferolind::printing
