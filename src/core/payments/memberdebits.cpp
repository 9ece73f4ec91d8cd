#include "payments/memberdebits.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/paymentstore.h"
#include "data/progress.h"
#include "members/memberrules.h"
#include "payments/dtausrun.h"
#include "session/session.h"

#include <QSet>

namespace ferolind {

namespace {

// A member as messages name it: "Nr. 12 (Anna Berg)".
QString memberName(const Dataset& m, const RowRef& r) {
    const QString name = (r[m.field(QStringLiteral("Vorname"))].toString() + u' ' +
                          r[m.field(QStringLiteral("Nachname"))].toString())
                             .trimmed();
    const QString number = r[m.field(QStringLiteral("ID"))].toString();
    return name.isEmpty() ? QStringLiteral("Nr. %1").arg(number) : QStringLiteral("Nr. %1 (%2)").arg(number, name);
}

}  // namespace

DisplaysQuiet::DisplaysQuiet(DataModule& d) : data(d) { data.DisconnectDB(); }
DisplaysQuiet::~DisplaysQuiet() { data.ConnectDB(); }

MemberDebits collectMemberDebits(Session& session, const FeePeriod* period,
                                 const std::function<QString(const MemberDebit&, const RowRef&)>& take,
                                 const std::function<void(const QString& who, const QString& why)>& refuse,
                                 const DebitSelection& selection) {
    DataModule& data = session.data();
    Dataset& m = data.members();
    const MemberRules& rules = session.memberRules();
    const int fId = m.field(QStringLiteral("ID")), fDtaus = m.field(QStringLiteral("DTAUS")),
              fClass = m.field(QStringLiteral("Betrag")), fAccount = m.field(QStringLiteral("Kontonummer")),
              fBank = m.field(QStringLiteral("Bankleitzahl")), fHolder = m.field(QStringLiteral("Kontoinhaber")),
              fLeft = m.field(QStringLiteral("AustrittDatum"));
    const QDate collectionDay = selection.collectionDate.isValid() ? selection.collectionDate : rules.today();
    MemberDebits result;
    QSet<int> inRun;
    Progress progress(QStringLiteral("Die Lastschriften werden zusammengestellt"), m.recordCount());
    for (int p = 0; p < m.recordCount(); ++p) {
        progress.step(p + 1);
        const RowRef r = m.rowAt(p);
        if (!r[fDtaus].toBool()) continue;
        MemberDebit d;
        d.who = memberName(m, r);
        if (!selection.includeFormerMembers && !r[fLeft].isNull()) {
            const QDateTime left = toDateTime(r[fLeft]);
            if (left.isValid() && left.date() < collectionDay) {
                result.formerMembers << d.who;
                continue;
            }
        }
        if (r[fId].isNull()) {
            refuse(d.who, QStringLiteral("Das Mitglied hat keine Mitgliedsnummer."));
            continue;
        }
        d.memberId = r[fId].toInt();
        const QString className = r[fClass].toString();
        const std::optional<Money> fee = feeOfClass(data, className);
        if (!fee) {
            refuse(d.who, className.isEmpty() ? QStringLiteral("Das Mitglied hat keine Beitragsklasse.")
                                              : QStringLiteral("Die Beitragsklasse „%1“ gibt es nicht.").arg(className));
            continue;
        }
        const QString accountText = r[fAccount].toString();
        const std::optional<qint64> account = wholeNumberOf(accountText.trimmed());
        if (!account) {
            refuse(d.who, QStringLiteral("Die Kontonummer „%1“ ist keine ganze Zahl.").arg(accountText));
            continue;
        }
        if (period && (inRun.contains(d.memberId) ||
                       rules.IsFeePaid(d.memberId, period->kind, period->year, period->period))) {
            result.alreadyPaid << d.who;
            continue;
        }
        d.fee = *fee;
        d.account = *account;
        d.bankCode = r[fBank].isNull() ? 0 : r[fBank].toLongLong();
        d.holder = r[fHolder].toString();
        const QString why = take(d, r);
        if (!why.isEmpty()) {
            refuse(d.who, why);
            continue;
        }
        inRun.insert(d.memberId);
        result.amount += d.fee;
        result.debits.push_back(std::move(d));
    }
    return result;
}

void refuseWhenAllPaid(const MemberDebits& collected) {
    if (collected.debits.isEmpty() && !collected.alreadyPaid.isEmpty())
        throw DataError(QStringLiteral("Alle %1 Mitglieder mit DTAUS haben den Beitrag dieses Zeitraums schon "
                                       "bezahlt.\nEs wurde keine Datei erstellt.")
                            .arg(collected.alreadyPaid.size()));
}

QString alreadyPaidNote(const QStringList& alreadyPaid) {
    if (alreadyPaid.isEmpty()) return {};
    const QStringList shown = alreadyPaid.mid(0, 10);
    return QStringLiteral("\nNicht eingezogen, da der Beitrag schon bezahlt ist (%1): %2")
        .arg(alreadyPaid.size())
        .arg(shown.join(QStringLiteral(", ")) + (alreadyPaid.size() > shown.size() ? QStringLiteral(", …") : QString()));
}

QString formerMembersNote(const QStringList& formerMembers) {
    if (formerMembers.isEmpty()) return {};
    const QStringList shown = formerMembers.mid(0, 10);
    return QStringLiteral("\nNicht eingezogen, da vor dem Einzugsdatum ausgetreten (%1): %2")
        .arg(formerMembers.size())
        .arg(shown.join(QStringLiteral(", ")) +
             (formerMembers.size() > shown.size() ? QStringLiteral(", …") : QString()));
}

int storeFeePaymentsWith(DataModule& data, MemberDebits& collected, const FeePeriod* period,
                         const std::function<void(Transaction&, bool changed)>& finish) {
    Transaction tx(data.connection());
    bool changed = false;
    if (period && data.connection()) {
        const QSet<int> payers = feePayersInFile(*data.connection(), period->kind, period->year, period->period);
        QVector<MemberDebit> kept;
        kept.reserve(collected.debits.size());
        for (MemberDebit& d : collected.debits) {
            if (!payers.contains(d.memberId)) {
                kept.push_back(std::move(d));
                continue;
            }
            collected.alreadyPaid << d.who;
            collected.amount -= d.fee;
            changed = true;
        }
        collected.debits = std::move(kept);
        refuseWhenAllPaid(collected);
    }
    int recorded = 0;
    if (period) {
        Progress progress(QStringLiteral("Die Beitragszahlungen werden gebucht"), int(collected.debits.size()));
        for (const MemberDebit& d : collected.debits) {
            try {
                storeFeePaymentRow(data, d.memberId, *period);
            } catch (const DataError& e) {
                throw DataError(QStringLiteral("Mitglied %1: %2").arg(d.who, e.message()) + kNothingDoneText);
            }
            progress.step(++recorded);
        }
    }
    finish(tx, changed);
    return recorded;
}

}  // namespace ferolind
