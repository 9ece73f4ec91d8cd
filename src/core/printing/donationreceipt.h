// The donation receipt: the club's confirmation of a money or in-kind donation for the
// donor's tax return, one fixed page drawn from the contents of the receipt screen (or
// the CLI's options), with the amount as typed and spelled out character by character.
#pragma once

#include "printjob.h"

#include <QDate>
#include <QString>

namespace ferolind::printing {

// The club's own data, kept in club-wide settings entries.
struct ClubData {
    QString name, street, town, taxOffice, taxNumber, noticeDate, validFrom, purpose;
    bool provisional = false;       // "vorlaeufig": only a provisional certificate
    bool waiver = false;            // "VerzichtErstattungAufwendungen" (money receipts)
    bool notMembershipFee = false;  // "nichtMitgliedsbeitrag" (money receipts)
};

struct DonationReceipt {
    ClubData club;
    QString donorName, donorStreet, donorTown;
    QString amount;  // as typed
    QString date;    // of the donation, as typed
    bool inKind = false;
    // In-kind details.
    QString itemDescription;
    bool fromBusinessAssets = false;
    bool fromPrivateAssets = false;
    bool noOriginInfo = false;
    bool valuationDocuments = false;
    // The day of the place-and-date line.
    QDate today;
};

// The amount spelled out: a word and "*" per leading digit, comma or point
// ("12,50" gives "eins*zwei*Komma*fuenf*null*"); the words stop at the first other
// character.
QString AmountInWords(const QString& amount);
// The copies of a copies text: its whole number, 1 when it is none; kept to 1 to 20.
int receiptCopies(const QString& text);
inline const QString kReceiptTitle = QStringLiteral("Spendenquittung - Ferolind");
// The captions of the two pages, which also end the heading.
inline const QString kMoneyCaption = QStringLiteral("Geldzuwendungen/Mitgliedsbeitrag");
inline const QString kInKindCaption = QStringLiteral("Sachzuwendungen");
// The captions of the four in-kind boxes, printed as they stand.
inline const QString kPrivateAssetsCaption =
    QStringLiteral("Die Sachzuwendung stammt nach den Angaben des Zuwendenden aus dem Privatvermögen.");
inline const QString kNoOriginCaption = QStringLiteral(
    "Der Zuwendende hat trotz Aufforderung keine Angaben zur Herkunft der Sachzuwendung gemacht.");
inline const QString kValuationCaption = QStringLiteral(
    "Geeignete Unterlagen, die zur Wertermittlung gedient haben, z. B. Rechnung, Gutachten, liegen vor.");

class DonationReceiptLayout : public PageLayout {
public:
    explicit DonationReceiptLayout(const DonationReceipt& receipt) : r_(receipt) {}

    // Device pixels per inch: the point sizes of the form become cell heights with it.
    int resolution = 600;

    void prepare(Canvas& canvas, int W, int H) override;
    // The receipt is one page.
    int drawPage(Canvas& canvas, int W, int H, int page) override;

    // Cell height in device pixels of Arial at a point size.
    int cellHeight(double points) const;

private:
    // Draws the form; returns the lowest baseline in the form's units. From kFlowStart on
    // the lines' distances are multiplied by `squeeze`.
    double drawForm(Canvas& canvas, int W, int H, double squeeze);
    static constexpr int kFlowStart = 1500;
    const DonationReceipt& r_;
};

}  // namespace ferolind::printing
