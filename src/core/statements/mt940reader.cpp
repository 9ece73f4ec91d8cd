// The SWIFT MT940 statement as German online banking exports it: :60F:/:62F: balances,
// :61: turnover lines and :86: details with the ?00-?63 subfields and the SEPA keywords
// (EREF+, MREF+, CRED+, SVWZ+ ...) inside the remittance subfields.
#include "statement.h"

#include "data/errors.h"
#include "payments/iban.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace ferolind {

namespace {

[[noreturn]] void fail(const QString& why) { throw DataError(why); }

QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes);  // the older exports are ISO 8859-1
}

QString cleanLine(QString s) {
    for (QChar& c : s)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) c = u' ';
    return s.simplified();
}

// YYMMDD; the century is 2000 for 00-79, 1900 otherwise.
QDate shortDate(const QString& s) {
    if (s.size() != 6) return {};
    bool ok = false;
    const int yy = s.left(2).toInt(&ok);
    if (!ok) return {};
    return QDate(yy < 80 ? 2000 + yy : 1900 + yy, s.mid(2, 2).toInt(), s.mid(4, 2).toInt());
}

struct Field {
    QString tag;
    QString value;  // continuation lines joined with "\n"
};

// A balance ":60F:C251110EUR1234,56".
void readBalance(const Field& f, Money& into, QDate* date) {
    static const QRegularExpression re(QStringLiteral("^([CD])(\\d{6})([A-Z]{3})(\\d{1,15},\\d{0,4})$"));
    const QRegularExpressionMatch m = re.match(f.value.trimmed());
    if (!m.hasMatch()) fail(QStringLiteral("Der Saldo »:%1:%2« ist unlesbar.").arg(f.tag, f.value.left(40)));
    if (m.captured(3) != u"EUR")
        fail(QStringLiteral("Das Konto wird in %1 geführt; es werden nur Euro-Konten eingelesen.").arg(m.captured(3)));
    const std::optional<Money> amount = parseStatementAmount(m.captured(4), u',');
    if (!amount) fail(QStringLiteral("»%1« ist kein gültiger Betrag.").arg(m.captured(4)));
    into = m.captured(1) == u"C" ? *amount : -*amount;
    if (date) *date = shortDate(m.captured(2));
}

// The account of ":25:": "BLZ/Konto[Währung]" or an IBAN.
QString accountIban(const QString& value) {
    const QString v = value.trimmed();
    static const QRegularExpression german(QStringLiteral("^(\\d{8})/(\\d{1,10})(?:[A-Z]{3})?$"));
    const QRegularExpressionMatch m = german.match(v);
    if (m.hasMatch()) {
        const std::optional<QString> iban = germanIban(m.captured(1).toLongLong(), m.captured(2).toLongLong());
        if (iban) return *iban;
    }
    QString compact = compactIban(v);
    if (compact.size() > 3 && compact.endsWith(QStringLiteral("EUR")) && !ibanValid(compact)) compact.chop(3);
    if (ibanValid(compact)) return compact;
    fail(QStringLiteral("Das Konto »%1« des Kontoauszugs ist weder IBAN noch Bankleitzahl/Kontonummer.").arg(v.left(40)));
}

// Splits the joined remittance subfields at the SEPA keywords.
void readSepaKeywords(const QString& text, StatementEntry& e) {
    static const QRegularExpression key(QStringLiteral("(EREF|KREF|MREF|CRED|DEBT|SVWZ|ABWA|ABWE|IBAN|BIC|COAM|OAMT)\\+"));
    QRegularExpressionMatchIterator it = key.globalMatch(text);
    QVector<QRegularExpressionMatch> hits;
    while (it.hasNext()) hits << it.next();
    if (hits.isEmpty()) {
        e.remittance = cleanLine(text);
        return;
    }
    QString before = text.left(hits.first().capturedStart()).trimmed();
    QString svwz;
    for (int i = 0; i < hits.size(); ++i) {
        const int from = hits[i].capturedEnd();
        const int to = i + 1 < hits.size() ? hits[i + 1].capturedStart() : int(text.size());
        const QString value = cleanLine(text.mid(from, to - from));
        const QString k = hits[i].captured(1);
        if (k == u"EREF") e.endToEndId = value == u"NOTPROVIDED" ? QString() : value;
        else if (k == u"MREF") e.mandateId = value;
        else if (k == u"CRED") e.creditorId = value;
        else if (k == u"SVWZ") svwz = value;
    }
    e.remittance = cleanLine(svwz.isEmpty() ? before : (before.isEmpty() ? svwz : before + u' ' + svwz));
}

// ISO reason codes of returned SEPA payments as they appear in the texts.
QString reasonCodeIn(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        "\\b(AC01|AC04|AC06|AC13|AG01|AG02|AM04|AM05|BE05|CNOR|DNOR|FF01|MD01|MD02|MD06|MD07|MS02|MS03|RC01|"
        "RR01|RR02|RR03|RR04|SL01|FOCR|DUPL|TECH|FRAD|CUST|AM02)\\b"));
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

// ":86:" with its subfields (the separator is the character after the three-digit code).
void readDetails(const QString& raw, StatementEntry& e) {
    QString v = raw;
    v.remove(u'\n');
    v.remove(u'\r');
    if (v.size() < 4 || !v[0].isDigit() || !v[1].isDigit() || !v[2].isDigit() || v[3].isLetterOrNumber() ||
        v[3].isSpace()) {
        e.remittance = cleanLine(v);
        return;
    }
    const QChar sep = v[3];
    QString purpose, name, bankCode, account;
    const QStringList parts = v.mid(4).split(sep);
    for (const QString& p : parts) {
        if (p.size() < 2 || !p[0].isDigit() || !p[1].isDigit()) continue;
        const int code = p.left(2).toInt();
        const QString content = p.mid(2);
        if (code == 0) e.bankText = cleanLine(content);
        else if ((code >= 20 && code <= 29) || (code >= 60 && code <= 63)) purpose += content;
        else if (code == 30) bankCode = content.trimmed();
        else if (code == 31) account = content.trimmed();
        else if (code == 32 || code == 33) name += content;
        else if (code == 34 && e.returnReason.isEmpty()) e.returnReason = reasonCodeIn(content);
    }
    readSepaKeywords(purpose, e);
    e.counterpartyName = cleanLine(name);
    const QString compact = compactIban(account);
    if (ibanValid(compact)) {
        e.counterpartyIban = compact;
    } else if (bankCode.size() == 8 && !account.isEmpty()) {
        bool a = false, b = false;
        const qint64 blz = bankCode.toLongLong(&a), konto = account.toLongLong(&b);
        if (a && b && konto > 0)
            if (const std::optional<QString> iban = germanIban(blz, konto)) e.counterpartyIban = *iban;
    }
    if (e.returnReason.isEmpty()) e.returnReason = reasonCodeIn(purpose);
}

// ":61:2511101110C12,50NTRFNONREF//BANKREF\nsupplementary".
StatementEntry readTurnover(const Field& f) {
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{6})(\\d{4})?(RC|RD|C|D)([A-Z])?(\\d{1,15},\\d{0,4})([NSF][A-Z0-9]{3})((?:[^/\\n]|/(?!/))*)(?://([^\\n]*))?(?:\\n(.*))?$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = re.match(f.value);
    if (!m.hasMatch()) fail(QStringLiteral("Die Umsatzzeile »:61:%1« ist unlesbar.").arg(f.value.section(u'\n', 0, 0).left(60)));
    StatementEntry e;
    e.valueDate = shortDate(m.captured(1));
    if (!e.valueDate.isValid()) fail(QStringLiteral("Das Datum der Umsatzzeile »:61:%1« ist ungültig.").arg(f.value.left(20)));
    e.bookingDate = e.valueDate;
    if (!m.captured(2).isEmpty()) {
        const int month = m.captured(2).left(2).toInt(), day = m.captured(2).mid(2).toInt();
        int year = e.valueDate.year();
        if (month == 12 && e.valueDate.month() == 1) --year;
        if (month == 1 && e.valueDate.month() == 12) ++year;
        const QDate d(year, month, day);
        if (!d.isValid()) fail(QStringLiteral("Das Buchungsdatum der Umsatzzeile »:61:%1« ist ungültig.").arg(f.value.left(20)));
        e.bookingDate = d;
    }
    const QString mark = m.captured(3);
    e.credit = mark == u"C" || mark == u"RD";
    const std::optional<Money> amount = parseStatementAmount(m.captured(5), u',');
    if (!amount) fail(QStringLiteral("»%1« ist kein gültiger Betrag.").arg(m.captured(5)));
    e.amount = *amount;
    const QString customerRef = m.captured(7).trimmed();
    const QString bankRef = m.captured(8).trimmed();
    e.entryReference = bankRef.isEmpty() || bankRef == u"NONREF" ? QString() : bankRef;
    if (e.endToEndId.isEmpty() && !customerRef.isEmpty() && customerRef != u"NONREF") e.endToEndId = customerRef;
    static const QRegularExpression charges(QStringLiteral("/CHGS/EUR(\\d{1,15},\\d{0,4})"));
    const QRegularExpressionMatch c = charges.match(m.captured(9));
    if (c.hasMatch()) e.charges = parseStatementAmount(c.captured(1), u',').value_or(0);
    return e;
}

}  // namespace

BankStatement readMt940Statement(const QByteArray& bytes) {
    QString text = decode(bytes);
    // The SWIFT envelope: only block 4 holds the statement.
    const int block4 = int(text.indexOf(QStringLiteral("{4:")));
    if (block4 >= 0) {
        text = text.mid(block4 + 3);
        const int endBlock = int(text.indexOf(QStringLiteral("-}")));
        if (endBlock >= 0) text.truncate(endBlock);
    }
    static const QRegularExpression tagRe(QStringLiteral("^:(\\d{2}[A-Z]?):(.*)$"));
    QVector<Field> fields;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\\r\\n|\\n|\\r")));
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = tagRe.match(line);
        if (m.hasMatch()) {
            fields.append({m.captured(1), m.captured(2)});
        } else if (line.trimmed() == u"-" || line.trimmed().isEmpty()) {
            continue;
        } else if (!fields.isEmpty()) {
            fields.last().value += u'\n' + line;
        } else {
            fail(QStringLiteral("Die Datei ist kein Kontoauszug im Format MT940 (sie beginnt mit »%1«).")
                     .arg(cleanLine(line).left(40)));
        }
    }
    BankStatement s;
    s.format = QStringLiteral("MT940");
    bool sawStatement = false;
    for (int i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        if (f.tag == u"20") {
            sawStatement = true;
            if (s.id.isEmpty()) s.id = cleanLine(f.value);
        } else if (f.tag == u"25") {
            const QString iban = accountIban(f.value);
            if (!s.iban.isEmpty() && s.iban != iban)
                fail(QStringLiteral("Die Datei enthält Auszüge mehrerer Konten; bitte je Konto einlesen."));
            s.iban = iban;
        } else if (f.tag == u"28C" && s.id.isEmpty()) {
            s.id = cleanLine(f.value);
        } else if (f.tag == u"60F" || f.tag == u"60M") {
            if (!s.hasOpening) {
                readBalance(f, s.opening, nullptr);
                s.hasOpening = true;
            }
        } else if (f.tag == u"62F" || f.tag == u"62M") {
            readBalance(f, s.closing, &s.closingDate);
            s.hasClosing = true;
        } else if (f.tag == u"61") {
            StatementEntry e = readTurnover(f);
            if (i + 1 < fields.size() && fields[i + 1].tag == u"86") readDetails(fields[++i].value, e);
            s.entries.append(std::move(e));
        }
    }
    if (!sawStatement || s.iban.isEmpty())
        fail(QStringLiteral("Die Datei ist kein Kontoauszug im Format MT940 (es fehlen die Felder :20: und :25:)."));
    if (!s.hasOpening || !s.hasClosing)
        fail(QStringLiteral("Dem Kontoauszug fehlt der Anfangs- oder Schlusssaldo (:60F: / :62F:)."));
    return s;
}

}  // namespace ferolind
