// The donation receipt's data around the printed form: the club data in its club-wide
// entries, the members to pick the donor from, and the income booking prepared after
// printing. The receipt screen and ferolind-cli call these.
#pragma once

#include "printing/donationreceipt.h"

#include <QStringList>

namespace ferolind {

class DataModule;
class Session;

// The club data from the entries "Name", "Strasse", "Ort", "Finanzamt", "Steuernummer",
// "Bescheiddatum", "gueltigAb", "Zweck" and the Booleans "vorlaeufig",
// "VerzichtErstattungAufwendungen", "nichtMitgliedsbeitrag". Absent texts are empty; a
// Boolean that is absent or unreadable is false.
printing::ClubData loadClubData(DataModule& data);
// Writes every entry, all in one transaction.
void storeClubData(DataModule& data, const printing::ClubData& club);

// The members of the member dataset in its filter and order, each as
// ID + " -  " + Vorname + " " + Nachname; the displays are suspended meanwhile.
QStringList donorPicks(DataModule& data);

struct Donor {
    QString name, street, town;
};
// The donor of a pick text: the member dataset moves to the member whose ID is the text
// before the first blank (it stays where it was when there is none), and the donor is
// the member it stands on then: "Vorname Nachname", "Strasse", "PLZ Ort".
Donor pickDonor(DataModule& data, const QString& pickText);

// The booking category and text of a donation.
inline const QString kDonationCategory = QStringLiteral("Spenden");
inline const QString kDonationText = QStringLiteral("Spende");

// Starts the income booking of a donation in the shared booking dataset: payee, today's
// date, "Spende", category "Spenden" and the amount as typed. An amount text the booking
// cannot read throws the field's conversion message, and no booking is started. The
// booking stays unsaved for the booking entry screen or the caller.
void prepareDonationBooking(Session& session, const QString& donorName, const QString& amountText);

}  // namespace ferolind
