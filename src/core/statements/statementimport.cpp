#include "statementimport.h"

#include "booking/bookingrules.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/settings.h"
#include "data/statemententries.h"
#include "members/memberrules.h"
#include "payments/iban.h"
#include "payments/sepasettings.h"
#include "session/session.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>

namespace ferolind {

namespace {

constexpr int kTextSize = 50;  // payee and booking text columns
constexpr int kMaxPeriodsPerPayment = 24;
const QString kReturnCategory = QStringLiteral("Rücklastschriften");
const QString kChargesCategory = QStringLiteral("Bankgebühren");

QString fit(const QString& s) { return s.simplified().left(kTextSize).trimmed(); }

// Letters and digits only, lower case: what a fingerprint compares.
QString folded(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (QChar c : s)
        if (c.isLetterOrNumber()) out += c.toLower();
    return out;
}

QString periodText(const FeePeriod& p) {
    if (p.kind == int(PaymentPeriod::Monthly)) return QStringLiteral("%1/%2").arg(p.period, 2, 10, QLatin1Char('0')).arg(p.year);
    if (p.kind == int(PaymentPeriod::Quarterly)) return QStringLiteral("Q%1/%2").arg(p.period).arg(p.year);
    return QString::number(p.year);
}

FeePeriod nextPeriod(FeePeriod p) {
    const int last = p.kind == int(PaymentPeriod::Monthly) ? 12 : p.kind == int(PaymentPeriod::Quarterly) ? 4 : 0;
    if (last == 0 || p.period >= last) {
        ++p.year;
        p.period = last == 0 ? 0 : 1;
    } else {
        ++p.period;
    }
    return p;
}

FeePeriod periodOfDay(int kind, const QDate& day) {
    FeePeriod p{kind, day.year(), 0};
    if (kind == int(PaymentPeriod::Monthly)) p.period = day.month();
    if (kind == int(PaymentPeriod::Quarterly)) p.period = (day.month() + 2) / 3;
    return p;
}

bool rowIsPeriod(const StoredFeePayment& r, const FeePeriod& p) {
    if (r.year != p.year) return false;
    if (p.kind == int(PaymentPeriod::Monthly)) return r.month == p.period;
    if (p.kind == int(PaymentPeriod::Quarterly)) return r.quarter == p.period;
    return true;
}

QString storedPeriodText(const StoredFeePayment& r) {
    if (r.month > 0) return QStringLiteral("%1/%2").arg(r.month, 2, 10, QLatin1Char('0')).arg(r.year);
    if (r.quarter > 0) return QStringLiteral("Q%1/%2").arg(r.quarter).arg(r.year);
    return QString::number(r.year);
}

// The payment a return reverses: the one of the period the debit was collected in, else
// the member's newest.
const StoredFeePayment* reversedPayment(const QVector<StoredFeePayment>& rows, int kind, const QDate& collected) {
    if (rows.isEmpty()) return nullptr;
    if (collected.isValid()) {
        const FeePeriod p = periodOfDay(kind, collected);
        for (const StoredFeePayment& r : rows)
            if (rowIsPeriod(r, p)) return &r;
    }
    return &rows.first();
}

struct Member {
    int id = 0;
    QString name;
    Money fee = 0;  // of its class; 0 when it has none
};

// The members as the matching looks them up, built once per statement.
struct MemberIndex {
    QHash<int, Member> byId;
    QHash<QString, QVector<int>> byIban;
    QHash<QString, QVector<int>> byName;  // "vorname nachname", folded per word

    explicit MemberIndex(DataModule& data) {
        QHash<QString, Money> fees;
        const Dataset& c = data.feeClasses();
        if (c.isOpen()) {
            const int fName = c.field(QStringLiteral("Name")), fFee = c.field(QStringLiteral("Beitrag"));
            for (int i = 0; i < c.totalCount(); ++i) {
                const RowRef r = c.recordAt(i);
                if (!r.isNull(fFee)) fees.insert(r[fName].toString(), r[fFee].toLongLong());
            }
        }
        const Dataset& m = data.members();
        const int fId = m.field(QStringLiteral("ID")), fFirst = m.field(QStringLiteral("Vorname")),
                  fLast = m.field(QStringLiteral("Nachname")), fBlz = m.field(QStringLiteral("Bankleitzahl")),
                  fAccount = m.field(QStringLiteral("Kontonummer")), fClass = m.field(QStringLiteral("Betrag"));
        byId.reserve(m.totalCount());
        for (int i = 0; i < m.totalCount(); ++i) {
            const RowRef r = m.recordAt(i);
            if (r.isNull(fId)) continue;
            Member x;
            x.id = r[fId].toInt();
            const QString first = r[fFirst].toString().simplified(), last = r[fLast].toString().simplified();
            x.name = (first + u' ' + last).trimmed();
            x.fee = fees.value(r[fClass].toString(), 0);
            byId.insert(x.id, x);
            if (!r.isNull(fBlz) && !r.isNull(fAccount)) {
                bool ok = false;
                const qint64 account = r[fAccount].toString().trimmed().toLongLong(&ok);
                if (ok && account > 0)
                    if (const std::optional<QString> iban = germanIban(r[fBlz].toLongLong(), account))
                        byIban[*iban].append(x.id);
            }
            if (!first.isEmpty() && !last.isEmpty()) byName[nameKey(first, last)].append(x.id);
        }
    }

    static QString nameKey(const QString& first, const QString& last) { return folded(first) + u' ' + folded(last); }
};

// Member numbers named in a remittance text ("Mitgliedsnummer 17", "Mitgl.-Nr. 17", "Nr. 17").
QVector<int> numbersInText(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("(?:mitglieds?(?:nummer|[- ]?nr\\.?)?|mitgl\\.?(?:[- ]?nr\\.?)?|mg[- ]?nr\\.?|nr\\.?)\\s*:?\\s*(\\d{1,9})\\b"),
        QRegularExpression::CaseInsensitiveOption);
    QVector<int> out;
    QRegularExpressionMatchIterator it = re.globalMatch(text);
    while (it.hasNext()) {
        const int n = it.next().captured(1).toInt();
        if (n > 0 && !out.contains(n)) out << n;
    }
    return out;
}

// Members whose first and last name stand side by side in the text (either order).
QVector<int> namesInText(const MemberIndex& index, const QString& text) {
    static const QRegularExpression split(QStringLiteral("[^\\p{L}\\p{N}]+"));
    QStringList words = text.split(split, Qt::SkipEmptyParts);
    for (QString& w : words) w = folded(w);
    QVector<int> out;
    for (int i = 0; i + 1 < words.size(); ++i) {
        for (const QString& key : {words[i] + u' ' + words[i + 1], words[i + 1] + u' ' + words[i]}) {
            const auto it = index.byName.constFind(key);
            if (it == index.byName.constEnd()) continue;
            for (int id : *it)
                if (!out.contains(id)) out << id;
        }
    }
    return out;
}

class Matcher {
public:
    Matcher(Session& session, StatementMatch& match)
        : session_(session), data_(session.data()), match_(match), members_(data_) {
        kind_ = storedPaymentPeriodKind(data_);
        const SepaSettings sepa = loadSepaSettings(data_.settings());
        mandatePrefix_ = sepa.mandatePrefix;
        creditorId_ = compactIban(sepa.creditorId);
        learnCategories();
    }

    Proposal propose(int index, const StatementEntry& e) {
        Proposal p;
        p.entry = index;
        if (!e.booked) {
            p.kind = ProposalKind::NotBooked;
            p.reason = QStringLiteral("Von der Bank noch nicht gebucht (vorgemerkt): wird nicht übernommen.");
            p.decision = Decision::Reject;
            return p;
        }
        plain(p, e);
        if (!e.credit && returnOf(p, e)) return p;
        if (e.credit) feeOf(p, e);
        return p;
    }

private:
    void learnCategories() {
        const Dataset& b = data_.bookings();
        const int fPayee = b.field(QStringLiteral("Empfaenger/Absender")), fDir = b.field(QStringLiteral("SollHaben")),
                  fCat = b.field(QStringLiteral("Kategorie"));
        for (int i = 0; i < b.totalCount(); ++i) {
            const RowRef r = b.recordAt(i);
            const QString cat = r[fCat].toString();
            if (cat.isEmpty()) continue;
            learned_.insert(folded(r[fPayee].toString()) + u'|' + r[fDir].toString(), cat);
        }
    }

    // The plain booking every entry falls back to.
    void plain(Proposal& p, const StatementEntry& e) {
        p.kind = ProposalKind::Booking;
        p.payee = fit(!e.counterpartyName.isEmpty() ? e.counterpartyName
                                                    : !e.bankText.isEmpty() ? e.bankText : QStringLiteral("Bank"));
        p.text = fit(!e.remittance.isEmpty() ? e.remittance : e.bankText);
        const QString dir = e.credit ? QStringLiteral("E") : QStringLiteral("A");
        p.category = learned_.value(folded(p.payee) + u'|' + dir);
        if (!p.category.isEmpty()) {
            p.certainty = 60;
            p.reason = QStringLiteral("%1 „%2“; Kategorie „%3“ wie bei früheren Buchungen")
                           .arg(e.credit ? QStringLiteral("Einnahme von") : QStringLiteral("Ausgabe an"), p.payee, p.category);
        } else {
            p.certainty = 20;
            p.reason = QStringLiteral("%1 ohne frühere Buchung von „%2“: bitte die Kategorie wählen")
                           .arg(e.credit ? QStringLiteral("Einnahme") : QStringLiteral("Ausgabe"), p.payee);
        }
    }

    struct ReturnHit {
        int member = 0, certainty = 0;
        QDate collected;
        QString how;
    };
    // The member of one of our debits that came back: by the end-to-end id our runs write
    // (collection date and member number) or by the mandate reference (prefix and number).
    ReturnHit returnHit(const StatementEntry& e) const {
        ReturnHit h;
        if (e.credit) return h;
        if (!e.creditorId.isEmpty() && !creditorId_.isEmpty() && compactIban(e.creditorId) != creditorId_) return h;
        static const QRegularExpression e2e(QStringLiteral("^(\\d{8})-(\\d{1,9})$"));
        const QRegularExpressionMatch m = e2e.match(e.endToEndId);
        if (m.hasMatch() && members_.byId.contains(m.captured(2).toInt())) {
            h.member = m.captured(2).toInt();
            h.collected = QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd"));
            h.certainty = 98;
            h.how = QStringLiteral("Ende-zu-Ende-Referenz %1").arg(e.endToEndId);
        } else if (!mandatePrefix_.isEmpty() && e.mandateId.startsWith(mandatePrefix_)) {
            bool ok = false;
            const int id = e.mandateId.mid(mandatePrefix_.size()).toInt(&ok);
            if (ok && members_.byId.contains(id) && mandateReference(mandatePrefix_, id) == e.mandateId) {
                h.member = id;
                h.certainty = 90;
                h.how = QStringLiteral("Mandatsreferenz %1").arg(e.mandateId);
            }
        }
        return h;
    }

public:
    void noteReturns(const QVector<StatementEntry>& entries) {
        for (const StatementEntry& e : entries)
            if (const int m = returnHit(e).member) returned_.insert(m);
    }

private:
    bool returnOf(Proposal& p, const StatementEntry& e) {
        const ReturnHit h = returnHit(e);
        const int member = h.member, certainty = h.certainty;
        const QDate collected = h.collected;
        const QString how = h.how;
        if (member == 0) return false;
        const Member& who = members_.byId[member];
        p.kind = ProposalKind::Return;
        p.memberId = member;
        p.memberName = who.name;
        p.certainty = certainty;
        p.payee = fit(who.name);
        p.category = kReturnCategory;
        p.text = fit(QStringLiteral("Rücklastschrift: ") + returnReasonText(e.returnReason));
        const QVector<StoredFeePayment> rows = paymentsInMemory(member);
        const StoredFeePayment* row = reversedPayment(rows, kind_, collected);
        if (row) {
            p.paymentRow = row->rowKey;
            p.reversedPeriod = storedPeriodText(*row);
        }
        QString why = QStringLiteral("Rücklastschrift von Mitglied %1 %2 (%3), Grund %4: %5")
                          .arg(member)
                          .arg(who.name, how, e.returnReason.isEmpty() ? QStringLiteral("–") : e.returnReason,
                               returnReasonText(e.returnReason));
        why += row ? QStringLiteral("; die Beitragszahlung %1 wird zurückgenommen").arg(p.reversedPeriod)
                   : QStringLiteral("; keine Beitragszahlung zum Zurücknehmen gefunden");
        if (e.charges > 0) why += QStringLiteral("; Rücklastschriftgebühr %1").arg(moneyToCurrency(e.charges));
        p.reason = why;
        return true;
    }

    // The member's payment rows as this workstation holds them (the booking reads the file).
    QVector<StoredFeePayment> paymentsInMemory(int member) {
        if (!paymentsRead_) {
            paymentsRead_ = true;
            const Dataset& d = data_.feePayments();
            const int fKey = d.field(QStringLiteral("ID")), fMember = d.field(QStringLiteral("Mitgliedsnummer")),
                      fYear = d.field(QStringLiteral("Jahr")), fMonth = d.field(QStringLiteral("Monat")),
                      fQuarter = d.field(QStringLiteral("Quartal"));
            for (int i = 0; i < d.totalCount(); ++i) {
                const RowRef r = d.recordAt(i);
                const int m = r[fMember].toInt();
                if (returned_.contains(m))
                    payments_[m].append({r[fKey].toLongLong(), r[fYear].toInt(), r[fMonth].toInt(), r[fQuarter].toInt()});
            }
            for (QVector<StoredFeePayment>& list : payments_)
                std::sort(list.begin(), list.end(), [](const StoredFeePayment& a, const StoredFeePayment& b) {
                    return std::tie(b.year, b.month, b.quarter, b.rowKey) < std::tie(a.year, a.month, a.quarter, a.rowKey);
                });
        }
        return payments_.value(member);
    }

    void feeOf(Proposal& p, const StatementEntry& e) {
        int member = 0, certainty = 0;
        QString how;
        const QVector<int> byIban = members_.byIban.value(e.counterpartyIban);
        const QVector<int> byNumber = numbersInText(e.remittance);
        const QVector<int> byName = namesInText(members_, e.remittance);
        auto known = [this](const QVector<int>& ids) {
            QVector<int> out;
            for (int id : ids)
                if (members_.byId.contains(id)) out << id;
            return out;
        };
        if (!byIban.isEmpty()) {
            QVector<int> pick = byIban;
            if (pick.size() > 1) {  // an account several members share: the text says whose
                QVector<int> named;
                for (int id : byIban)
                    if (byNumber.contains(id) || byName.contains(id)) named << id;
                pick = named;
            }
            if (pick.size() == 1) {
                member = pick.first();
                certainty = 95;
                how = QStringLiteral("IBAN %1").arg(groupedIban(e.counterpartyIban));
            }
        }
        if (member == 0) {
            const QVector<int> numbers = known(byNumber);
            if (numbers.size() == 1) {
                member = numbers.first();
                certainty = 85;
                how = QStringLiteral("Mitgliedsnummer %1 im Verwendungszweck").arg(member);
            } else if (numbers.isEmpty() && byName.size() == 1) {
                member = byName.first();
                certainty = 75;
                how = QStringLiteral("Name im Verwendungszweck");
            }
        }
        if (member == 0) return;
        feeFor(p, e, member, certainty, how);
    }

    // The fee proposal for a member: its periods when the amount is its fee or a multiple;
    // else a plain booking naming it. True for a fee.
    bool feeFor(Proposal& p, const StatementEntry& e, int member, int certainty, const QString& how) {
        const Member& who = members_.byId[member];
        if (who.fee <= 0 || e.amount % who.fee != 0 || e.amount / who.fee > kMaxPeriodsPerPayment) {
            p.memberId = member;
            p.memberName = who.name;
            p.payee = fit(who.name);
            if (p.category.isEmpty()) p.category = kFeeCategory;
            p.certainty = 40;
            p.reason = who.fee <= 0 ? QStringLiteral("Mitglied %1 %2 (%3), aber ohne Beitrag seiner Beitragsklasse: als "
                                                     "einfache Buchung")
                                          .arg(member)
                                          .arg(who.name, how)
                                    : QStringLiteral("Mitglied %1 %2 (%3), aber %4 ist kein Vielfaches des Beitrags %5: "
                                                     "als einfache Buchung")
                                          .arg(member)
                                          .arg(who.name, how, moneyToCurrency(e.amount), moneyToCurrency(who.fee));
            return false;
        }
        const int count = int(e.amount / who.fee);
        QVector<FeePeriod> periods;
        FeePeriod at = periodOfDay(kind_, e.bookingDate);
        at.period = kind_ == int(PaymentPeriod::Yearly) ? 0 : 1;  // from the year's first period
        QSet<QString>& taken = assigned_[member];
        for (int guard = 0; periods.size() < count && guard < 12 * 30; ++guard, at = nextPeriod(at)) {
            const QString key = periodText(at);
            if (taken.contains(key) || session_.memberRules().IsFeePaid(member, kind_, at.year, at.period)) continue;
            periods << at;
        }
        if (periods.size() < count) return false;
        for (const FeePeriod& fp : periods) taken.insert(periodText(fp));
        p.kind = ProposalKind::Fee;
        p.memberId = member;
        p.memberName = who.name;
        p.periods = periods;
        p.feePerPeriod = who.fee;
        p.certainty = certainty;
        p.payee = fit(who.name);
        p.category = kFeeCategory;
        QStringList names;
        for (const FeePeriod& fp : periods) names << periodText(fp);
        // One pass over the markers: a name holding "%4" stays as it is.
        p.reason = QStringLiteral("Beitrag von Mitglied %1 %2 (%3): %4 × %5 für %6")
                       .arg(QString::number(member), who.name, how, QString::number(count), moneyToCurrency(who.fee),
                            names.join(QStringLiteral(", ")));
        return true;
    }

public:
    // The user's choice of member for an incoming entry: proposed anew as that member's
    // fee, the periods other proposals of the statement take left out.
    QString assign(Proposal& p, const StatementEntry& e, int member) {
        if (!members_.byId.contains(member)) return QStringLiteral("Es gibt kein Mitglied mit der Nummer %1.").arg(member);
        if (!e.credit || !e.booked) return QStringLiteral("Nur eine gebuchte Gutschrift kann ein Beitrag sein.");
        for (const Proposal& other : match_.proposals)
            if (&other != &p && other.kind == ProposalKind::Fee && other.decision == Decision::Accept)
                for (const FeePeriod& fp : other.periods) assigned_[other.memberId].insert(periodText(fp));
        Proposal fresh;
        fresh.entry = p.entry;
        plain(fresh, e);
        if (!feeFor(fresh, e, member, 100, QStringLiteral("vom Benutzer zugeordnet")))
            return fresh.reason.isEmpty() || fresh.memberId == 0
                       ? QStringLiteral("Für das Mitglied %1 sind keine offenen Zeiträume zu finden.").arg(member)
                       : fresh.reason;
        p = fresh;
        return {};
    }

private:
    Session& session_;
    DataModule& data_;
    StatementMatch& match_;
    MemberIndex members_;
    int kind_ = 0;
    QString mandatePrefix_, creditorId_;
    QHash<QString, QString> learned_;
    QHash<int, QSet<QString>> assigned_;  // periods proposed earlier in this statement

    QSet<int> returned_;  // the members whose returns are looked at (their payments are read once)
    bool paymentsRead_ = false;
    QHash<int, QVector<StoredFeePayment>> payments_;
};

QStringList entryKeys(const BankStatement& s, const StatementEntry& e, int occurrence) {
    QStringList keys;
    if (!e.entryReference.isEmpty()) keys << QStringLiteral("R|%1|%2").arg(s.iban, e.entryReference);
    const QString print = QStringLiteral("%1|%2|%3|%4|%5")
                              .arg(s.iban, e.bookingDate.toString(Qt::ISODate))
                              .arg(e.signedAmount())
                              .arg(folded(e.counterpartyName), folded(e.remittance));
    keys << QStringLiteral("F|%1|%2")
                .arg(QString::fromLatin1(QCryptographicHash::hash(print.toUtf8(), QCryptographicHash::Sha1).toHex()))
                .arg(occurrence);
    return keys;
}

void storeBooking(Dataset& b, const QDate& day, const QString& payee, const QString& text, Money amount,
                  const QString& direction, const QString& category, const QString& account) {
    b.insert();
    try {
        b.setValue(QStringLiteral("Datum"), day);
        b.setValue(QStringLiteral("Empfaenger/Absender"), payee.isEmpty() ? QVariant() : QVariant(payee));
        b.setValue(QStringLiteral("Buchungstext"), text.isEmpty() ? QVariant() : QVariant(text));
        b.setValue(QStringLiteral("Betrag"), amount);
        b.setValue(QStringLiteral("SollHaben"), direction);
        b.setValue(QStringLiteral("Kategorie"), category.isEmpty() ? QVariant() : QVariant(category));
        b.setValue(QStringLiteral("Bestandskonto"), account);
        if (!b.post()) throw DataError(BookingRules::kNoAccountMessage);
    } catch (...) {
        b.cancel();
        throw;
    }
}

}  // namespace

QString statementAccountEntry(const QString& iban) { return QStringLiteral("KontoauszugKonto_") + compactIban(iban); }

StatementMatch matchStatement(Session& session, const BankStatement& statement, const QString& account) {
    StatementMatch match;
    match.statement = statement;
    DataModule& data = session.data();
    const QString remembered = data.settings().DbSettingGet(statementAccountEntry(statement.iban));
    match.account = account.trimmed().isEmpty() ? remembered : account.trimmed();
    match.accountRemembered = account.trimmed().isEmpty() && !remembered.isEmpty();

    QHash<QString, int> occurrences;
    QStringList allKeys;
    match.keys.reserve(statement.entries.size());
    for (const StatementEntry& e : statement.entries) {
        const QStringList probe = entryKeys(statement, e, 0);
        const int n = occurrences[probe.last()]++;
        match.keys.append(entryKeys(statement, e, n));
        allKeys += match.keys.last();
    }
    const QSet<QString> imported = importedEntryKeys(*data.connection(), allKeys);

    Matcher matcher(session, match);
    matcher.noteReturns(statement.entries);
    match.proposals.reserve(statement.entries.size());
    for (int i = 0; i < statement.entries.size(); ++i) {
        bool before = false;
        for (const QString& k : match.keys[i]) before = before || imported.contains(k);
        if (before) {
            Proposal p;
            p.entry = i;
            p.kind = ProposalKind::Imported;
            p.decision = Decision::Reject;
            p.certainty = 100;
            p.reason = QStringLiteral("Schon eingelesen: wird nicht noch einmal gebucht.");
            match.proposals.append(p);
            continue;
        }
        match.proposals.append(matcher.propose(i, statement.entries[i]));
    }
    return match;
}

void assignMember(Session& session, StatementMatch& match, int index, int memberId) {
    if (index < 0 || index >= match.proposals.size()) throw DataError(QStringLiteral("Diesen Posten gibt es nicht."));
    Proposal& p = match.proposals[index];
    if (p.kind == ProposalKind::Imported || p.kind == ProposalKind::NotBooked)
        throw DataError(QStringLiteral("Der Posten %1 wird nicht gebucht: %2").arg(index + 1).arg(p.reason));
    Matcher matcher(session, match);
    const QString problem = matcher.assign(p, match.statement.entries.at(p.entry), memberId);
    if (!problem.isEmpty()) throw DataError(QStringLiteral("Posten %1: %2").arg(index + 1).arg(problem));
}

QString proposalKindText(const Proposal& p) {
    if (p.decision == Decision::Reject && p.kind != ProposalKind::Imported && p.kind != ProposalKind::NotBooked)
        return QStringLiteral("Abgelehnt");
    if (p.decision == Decision::Plain) return QStringLiteral("Buchung");
    switch (p.kind) {
        case ProposalKind::Fee: return QStringLiteral("Beitrag");
        case ProposalKind::Return: return QStringLiteral("Rücklastschrift");
        case ProposalKind::Booking: return QStringLiteral("Buchung");
        case ProposalKind::Imported: return QStringLiteral("Schon eingelesen");
        case ProposalKind::NotBooked: return QStringLiteral("Nicht gebucht");
    }
    return {};
}

QString entryText(const StatementEntry& e) {
    const QString who = e.counterpartyName.isEmpty() ? e.bankText : e.counterpartyName;
    return QStringLiteral("%1 %2%3 %4").arg(dateToText(e.bookingDate), e.credit ? QStringLiteral("+") : QStringLiteral("-"),
                                             moneyToFixed2(e.amount), who);
}

StatementBooking bookStatement(Session& session, const StatementMatch& match) {
    DataModule& data = session.data();
    const BankStatement& s = match.statement;
    const QString account = match.account.trimmed();
    if (account.isEmpty())
        throw DataError(QStringLiteral("Zum Konto %1 des Kontoauszugs ist kein Bestandskonto bekannt: bitte angeben, "
                                       "auf welches Bestandskonto gebucht wird. Es wurde nichts gebucht.")
                            .arg(groupedIban(s.iban)));
    if (!session.bookingRules().accounts().contains(account))
        throw DataError(QStringLiteral("Das Bestandskonto »%1« gibt es nicht (angelegt sind: %2). Es wurde nichts gebucht.")
                            .arg(account, session.bookingRules().accounts().join(QStringLiteral(", "))));
    Dataset& b = data.bookings();
    Dataset& payments = data.feePayments();
    b.checkBrowseMode();
    payments.checkBrowseMode();

    StatementBooking out;
    {
        Transaction tx(data.connection());
        // Decided from the file: what another workstation imported meanwhile is left out.
        QStringList allKeys;
        for (const QStringList& k : match.keys) allKeys += k;
        const QSet<QString> imported = importedEntryKeys(*data.connection(), allKeys);
        QStringList booked;
        const int kind = storedPaymentPeriodKind(data);
        std::optional<QHash<int, QVector<StoredFeePayment>>> stored;
        for (const Proposal& p : match.proposals) {
            if (p.decision == Decision::Reject || p.kind == ProposalKind::Imported || p.kind == ProposalKind::NotBooked)
                continue;
            const StatementEntry& e = s.entries.at(p.entry);
            bool before = false;
            for (const QString& k : match.keys.at(p.entry)) before = before || imported.contains(k);
            if (before) {
                ++out.skipped;
                continue;
            }
            const QString where = QStringLiteral("Posten %1 (%2): ").arg(p.entry + 1).arg(entryText(e));
            try {
                if (p.kind == ProposalKind::Fee && p.decision == Decision::Accept) {
                    for (const FeePeriod& fp : p.periods) {
                        recordFeePayment(session, p.memberId, fp);
                        ++out.fees;
                        prepareFeeBooking(session, p.memberId, fp);
                        try {
                            b.setValue(QStringLiteral("Datum"), e.bookingDate);
                            b.setValue(QStringLiteral("Betrag"), p.feePerPeriod);
                            b.setValue(QStringLiteral("Bestandskonto"), account);
                            if (!b.post()) throw DataError(BookingRules::kNoAccountMessage);
                        } catch (...) {
                            b.cancel();
                            throw;
                        }
                        ++out.bookings;
                    }
                } else if (p.kind == ProposalKind::Return && p.decision == Decision::Accept) {
                    // The payment as the file holds it now; another workstation may have deleted it.
                    if (!stored) {
                        QList<int> members;
                        for (const Proposal& r : match.proposals)
                            if (r.kind == ProposalKind::Return && r.decision == Decision::Accept) members << r.memberId;
                        stored = storedFeePaymentsOf(*data.connection(), members);
                    }
                    const QVector<StoredFeePayment> rows = stored->value(p.memberId);
                    const StoredFeePayment* row = nullptr;
                    for (const StoredFeePayment& r : rows)
                        if (r.rowKey == p.paymentRow) row = &r;
                    if (!row && p.paymentRow == 0) row = reversedPayment(rows, kind, QDate());
                    if (row) {
                        // A row another workstation stored is read first; a screen's filter may hide it.
                        const QVariantList key{row->rowKey};
                        if (!payments.locate(QStringLiteral("ID"), key)) {
                            payments.refreshRows({row->rowKey});
                            if (!payments.locate(QStringLiteral("ID"), key)) payments.clearFilter();
                            if (!payments.locate(QStringLiteral("ID"), key))
                                throw DataError(QStringLiteral("Die Beitragszahlung ist nicht zu finden."));
                        }
                        payments.remove();
                        ++out.returns;
                        QVector<StoredFeePayment>& left = (*stored)[p.memberId];
                        const qint64 gone = row->rowKey;
                        left.erase(std::remove_if(left.begin(), left.end(),
                                                  [gone](const StoredFeePayment& x) { return x.rowKey == gone; }),
                                   left.end());
                    }
                    const Money returned = e.amount - std::min(e.charges, e.amount);
                    storeBooking(b, e.bookingDate, p.payee, p.text, returned, QStringLiteral("A"), kReturnCategory, account);
                    ++out.bookings;
                    if (e.charges > 0) {
                        storeBooking(b, e.bookingDate, p.payee, fit(QStringLiteral("Rücklastschriftgebühr ") + e.returnReason),
                                     std::min(e.charges, e.amount), QStringLiteral("A"), kChargesCategory, account);
                        ++out.bookings;
                    }
                } else {
                    storeBooking(b, e.bookingDate, p.payee, p.text, e.amount,
                                 e.credit ? QStringLiteral("E") : QStringLiteral("A"), p.category, account);
                    ++out.bookings;
                }
            } catch (const DataError& err) {
                throw DataError(where + err.message() + QStringLiteral(" Es wurde nichts gebucht."));
            }
            booked += match.keys.at(p.entry);
        }
        recordImportedEntries(*data.connection(), booked, s.id, session.bookingRules().today());
        if (data.settings().DbSettingRead(statementAccountEntry(s.iban)) != account)
            data.settings().DbSettingSet(statementAccountEntry(s.iban), account);
        tx.commit();
    }
    session.memberRules().refreshComputedValues();
    out.balance = data.settings().AccountBalanceGet(account);
    out.hasClosing = s.hasClosing;
    out.closing = s.closing;
    return out;
}

QString balanceComparisonText(const StatementBooking& b, const QString& account) {
    if (!b.hasClosing) return QStringLiteral("Der Kontoauszug nennt keinen Schlusssaldo.");
    if (b.difference() == 0)
        return QStringLiteral("Der Schlusssaldo des Auszugs (%1) stimmt mit dem Saldo von »%2« überein.")
            .arg(moneyToCurrency(b.closing), account);
    return QStringLiteral("Der Schlusssaldo des Auszugs (%1) weicht vom Saldo von »%2« (%3) um %4 ab.")
        .arg(moneyToCurrency(b.closing), account, moneyToCurrency(b.balance), moneyToCurrency(b.difference()));
}

}  // namespace ferolind
