#include "memberentryrules.h"

#include "banklookup.h"
#include "data/datamodule.h"
#include "data/postalcodes.h"
#include "fees/feepayments.h"
#include "memberrules.h"
#include "data/errors.h"
#include "data/dataset.h"
#include "payments/ibanentry.h"
#include "session/session.h"

namespace ferolind {

const QString MemberEntryRules::kCloseQuestion = QStringLiteral("Änderungen speichern beim aktuellen Datensatz?");
const QString MemberEntryRules::kMemberGoneMessage = QStringLiteral(
    "Das angezeigte Mitglied wurde an einem anderen Arbeitsplatz gelöscht. "
    "Es wird das nächste Mitglied angezeigt.");

MemberEntryRules::MemberEntryRules(Session& session)
    : data_(session.data()), members_(session.data().members()), rules_(session.memberRules()) {}

QString MemberEntryRules::deleteQuestion(const QString& firstName, const QString& lastName) {
    return QStringLiteral("Mitglied ") + firstName + QLatin1Char(' ') + lastName + QStringLiteral(" wirklich löschen?");
}

QString MemberEntryRules::accountHolderText(const QString& firstName, const QString& lastName) {
    return firstName + QLatin1Char(' ') + lastName;
}

QStringList MemberEntryRules::searchFieldItems() {
    return {QStringLiteral("ID"), QStringLiteral("Vorname"), QStringLiteral("Nachname")};
}

QString MemberEntryRules::searchField(const QString& boxText) {
    static const QStringList fields = {QStringLiteral("ID"),         QStringLiteral("Vorname"),
                                       QStringLiteral("Nachname"),   QStringLiteral("Sonstiges1"),
                                       QStringLiteral("Sonstiges2"), QStringLiteral("Sonstiges3"),
                                       QStringLiteral("Sonstiges4")};
    for (const QString& f : fields)
        if (f.compare(boxText.trimmed(), Qt::CaseInsensitive) == 0) return f;
    return {};
}

QStringList MemberEntryRules::salutations() const {
    return data_.settings().DbSettingGetList(QStringLiteral("Anrede"));
}

QStringList MemberEntryRules::sortedFeeClassNames() const { return rules_.sortedFeeClassNames(); }

bool MemberEntryRules::feeClassExists(const QString& name) const { return rules_.feeClassExists(name); }

QStringList MemberEntryRules::lookUpTowns(const QString& townBoxText) {
    const QString plz = members_.isOpen() ? members_.text(QStringLiteral("PLZ")) : QString();
    const QStringList towns = townsForPostalCode(data_.postalCodes(), plz);
    if (!towns.isEmpty() && townBoxText.isEmpty() && members_.isEditing())
        members_.setText(QStringLiteral("Ort"), towns.first());
    return towns;
}

void MemberEntryRules::lookUpBank() {
    const QString name = bankNameForCode(members_.text(QStringLiteral("Bankleitzahl")));
    if (members_.isEditing()) members_.setText(QStringLiteral("Bank"), name);
}

QString MemberEntryRules::ibanText() const {
    if (!members_.isOpen()) return {};
    return ibanFieldText(members_.value(QStringLiteral("Bankleitzahl")), members_.value(QStringLiteral("Kontonummer")));
}

QString MemberEntryRules::bicText() const {
    if (ibanText().isEmpty()) return {};
    try {
        return bicForBankCode(bankCodeFilePath(), members_.value(QStringLiteral("Bankleitzahl")).toLongLong());
    } catch (const DataError&) {
        return {};
    }
}

void MemberEntryRules::takeIban(const QString& text) {
    if (!members_.isOpen() || compactIban(text) == compactIban(ibanText())) return;
    const TypedIban typed = readTypedIban(text);
    if (!typed.message.isEmpty()) throw DataError(typed.message);
    if (!typed.account) return;
    if (!members_.isEditing()) members_.edit();
    members_.setValue(QStringLiteral("Bankleitzahl"), typed.account->bankCode);
    members_.setText(QStringLiteral("Kontonummer"), QString::number(typed.account->account));
    lookUpBank();
}

void MemberEntryRules::fillAccountHolder() {
    if (!members_.isEditing()) members_.edit();
    members_.setText(QStringLiteral("Kontoinhaber"), accountHolderText(members_.text(QStringLiteral("Vorname")),
                                                                       members_.text(QStringLiteral("Nachname"))));
}

bool MemberEntryRules::directDebitPossible() const {
    return members_.isOpen() && rules_.directDebitDataComplete(members_.currentRow());
}

void MemberEntryRules::directDebitDataEdited() {
    if (!members_.isOpen() || !members_.isEditing() || !members_.value(QStringLiteral("DTAUS")).toBool()) return;
    if (!rules_.directDebitDataComplete(members_.currentRow())) members_.setValue(QStringLiteral("DTAUS"), false);
}

bool MemberEntryRules::search(const QString& fieldBoxText, const QString& value) {
    const QString field = searchField(fieldBoxText);
    if (value.isEmpty() || field.isEmpty() || !members_.isOpen()) return false;
    return members_.locate(field, {value});
}

QString MemberEntryRules::pickText() const {
    return memberPickText(members_.text(QStringLiteral("ID")), members_.text(QStringLiteral("Vorname")),
                          members_.text(QStringLiteral("Nachname")));
}

void MemberEntryRules::restrictFeePaymentsToMember() {
    const QString id = members_.text(QStringLiteral("ID"));
    data_.feePayments().applyFilter(QStringLiteral("Mitgliedsnummer = ") +
                                    (id.isEmpty() ? QStringLiteral("NULL") : id));
}

void MemberEntryRules::releaseFeePayments() { data_.feePayments().clearFilter(); }

}  // namespace ferolind
