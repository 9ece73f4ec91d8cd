// The ISO 20022 end-of-day statement (camt.053, versions .08 and .02) read with
// QXmlStreamReader: no DTD, no entities, every amount in euro.
#include "statement.h"

#include "data/errors.h"
#include "payments/iban.h"

#include <QXmlStreamReader>

namespace ferolind {

namespace {

const QString kNs08 = QStringLiteral("urn:iso:std:iso:20022:tech:xsd:camt.053.001.08");
const QString kNs02 = QStringLiteral("urn:iso:std:iso:20022:tech:xsd:camt.053.001.02");
constexpr int kMaxDepth = 40;

QDate isoDate(const QString& text) {
    // A date or the date part of a date-time ("2026-03-12T10:00:00+01:00").
    return QDate::fromString(text.left(10), Qt::ISODate);
}

// Line breaks and other control characters inside texts become blanks, runs of blanks one.
QString cleanText(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        const bool isBlank = c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
        if (isBlank) {
            if (!out.isEmpty()) blank = true;
            continue;
        }
        if (blank) out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

struct Party {
    QString name, iban, id;
};

struct Tx {
    StatementEntry e;
    bool hasAmount = false;
    Party debtor, creditor;
    QStringList remittance;
};

class CamtReader {
public:
    explicit CamtReader(const QByteArray& bytes) : x_(bytes) {}

    BankStatement read() {
        bool root = false;
        while (!x_.atEnd()) {
            x_.readNext();
            switch (x_.tokenType()) {
                case QXmlStreamReader::DTD:
                    fail(QStringLiteral("Die Datei enthält eine Dokumenttypdefinition; ein Kontoauszug hat keine."));
                    break;
                case QXmlStreamReader::EntityReference:
                    fail(QStringLiteral("Die Datei enthält einen unbekannten Entitätsverweis."));
                    break;
                case QXmlStreamReader::StartElement:
                    if (!root) {
                        root = true;
                        checkRoot();
                    }
                    start();
                    break;
                case QXmlStreamReader::EndElement: end(); break;
                case QXmlStreamReader::Characters: text_ += x_.text(); break;
                default: break;
            }
        }
        if (x_.hasError())
            fail(QStringLiteral("Die XML-Datei ist fehlerhaft (Zeile %1, Spalte %2).")
                     .arg(x_.lineNumber())
                     .arg(x_.columnNumber()));
        if (!root) fail(QStringLiteral("Die Datei enthält kein XML-Dokument."));
        if (statements_ == 0) fail(QStringLiteral("Die Datei enthält keinen Kontoauszug (kein Element Stmt)."));
        if (s_.iban.isEmpty()) fail(QStringLiteral("Der Kontoauszug nennt keine IBAN des Kontos."));
        return s_;
    }

private:
    [[noreturn]] void fail(const QString& why) { throw DataError(why); }

    void checkRoot() {
        const QString ns = x_.namespaceUri().toString();
        if (x_.name() != u"Document" || (ns != kNs08 && ns != kNs02))
            fail(QStringLiteral("Die Datei ist kein Kontoauszug im Format camt.053.001.08 oder camt.053.001.02 "
                                "(sie beginnt mit »%1« im Namensraum »%2«).")
                     .arg(x_.name().toString(), ns));
        s_.format = ns == kNs08 ? QStringLiteral("camt.053.001.08") : QStringLiteral("camt.053.001.02");
    }

    // The path below the innermost element named `anchor`, joined by "/"; null when not inside one.
    QString below(const QString& anchor) const {
        for (int i = int(path_.size()) - 1; i >= 0; --i)
            if (path_[i] == anchor) return path_.mid(i + 1).join(u'/');
        return {};
    }
    bool inside(const QString& name) const { return path_.contains(name); }

    void start() {
        if (path_.size() >= kMaxDepth) fail(QStringLiteral("Die XML-Datei ist zu tief verschachtelt."));
        path_ << x_.name().toString();
        text_.clear();
        currency_ = x_.attributes().value(QStringLiteral("Ccy")).toString();
        const QString& name = path_.last();
        const int n = int(path_.size());
        if (name == u"Stmt" && n == 3) {
            if (++statements_ > 1) fail(QStringLiteral("Die Datei enthält mehrere Kontoauszüge; bitte einzeln einlesen."));
        } else if (name == u"Bal" && n == 4) {
            bal_ = {};
        } else if (name == u"Ntry" && n == 4) {
            ntry_ = Tx{};
            txs_.clear();
            ntryStarted_ = true;
        } else if (name == u"TxDtls" && ntryStarted_) {
            txs_.append(Tx{});
        }
    }

    Money amount(const QString& text) {
        if (!currency_.isEmpty() && currency_ != u"EUR")
            fail(QStringLiteral("Der Kontoauszug enthält einen Betrag in %1; es werden nur Euro-Konten eingelesen.")
                     .arg(currency_.left(3)));
        const std::optional<Money> m = parseStatementAmount(text.trimmed(), u'.');
        if (!m) fail(QStringLiteral("»%1« ist kein gültiger Betrag.").arg(text.trimmed().left(40)));
        return *m;
    }

    void end() {
        const QString value = text_.trimmed();
        const QString name = path_.isEmpty() ? QString() : path_.last();
        const int n = int(path_.size());
        if (n >= 4 && path_[2] == u"Stmt" && !inside(QStringLiteral("Ntry"))) {
            const QString rel = below(QStringLiteral("Stmt"));
            if (rel == u"Id") s_.id = value;
            else if (rel == u"Acct/Id/IBAN") s_.iban = compactIban(value);
            else if (rel == u"Acct/Ccy" && value != u"EUR")
                fail(QStringLiteral("Das Konto wird in %1 geführt; es werden nur Euro-Konten eingelesen.").arg(value.left(3)));
            else if (rel == u"Bal/Tp/CdOrPrtry/Cd") bal_.code = value;
            else if (rel == u"Bal/Amt") bal_.amount = amount(value), bal_.hasAmount = true;
            else if (rel == u"Bal/CdtDbtInd") bal_.credit = value == u"CRDT";
            else if (rel == u"Bal/Dt/Dt" || rel == u"Bal/Dt/DtTm") bal_.date = isoDate(value);
            else if (rel == u"Bal") takeBalance();
        } else if (ntryStarted_ && inside(QStringLiteral("TxDtls")) && !txs_.isEmpty()) {
            txField(txs_.last(), below(QStringLiteral("TxDtls")), value);
        } else if (ntryStarted_ && n >= 4) {
            const QString rel = below(QStringLiteral("Ntry"));
            StatementEntry& e = ntry_.e;
            if (rel.isEmpty()) finishEntry();
            else if (rel == u"Amt") e.amount = amount(value), ntry_.hasAmount = true;
            else if (rel == u"CdtDbtInd") e.credit = value == u"CRDT", direction_ = value;
            else if (rel == u"RvslInd") reversal_ = value == u"true" || value == u"1";
            else if (rel == u"Sts/Cd" || (rel == u"Sts" && !value.isEmpty())) e.booked = value == u"BOOK";  // .08, .02
            else if (rel == u"BookgDt/Dt" || rel == u"BookgDt/DtTm") e.bookingDate = isoDate(value);
            else if (rel == u"ValDt/Dt" || rel == u"ValDt/DtTm") e.valueDate = isoDate(value);
            else if (rel == u"AcctSvcrRef") e.entryReference = value;
            else if (rel == u"NtryRef" && e.entryReference.isEmpty()) e.entryReference = value;
            else if (rel == u"Chrgs/Rcrd/Amt" || rel == u"Chrgs/Amt") e.charges += amount(value);
            else if (rel == u"AddtlNtryInf") e.bankText = cleanText(value);
        }
        if (!path_.isEmpty()) path_.removeLast();
        text_.clear();
    }

    void txField(Tx& t, const QString& rel, const QString& value) {
        StatementEntry& e = t.e;
        if (rel == u"Refs/EndToEndId") e.endToEndId = value == u"NOTPROVIDED" ? QString() : value;
        else if (rel == u"Refs/MndtId") e.mandateId = value;
        else if (rel == u"Refs/AcctSvcrRef") e.entryReference = value;
        else if (rel == u"Amt" || rel == u"AmtDtls/TxAmt/Amt") e.amount = amount(value), t.hasAmount = true;
        else if (rel == u"Chrgs/Rcrd/Amt" || rel == u"Chrgs/Amt") e.charges += amount(value);
        else if (rel == u"RltdPties/Dbtr/Pty/Nm" || rel == u"RltdPties/Dbtr/Nm") t.debtor.name = cleanText(value);
        else if (rel == u"RltdPties/DbtrAcct/Id/IBAN") t.debtor.iban = compactIban(value);
        else if (rel == u"RltdPties/Cdtr/Pty/Nm" || rel == u"RltdPties/Cdtr/Nm") t.creditor.name = cleanText(value);
        else if (rel == u"RltdPties/CdtrAcct/Id/IBAN") t.creditor.iban = compactIban(value);
        else if (rel == u"RltdPties/Cdtr/Pty/Id/PrvtId/Othr/Id" || rel == u"RltdPties/Cdtr/Id/PrvtId/Othr/Id")
            e.creditorId = value;
        else if (rel == u"RmtInf/Ustrd") t.remittance << cleanText(value);
        else if (rel == u"RtrInf/Rsn/Cd") e.returnReason = value;
        else if (rel == u"AddtlTxInf" && e.bankText.isEmpty()) e.bankText = cleanText(value);
    }

    void takeBalance() {
        if (!bal_.hasAmount) fail(QStringLiteral("Ein Saldo des Kontoauszugs hat keinen Betrag."));
        const Money signedAmount = bal_.credit ? bal_.amount : -bal_.amount;
        if (bal_.code == u"OPBD" || (bal_.code == u"PRCD" && !s_.hasOpening)) {
            s_.opening = signedAmount;
            s_.hasOpening = true;
        } else if (bal_.code == u"CLBD") {
            s_.closing = signedAmount;
            s_.hasClosing = true;
            s_.closingDate = bal_.date;
        }
    }

    void finishEntry() {
        ntryStarted_ = false;
        const int number = int(s_.entries.size()) + 1;
        if (!ntry_.hasAmount) fail(QStringLiteral("Der Posten %1 des Kontoauszugs hat keinen Betrag.").arg(number));
        if (direction_ != u"CRDT" && direction_ != u"DBIT")
            fail(QStringLiteral("Der Posten %1 des Kontoauszugs ist weder Gutschrift noch Belastung.").arg(number));
        if (!ntry_.e.bookingDate.isValid()) ntry_.e.bookingDate = ntry_.e.valueDate;
        if (!ntry_.e.bookingDate.isValid())
            fail(QStringLiteral("Der Posten %1 des Kontoauszugs hat kein Buchungsdatum.").arg(number));
        // A batch booked as one entry is split into its transactions when each names its amount.
        bool split = txs_.size() > 1;
        Money sum = 0;
        for (const Tx& t : std::as_const(txs_)) {
            split = split && t.hasAmount;
            sum += t.e.amount;
        }
        if (split && sum + ntry_.e.charges != ntry_.e.amount && sum != ntry_.e.amount) split = false;
        if (txs_.isEmpty()) txs_.append(Tx{});
        const int parts = split ? int(txs_.size()) : 1;
        for (int i = 0; i < parts; ++i) {
            const Tx& t = txs_[i];
            StatementEntry e = ntry_.e;
            if (split) {
                e.amount = t.e.amount;
                e.charges = t.e.charges;
                e.entryReference = t.e.entryReference.isEmpty()
                                       ? (e.entryReference.isEmpty() ? QString()
                                                                     : e.entryReference + u'/' + QString::number(i + 1))
                                       : t.e.entryReference;
            } else {
                // The entry and its transaction may both name the same charges.
                if (e.charges == 0) e.charges = t.e.charges;
                if (e.entryReference.isEmpty()) e.entryReference = t.e.entryReference;
            }
            e.endToEndId = t.e.endToEndId;
            e.mandateId = t.e.mandateId;
            e.creditorId = t.e.creditorId;
            e.returnReason = t.e.returnReason;
            if (e.bankText.isEmpty()) e.bankText = t.e.bankText;
            e.remittance = t.remittance.join(u' ');
            // The other side: the debtor of money that came in, the creditor of money that
            // went out; a return of our own debit names the member as debtor.
            const bool otherIsDebtor = e.credit != (reversal_ || !e.returnReason.isEmpty());
            Party other = otherIsDebtor ? t.debtor : t.creditor;
            const Party& second = otherIsDebtor ? t.creditor : t.debtor;
            if ((other.name.isEmpty() && other.iban.isEmpty()) || (!other.iban.isEmpty() && other.iban == s_.iban))
                if (!(second.name.isEmpty() && second.iban.isEmpty()) && second.iban != s_.iban) other = second;
            e.counterpartyName = other.name;
            e.counterpartyIban = other.iban;
            s_.entries.append(std::move(e));
        }
        txs_.clear();
        reversal_ = false;
        direction_.clear();
    }

    struct Balance {
        QString code;
        Money amount = 0;
        bool hasAmount = false;
        bool credit = true;
        QDate date;
    };

    QXmlStreamReader x_;
    QStringList path_;
    QString text_, currency_, direction_;
    BankStatement s_;
    Balance bal_;
    Tx ntry_;
    QVector<Tx> txs_;
    bool ntryStarted_ = false, reversal_ = false;
    int statements_ = 0;
};

}  // namespace

BankStatement readCamtStatement(const QByteArray& bytes) { return CamtReader(bytes).read(); }

}  // namespace ferolind
