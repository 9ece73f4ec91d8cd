// The club's SEPA creditor data and its choices for the direct-debit file, kept club-wide
// in the settings store. They are checked where they are stored: a store with a wrong
// IBAN, BIC, creditor identifier or mandate prefix changes no entry.
#pragma once

#include <QString>
#include <QStringList>

namespace ferolind {

class DataModule;
class SettingsStore;

// The entry names in the settings store.
namespace sepaentry {
inline const QString CreditorName = QStringLiteral("SEPAGlaeubigerName");
inline const QString CreditorIban = QStringLiteral("SEPAGlaeubigerIBAN");
inline const QString CreditorBic = QStringLiteral("SEPAGlaeubigerBIC");
inline const QString CreditorId = QStringLiteral("SEPAGlaeubigerID");
inline const QString MandatePrefix = QStringLiteral("SEPAMandatsreferenzPraefix");
inline const QString MandateDateSource = QStringLiteral("SEPAMandatsdatumQuelle");
inline const QString SequenceType = QStringLiteral("SEPASequenztyp");
inline const QString Target = QStringLiteral("SEPAZieldatei");
// The format the direct-debit screen had chosen last: "DTAUS" or "SEPA".
inline const QString Format = QStringLiteral("Lastschriftformat");
}  // namespace sepaentry

// The member field the mandate date is read from: the entry date, or one of the free
// fields holding a date (TT.MM.JJJJ).
inline const QString kMandateDateFromEntry = QStringLiteral("EintrittDatum");
QStringList mandateDateSources();  // EintrittDatum, Sonstiges1 .. Sonstiges4

struct SepaSettings {
    QString creditorName;
    QString creditorIban;
    QString creditorBic;  // may be empty (IBAN only)
    QString creditorId;
    QString mandatePrefix = QStringLiteral("MITGL-");  // mandate reference: prefix + member number
    QString mandateDateSource = kMandateDateFromEntry;
    QString sequenceType = QStringLiteral("RCUR");      // or "FRST"
};

// The stored settings; an entry that is absent or empty keeps its default.
SepaSettings loadSepaSettings(const SettingsStore& store);
// Every reason the settings cannot be used, in German; empty when they can.
QStringList sepaSettingsProblems(const SepaSettings& s);
// The settings in their stored form: IBAN, BIC and creditor identifier without blanks,
// in capitals; names trimmed.
SepaSettings normalizedSepaSettings(const SepaSettings& s);
// Checks, then stores every entry (normalized) in one transaction. Throws DataError with
// every problem and then stores nothing.
void storeSepaSettings(DataModule& data, const SepaSettings& s);

// The mandate reference of a member: prefix + member number.
QString mandateReference(const QString& prefix, int memberId);

}  // namespace ferolind
