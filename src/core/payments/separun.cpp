#include "payments/separun.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "members/banklookup.h"
#include "members/memberrules.h"
#include "payments/dtausrun.h"
#include "payments/iban.h"
#include "payments/memberdebits.h"
#include "payments/runfiles.h"
#include "session/session.h"

#include <QDir>
#include <QHash>

namespace ferolind {

namespace {

// More refused members than this are counted, not listed.
constexpr int kListedRefusals = 30;

// The member field the mandate date comes from, as messages name it.
QString sourceCaption(const QString& field) {
    return field == kMandateDateFromEntry ? QStringLiteral("das Eintrittsdatum") : QStringLiteral("das Feld %1").arg(field);
}

QHash<qint64, QString> bicTable(const QString& file) {
    try {
        if (!file.isEmpty()) return bicsOfBankCodes(file);
        if (!ensureBankCodeFile()) return {};
        return bicsOfBankCodes(bankCodeFilePath());
    } catch (const DataError&) {
        return {};  // without the bank codes no BIC is known: the file says "NOTPROVIDED"
    }
}

struct Prepared {
    SepaRunResult result;
    MemberDebits collected;
    FeePeriod period;
};

Prepared prepare(Session& session, const SepaRunInput& input) {
    const QDate today = session.memberRules().today();
    QStringList problems = sepaSettingsProblems(input.settings);
    if (splitDtausTarget(input.target).fileName.isEmpty()) problems << dtausrunmsg::NoTarget;
    const QString dateProblem = collectionDateProblem(input.collectionDate, today);
    if (!dateProblem.isEmpty()) problems << dateProblem;
    if (!problems.isEmpty()) throw DataError(problems.join(u'\n') + kNothingDoneText);

    Prepared p;
    if (input.recordPayments) p.period = feePeriodFromTexts(input.periodKind, input.yearText, input.periodText);
    DataModule& data = session.data();
    Dataset& m = data.members();
    m.checkBrowseMode();
    data.feePayments().checkBrowseMode();

    const SepaSettings s = normalizedSepaSettings(input.settings);
    const QHash<qint64, QString> bics = bicTable(input.bankCodeFile);
    const int fMandateDate = m.field(s.mandateDateSource);
    const QString remittance = input.remittance.trimmed().isEmpty() ? QStringLiteral("Mitgliedsbeitrag") : input.remittance;

    SepaFile& file = p.result.file;
    const QDateTime now = QDateTime::currentDateTime();
    file.created = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    file.messageId = QStringLiteral("FEROLIND-") + file.created.toString(QStringLiteral("yyyyMMddHHmmss"));
    file.collectionDate = input.collectionDate;
    file.sequenceType = s.sequenceType;
    file.creditor = {s.creditorName, s.creditorIban, s.creditorBic, s.creditorId};

    QStringList refused;
    int refusedCount = 0;
    {
        DisplaysQuiet quiet(data);
        p.collected = collectMemberDebits(
            session, input.recordPayments ? &p.period : nullptr,
            [&](const MemberDebit& d, const RowRef& r) {
                const std::optional<QString> iban = germanIban(d.bankCode, d.account);
                if (!iban)
                    return QStringLiteral("Aus der Bankleitzahl „%1“ und der Kontonummer „%2“ ergibt sich keine IBAN.")
                        .arg(d.bankCode)
                        .arg(d.account);
                const QDate mandateDate = mandateDateOf(r[fMandateDate]);
                if (!mandateDate.isValid())
                    return QStringLiteral("Das Mitglied hat kein Mandatsdatum (%1 ist leer oder kein Datum).")
                        .arg(sourceCaption(s.mandateDateSource));
                if (mandateDate > today)
                    return QStringLiteral("Das Mandatsdatum %1 liegt nach heute.").arg(dateToText(mandateDate));
                if (d.fee < kMoneyUnit / 200)
                    return QStringLiteral("Der Beitrag ist %1: eine Lastschrift braucht einen Betrag.")
                        .arg(moneyToCurrency(d.fee));
                if (sepaText(d.holder, 70).isEmpty()) return QStringLiteral("Der Kontoinhaber fehlt.");
                SepaDebit debit;
                debit.who = d.who;
                debit.mandateId = mandateReference(s.mandatePrefix, d.memberId);
                debit.endToEndId =
                    QStringLiteral("%1-%2").arg(input.collectionDate.toString(QStringLiteral("yyyyMMdd"))).arg(d.memberId);
                debit.mandateDate = mandateDate;
                debit.debtorName = d.holder;
                debit.iban = *iban;
                debit.bic = bics.value(d.bankCode);
                debit.amount = d.fee;
                debit.remittance = remittance;
                file.debits.push_back(std::move(debit));
                return QString();
            },
            [&](const QString& who, const QString& why) {
                if (++refusedCount <= kListedRefusals) refused << QStringLiteral("Mitglied %1: %2").arg(who, why);
            },
            DebitSelection{input.collectionDate, input.includeFormerMembers});
    }
    if (refusedCount > kListedRefusals)
        refused << QStringLiteral("… und %1 weitere Mitglieder.").arg(refusedCount - kListedRefusals);
    if (!refused.isEmpty()) throw DataError(refused.join(u'\n') + kNothingDoneText);
    refuseWhenAllPaid(p.collected);
    if (file.debits.isEmpty())
        throw DataError(QStringLiteral("Es wird kein Mitglied mit DTAUS angezeigt: es gibt nichts einzuziehen.") +
                        kNothingDoneText);
    p.result.alreadyPaid = p.collected.alreadyPaid;
    p.result.formerMembers = p.collected.formerMembers;
    p.result.payments = int(file.debits.size());
    p.result.amount = sepaControlSum(file.debits);
    p.result.path = input.target;
    return p;
}

}  // namespace

QString collectionDateProblem(const QDate& day, const QDate& today) {
    const QString earliest = dateToText(earliestCollectionDate(today));
    if (!day.isValid()) return QStringLiteral("Bitte den Fälligkeitstag angeben (frühestens %1).").arg(earliest);
    if (day.dayOfWeek() >= 6)
        return QStringLiteral("Der Fälligkeitstag %1 ist ein %2: an Wochenenden wird nicht eingezogen (frühestens %3).")
            .arg(dateToText(day), day.dayOfWeek() == 6 ? QStringLiteral("Samstag") : QStringLiteral("Sonntag"), earliest);
    if (!isTargetBusinessDay(day))
        return QStringLiteral("Der Fälligkeitstag %1 ist ein Feiertag des TARGET-Kalenders (Neujahr, Karfreitag, "
                              "Ostermontag, 1. Mai, 25. und 26. Dezember): bitte einen anderen Tag wählen.")
            .arg(dateToText(day));
    if (day < earliestCollectionDate(today))
        return QStringLiteral("Der Fälligkeitstag %1 muss ein Bankarbeitstag nach heute sein, frühestens der %2.")
            .arg(dateToText(day), earliest);
    return {};
}

QDate mandateDateOf(const QVariant& value) {
    if (value.isNull()) return {};
    if (value.typeId() == QMetaType::QString) {
        const QVariant d = parseDate(value.toString().trimmed());
        return d.isNull() ? QDate() : toDateTime(d).date();
    }
    // A date as it is; only a moment needs converting (through the local time).
    if (value.typeId() == QMetaType::QDate) return value.toDate();
    return toDateTime(value).date();
}

SepaRunResult prepareSepaRun(Session& session, const SepaRunInput& input) { return prepare(session, input).result; }

SepaRunResult runSepa(Session& session, const SepaRunInput& input) {
    Prepared p = prepare(session, input);
    DataModule& data = session.data();
    // The debits by member, to take out those another workstation booked meanwhile.
    QHash<int, SepaDebit> debitOf;
    for (qsizetype i = 0; i < p.collected.debits.size(); ++i)
        debitOf.insert(p.collected.debits[i].memberId, p.result.file.debits[i]);

    DisplaysQuiet quiet(data);
    p.result.recorded = storeFeePaymentsWith(
        data, p.collected, input.recordPayments ? &p.period : nullptr, [&](Transaction& tx, bool changed) {
            if (changed) {
                p.result.file.debits.clear();
                for (const MemberDebit& d : p.collected.debits) p.result.file.debits.push_back(debitOf.value(d.memberId));
            }
            const QByteArray xml = writeSepaFile(p.result.file, session.memberRules().today());
            try {
                storeSepaSettings(data, input.settings);
            } catch (const DataError& e) {
                throw DataError(e.message() + kNothingDoneText);
            }
            // The payments, the run's record and a complete copy of the file in one
            // transaction; the file takes its place after the commit (runfiles.h).
            p.result.note =
                commitRunFile(data, tx, QStringLiteral("SEPA"), p.result.path, xml, input.recordPayments).note;
        });
    p.result.alreadyPaid = p.collected.alreadyPaid;
    p.result.formerMembers = p.collected.formerMembers;
    p.result.payments = int(p.result.file.debits.size());
    p.result.amount = sepaControlSum(p.result.file.debits);
    return p.result;
}

QString sepaRunSummary(const SepaRunResult& r) {
    QString text = QStringLiteral("Die SEPA-Datei „%1“ wurde erstellt: %2 Lastschrift(en) über %3, fällig am %4.")
                       .arg(QDir::toNativeSeparators(r.path))
                       .arg(r.payments)
                       .arg(moneyToCurrency(r.amount), dateToText(r.file.collectionDate));
    if (r.recorded > 0) text += QStringLiteral("\nFür %1 Mitglied(er) wurde der Beitrag gebucht.").arg(r.recorded);
    text += alreadyPaidNote(r.alreadyPaid);
    text += formerMembersNote(r.formerMembers);
    return text + r.note;
}

}  // namespace ferolind
