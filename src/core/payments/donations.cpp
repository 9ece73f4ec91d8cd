#include "donations.h"

#include "booking/bookingrules.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/settings.h"
#include "data/values.h"
#include "fees/feepayments.h"
#include "session/session.h"

namespace ferolind {

using printing::ClubData;

namespace {

struct TextEntry {
    const char* name;
    QString ClubData::*field;
};
const TextEntry kTexts[] = {
    {"Name", &ClubData::name},           {"Strasse", &ClubData::street},
    {"Ort", &ClubData::town},            {"Finanzamt", &ClubData::taxOffice},
    {"Steuernummer", &ClubData::taxNumber}, {"Bescheiddatum", &ClubData::noticeDate},
    {"gueltigAb", &ClubData::validFrom}, {"Zweck", &ClubData::purpose},
};
struct FlagEntry {
    const char* name;
    bool ClubData::*field;
};
const FlagEntry kFlags[] = {
    {"vorlaeufig", &ClubData::provisional},
    {"VerzichtErstattungAufwendungen", &ClubData::waiver},
    {"nichtMitgliedsbeitrag", &ClubData::notMembershipFee},
};

}  // namespace

ClubData loadClubData(DataModule& data) {
    const SettingsStore& s = data.settings();
    ClubData c;
    for (const TextEntry& e : kTexts) c.*e.field = s.DbSettingGet(QString::fromLatin1(e.name));
    for (const FlagEntry& e : kFlags) c.*e.field = s.DbSettingGetBool(QString::fromLatin1(e.name));
    return c;
}

void storeClubData(DataModule& data, const ClubData& club) {
    SettingsStore& s = data.settings();
    Transaction t(data.connection());
    for (const TextEntry& e : kTexts) s.DbSettingSet(QString::fromLatin1(e.name), club.*e.field);
    for (const FlagEntry& e : kFlags) s.DbSettingSetBool(QString::fromLatin1(e.name), club.*e.field);
    t.commit();
}

QStringList donorPicks(DataModule& data) {
    Dataset& m = data.members();
    struct Resume {
        DataModule& d;
        ~Resume() { d.ConnectDB(); }
    } resume{data};
    data.DisconnectDB();
    QStringList picks;
    const int fId = m.field(QStringLiteral("ID")), fFirst = m.field(QStringLiteral("Vorname")),
              fLast = m.field(QStringLiteral("Nachname"));
    for (int p = 0; p < m.recordCount(); ++p) {
        const RowRef r = m.rowAt(p);
        picks << memberPickText(r[fId], r[fFirst].toString(), r[fLast].toString());
    }
    return picks;
}

Donor pickDonor(DataModule& data, const QString& pickText) {
    Dataset& m = data.members();
    bool ok = false;
    const int id = pickText.section(QLatin1Char(' '), 0, 0).toInt(&ok);
    if (ok) m.locate(QStringLiteral("ID"), {id});
    if (m.isEmpty()) return {};
    return {m.text(QStringLiteral("Vorname")) + u' ' + m.text(QStringLiteral("Nachname")), m.text(QStringLiteral("Strasse")),
            m.text(QStringLiteral("PLZ")) + u' ' + m.text(QStringLiteral("Ort"))};
}

void prepareDonationBooking(Session& session, const QString& donorName, const QString& amountText) {
    Dataset& b = session.data().bookings();
    // The amount is read before anything starts: a text the booking cannot take
    // starts no booking at all.
    const int amountField = b.field(QStringLiteral("Betrag"));
    valueFromText(b.fields()[amountField], amountText);
    b.checkBrowseMode();
    b.insert();  // the booking rules: next number, today, "E"
    try {
        b.setText(QStringLiteral("Empfaenger/Absender"), donorName);
        b.setValue(QStringLiteral("Datum"), session.bookingRules().today());
        b.setValue(QStringLiteral("Buchungstext"), kDonationText);
        b.setValue(QStringLiteral("Kategorie"), kDonationCategory);
        b.setText(QStringLiteral("Betrag"), amountText);
    } catch (...) {
        b.cancel();
        throw;
    }
}

}  // namespace ferolind
