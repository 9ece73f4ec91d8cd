#include "donationreceipt.h"

#include "data/values.h"

namespace ferolind::printing {

namespace {

const QString kArial = QStringLiteral("Arial");
// Arial's cell (ascent plus descent) per em: 2288 of 2048 font units.
constexpr double kArialCellPerEm = 2288.0 / 2048.0;

QString mark(bool ticked) { return ticked ? QStringLiteral("[X]") : QStringLiteral("[   ]"); }

}  // namespace

QString AmountInWords(const QString& amount) {
    static const char* const digits[] = {"null", "eins", "zwei", "drei", "vier",
                                         "fuenf", "sechs", "sieben", "acht", "neun"};
    QString words;
    for (const QChar c : amount) {
        if (c >= u'0' && c <= u'9')
            words += QString::fromLatin1(digits[c.unicode() - u'0']);
        else if (c == u',')
            words += QStringLiteral("Komma");
        else if (c == u'.')
            words += QStringLiteral("Punkt");
        else
            break;
        words += u'*';
    }
    return words;
}

int receiptCopies(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok) return 1;
    return std::clamp(n, 1, 20);
}

int DonationReceiptLayout::cellHeight(double points) const {
    return std::max(1, N(points * resolution / 72.0 * kArialCellPerEm));
}

void DonationReceiptLayout::prepare(Canvas&, int, int) {}

int DonationReceiptLayout::drawPage(Canvas& target, int W, int H, int) {
    // A statement that does not fit its line is wrapped, and what follows moves down; when
    // that would run past the foot of the page, the lines from the first statement on
    // move closer together. Measured first, then drawn.
    GatedCanvas measuring(target);
    measuring.open = false;
    const double bottom = drawForm(measuring, W, H, 1.0);
    const double foot = double(H) / (double(W) / 2880) - 40;
    const double squeeze = bottom > foot ? (foot - kFlowStart) / (bottom - kFlowStart) : 1.0;
    drawForm(target, W, H, squeeze);
    return 1;
}

double DonationReceiptLayout::drawForm(Canvas& canvas, int W, int H, double squeeze) {
    // The form's grid: x goes with the page height, y with the page width.
    const double sx = double(H) / 3892, sy = double(W) / 2880;
    // The right edge of the text in the form's units, a little inside the page's.
    const int right = int(W / sx) - 100;
    double shift = 0;  // how far the wrapped lines above moved the rest down
    double lowest = 0;
    auto place = [&](int y) {
        const double at = y < kFlowStart ? y + shift : kFlowStart + (y + shift - kFlowStart) * squeeze;
        lowest = std::max(lowest, at);
        return N(at * sy);
    };
    canvas.setAlign(HAlign::Left, VAlign::Baseline);
    canvas.setFont(kArial, 30);
    canvas.drawText(0, 0, QStringLiteral(" "));
    // The form's own lines are made to fit; a line holding the user's data (names, the
    // purpose, the tax office, the amount) may not and is wrapped.
    auto text = [&](int y, int x, double size, const QString& t, bool centred = false, bool underline = false,
                    bool userData = false) {
        canvas.setFont(kArial, cellHeight(size), FontStyle{false, false, underline});
        canvas.setAlign(centred ? HAlign::Center : HAlign::Left, VAlign::Baseline);
        if (centred || t.isEmpty() || !userData) {
            canvas.drawText(N(x * sx), place(y), t);
            return;
        }
        // wrapped at the right edge; each further line one line pitch of its size lower
        const QStringList lines = wrappedToWidth(canvas, t, std::max(1, N((right - x) * sx)));
        const double pitch = size * 6.25;  // 8 pt: 50 units, 12 pt: 75
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) shift += pitch;
            canvas.drawText(N(x * sx), place(y), lines[i]);
        }
    };
    const ClubData& c = r_.club;
    const bool money = !r_.inKind;
    text(300, 420, 13, c.name);
    text(400, 420, 13, c.street);
    text(500, 420, 13, c.town);
    text(800, 1440, 16, QStringLiteral("Bestätigung über ") + (money ? kMoneyCaption : kInKindCaption), true);
    text(900, 1440, 8,
         QStringLiteral("im Sinne des § 10b des Einkommensteuergesetzes an eine der in § 5 Abs. 1 Nr. 9 des Körperschaft-"),
         true);
    text(950, 1440, 8,
         QStringLiteral("steuergesetzes bezeichneten Körperschaften, Personenvereinigungen oder Vermögensmassen"), true);
    text(1125, 400, 10, QStringLiteral("Name und Anschrift des Zuwendenden:"));
    text(1200, 600, 12, r_.donorName, false, false, true);
    text(1275, 600, 12, r_.donorStreet, false, false, true);
    text(1350, 600, 12, r_.donorTown, false, false, true);
    text(1500, 400, 10, QStringLiteral("Betrag der Zuwendung:"));
    text(1575, 600, 12, r_.amount + QStringLiteral(" € (") + AmountInWords(r_.amount) + u')', false, false, true);
    text(1700, 400, 10, QStringLiteral("Tag der Zuwendung:"));
    text(1775, 600, 12, r_.date);
    if (!money) {
        text(1900, 400, 10, QStringLiteral("Genaue Bezeichnung der Sachzuwendung mit Alter, Zustand, Kaufpreis usw.:"));
        text(2000, 500, 12, r_.itemDescription, false, false, true);
        text(2100, 400, 9, mark(r_.fromBusinessAssets));
        text(2100, 500, 9,
             QStringLiteral("Die Sachzuwendung stammt nach den Angaben des Zuwendenden aus dem Betriebsvermögen"));
        text(2150, 500, 9,
             QStringLiteral("und ist mit dem Entnahmewert (ggf. mit dem niedrigeren gemeinen Wert) bewertet."));
        text(2250, 400, 9, mark(r_.fromPrivateAssets));
        text(2250, 500, 9, kPrivateAssetsCaption);
        text(2350, 400, 9, mark(r_.noOriginInfo));
        text(2350, 500, 9, kNoOriginCaption);
        text(2450, 400, 9, mark(r_.valuationDocuments));
        text(2450, 500, 9, kValuationCaption);
    } else {
        text(2200, 400, 10, QStringLiteral("Es handelt sich um den Verzicht auf Erstattung von Aufwendungen"));
        text(2200, 2000, 10,
             c.waiver ? QStringLiteral("JA  [X]     Nein [   ]") : QStringLiteral("JA  [   ]     Nein [X]"));
    }
    const QString office = c.taxOffice + QStringLiteral(", StNr. ") + c.taxNumber;
    text(2600, 400, 8, mark(!c.provisional));
    text(2600, 500, 8,
         QStringLiteral("Wir sind wegen Förderung (Angabe des begünstigten Zwecks / der begünstigten Zwecke) \"") +
             c.purpose + u'"',
         false, false, true);
    text(2650, 500, 8,
         QStringLiteral("nach dem letzten uns zugegangenen Freistellungsbescheid bzw. nach der Anlage zum "
                        "Körperschaftsteuerbescheid"));
    text(2700, 500, 8,
         QStringLiteral("des Finanzamtes ") + office + QStringLiteral(" vom ") + c.noticeDate +
             QStringLiteral(" nach § 5 Abs. 1 Nr. 9 des Körperschaftsteuergesetzes"),
         false, false, true);
    text(2750, 500, 8,
         QStringLiteral("von der Körperschaftsteuer und nach § 3 Nr. 6 des Gewerbesteuergesetzes von der Gewerbesteuer "
                        "befreit."));
    text(2800, 400, 8, mark(c.provisional));
    text(2800, 500, 8,
         QStringLiteral("Wir sind wegen Förderung (Angabe des begünstigten Zwecks / der begünstigten Zwecke) ") + c.purpose,
         false, false, true);
    text(2850, 500, 8,
         QStringLiteral("durch vorläufige Bescheinigung des Finanzamtes ") + office + QStringLiteral(") vom ") +
             c.noticeDate + QStringLiteral(" ab "),
         false, false, true);
    text(2900, 500, 8, c.validFrom + QStringLiteral(" als steuerbegünstigten Zwecken dienend anerkannt."), false, false,
         true);
    text(3000, 400, 9,
         QStringLiteral("Es wird bestätigt, dass die Zuwendung nur zur Förderung (Angabe des begünstigten Zwecks / der "
                        "begünstigten Zwecke)"));
    text(3075, 600, 12, c.purpose, false, false, true);
    text(3150, 400, 9, QStringLiteral("verwendet wird."));
    if (money) {
        text(3225, 400, 9,
             QStringLiteral("Nur für steuerbegünstigte Einrichtungen, bei denen die Mitgliedsbeiträge steuerlich nicht "
                            "abziehbar sind:"));
        text(3300, 400, 9, c.notMembershipFee ? QStringLiteral("[X]") : QStringLiteral("[  ]"));
        text(3300, 500, 9,
             QStringLiteral("Es wird bestätigt, dass es sich nicht um einen Mitgliedsbeitrag i.S.v § 10b Abs. 1 Satz 2 "
                            "EStG handelt)."));
    }
    const QDate today = r_.today.isValid() ? r_.today : QDate::currentDate();
    text(3400, 400, 9, c.town + QStringLiteral(", den ") + dateToText(today), false, false, true);
    text(3550, 400, 9, QString(87, u' '), false, true);
    text(3600, 400, 9, QStringLiteral("(Unterschrift des Zuwendungsempfängers)"));
    text(3700, 400, 7,
         QStringLiteral("Hinweis: Wer vorsätzlich oder grob fahrlässig eine unrichtige Zuwendungsbestätigung erstellt "
                        "oder wer veranlasst, dass Zuwendungen"));
    text(3750, 400, 7,
         QStringLiteral("nicht zu den in der Zuwendungsbestätigung angegebenen steuerbegünstigten Zwecken verwendet "
                        "werden, haftet für die Steuer, die dem "));
    text(3800, 400, 7,
         QStringLiteral("Fiskus durch einen etwaigen Abzug der Zuwendungen beim Zuwendenden entgeht (§10b Abs. 4 EStG, "
                        "§9 Abs. 3 KStG, §9 Nr. 5 GewStG)."));
    text(3900, 400, 7,
         QStringLiteral("Diese Bestätigung wird nicht als Nachweis für die steuerliche Berücksichtigung der Zuwendung "
                        "anerkannt, wenn das Datum des "));
    text(3950, 400, 7,
         QStringLiteral("Freistellungsbescheides länger als 5 Jahre bzw. das Datum der vorläufigen Bescheinigung länger "
                        "als 3 Jahre seit Ausstellung"));
    text(4000, 400, 7, QStringLiteral("der Bestätigung zurückliegt (BMF vom 15.12.1994 - BStBl I S. 884)."));
    return lowest;
}

}  // namespace ferolind::printing
