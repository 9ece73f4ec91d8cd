#include "payments/sepasettings.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/settings.h"
#include "payments/iban.h"
#include "payments/sepawriter.h"

namespace ferolind {

namespace {

// The longest member number the prefix must leave room for within 35 characters.
constexpr int kMemberNumberRoom = 10;

}  // namespace

QStringList mandateDateSources() {
    return {kMandateDateFromEntry, QStringLiteral("Sonstiges1"), QStringLiteral("Sonstiges2"),
            QStringLiteral("Sonstiges3"), QStringLiteral("Sonstiges4")};
}

SepaSettings loadSepaSettings(const SettingsStore& store) {
    SepaSettings s;
    auto take = [&store](const QString& entry, QString& into) {
        const QString text = store.DbSettingGet(entry);
        if (!text.isEmpty()) into = text;
    };
    take(sepaentry::CreditorName, s.creditorName);
    take(sepaentry::CreditorIban, s.creditorIban);
    take(sepaentry::CreditorBic, s.creditorBic);
    take(sepaentry::CreditorId, s.creditorId);
    take(sepaentry::MandatePrefix, s.mandatePrefix);
    take(sepaentry::MandateDateSource, s.mandateDateSource);
    take(sepaentry::SequenceType, s.sequenceType);
    return s;
}

SepaSettings normalizedSepaSettings(const SepaSettings& s) {
    SepaSettings n = s;
    n.creditorName = s.creditorName.trimmed();
    n.creditorIban = compactIban(s.creditorIban);
    n.creditorBic = compactIban(s.creditorBic);
    n.creditorId = compactIban(s.creditorId);
    n.mandatePrefix = s.mandatePrefix.trimmed();
    n.sequenceType = s.sequenceType.trimmed().toUpper();
    return n;
}

QStringList sepaSettingsProblems(const SepaSettings& raw) {
    const SepaSettings s = normalizedSepaSettings(raw);
    QStringList problems;
    if (sepaText(s.creditorName, 70).isEmpty())
        problems << QStringLiteral("Bitte den Namen des Gläubigers (des Vereins) angeben.");
    if (!ibanValid(s.creditorIban)) problems << QStringLiteral("Gläubiger-IBAN: ") + ibanProblem(s.creditorIban);
    if (!s.creditorBic.isEmpty() && !bicValid(s.creditorBic))
        problems << QStringLiteral("Gläubiger-BIC: „%1“ ist keine BIC (8 oder 11 Zeichen, z. B. COBADEFFXXX).")
                        .arg(raw.creditorBic);
    if (!creditorIdValid(s.creditorId)) problems << creditorIdProblem(s.creditorId);
    if (s.mandatePrefix.size() > 35 - kMemberNumberRoom ||
        !identifierValid(s.mandatePrefix + QStringLiteral("1")))
        problems << QStringLiteral("Das Präfix der Mandatsreferenz „%1“ darf nur Buchstaben, Ziffern und / - ? : ( ) . "
                                   ", ' + enthalten (keine Leerzeichen, kein „/“ am Anfang), höchstens %2 Zeichen.")
                        .arg(raw.mandatePrefix)
                        .arg(35 - kMemberNumberRoom);
    if (!mandateDateSources().contains(s.mandateDateSource))
        problems << QStringLiteral("Das Mandatsdatum kann nur aus %1 kommen, nicht aus „%2“.")
                        .arg(mandateDateSources().join(QStringLiteral(", ")), s.mandateDateSource);
    if (s.sequenceType != u"RCUR" && s.sequenceType != u"FRST")
        problems << QStringLiteral("Der Sequenztyp „%1“ ist weder RCUR (Folgelastschrift) noch FRST (Erstlastschrift).")
                        .arg(raw.sequenceType);
    return problems;
}

void storeSepaSettings(DataModule& data, const SepaSettings& raw) {
    const QStringList problems = sepaSettingsProblems(raw);
    if (!problems.isEmpty())
        throw DataError(problems.join(u'\n') + QStringLiteral("\nDie SEPA-Einstellungen wurden nicht gespeichert."));
    const SepaSettings s = normalizedSepaSettings(raw);
    SettingsStore& store = data.settings();
    Transaction tx(data.connection());
    store.DbSettingSet(sepaentry::CreditorName, s.creditorName);
    store.DbSettingSet(sepaentry::CreditorIban, s.creditorIban);
    store.DbSettingSet(sepaentry::CreditorBic, s.creditorBic);
    store.DbSettingSet(sepaentry::CreditorId, s.creditorId);
    store.DbSettingSet(sepaentry::MandatePrefix, s.mandatePrefix);
    store.DbSettingSet(sepaentry::MandateDateSource, s.mandateDateSource);
    store.DbSettingSet(sepaentry::SequenceType, s.sequenceType);
    tx.commit();
}

QString mandateReference(const QString& prefix, int memberId) { return prefix + QString::number(memberId); }

}  // namespace ferolind
