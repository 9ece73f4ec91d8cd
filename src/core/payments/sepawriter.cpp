#include "payments/sepawriter.h"

#include "data/errors.h"
#include "payments/iban.h"

#include <QRegularExpression>
#include <QXmlStreamWriter>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>

namespace ferolind {

namespace {

QDate easterSunday(int year) {
    // The Gregorian computus (anonymous algorithm).
    const int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31, day = (h + l - 7 * m + 114) % 31 + 1;
    return QDate(year, month, day);
}

// Whole cents of an amount, rounded half up.
qint64 cents(Money m) { return (m + (kMoneyUnit / 100) / 2) / (kMoneyUnit / 100); }

QString amountText(Money m) {
    const qint64 c = cents(m);
    return QStringLiteral("%1.%2").arg(c / 100).arg(c % 100, 2, 10, QLatin1Char('0'));
}

void agent(QXmlStreamWriter& x, const char* element, const QString& bic) {
    x.writeStartElement(QString::fromLatin1(element));
    x.writeStartElement(QStringLiteral("FinInstnId"));
    if (!bic.isEmpty()) {
        x.writeTextElement(QStringLiteral("BICFI"), bic);
    } else {
        x.writeStartElement(QStringLiteral("Othr"));
        x.writeTextElement(QStringLiteral("Id"), QStringLiteral("NOTPROVIDED"));
        x.writeEndElement();
    }
    x.writeEndElement();
    x.writeEndElement();
}

void account(QXmlStreamWriter& x, const char* element, const QString& iban) {
    x.writeStartElement(QString::fromLatin1(element));
    x.writeStartElement(QStringLiteral("Id"));
    x.writeTextElement(QStringLiteral("IBAN"), compactIban(iban));
    x.writeEndElement();
    x.writeEndElement();
}

}  // namespace

bool bicValid(const QString& bic) {
    static const QRegularExpression re(QStringLiteral("^[A-Z]{6}[A-Z2-9][A-NP-Z0-9]([A-Z0-9]{3})?$"));
    return re.match(bic).hasMatch();
}

bool identifierValid(const QString& id) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9/\\-?:().,'+]{1,35}$"));
    return re.match(id).hasMatch() && !id.startsWith(u'/') && !id.contains(QStringLiteral("//"));
}

namespace {

// Any script to Latin, then Latin to ASCII (ICU's rules). Made once; a transliterator is
// not to be shared between threads, hence the lock.
QString toAscii(const QString& text) {
    static std::mutex lock;
    static std::unique_ptr<icu::Transliterator> latinAscii = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(
            icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(t) : nullptr;
    }();
    if (!latinAscii) return text;
    icu::UnicodeString u(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    {
        const std::lock_guard<std::mutex> hold(lock);
        latinAscii->transliterate(u);
    }
    return QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length());
}

}  // namespace

QString sepaText(const QString& text, int maxLength) {
    static const QString allowed = QStringLiteral("/-?:().,'+ ");
    QString german;
    german.reserve(text.size());
    bool plain = true;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'Ä': german += QStringLiteral("Ae"); continue;
        case u'Ö': german += QStringLiteral("Oe"); continue;
        case u'Ü': german += QStringLiteral("Ue"); continue;
        case u'ä': german += QStringLiteral("ae"); continue;
        case u'ö': german += QStringLiteral("oe"); continue;
        case u'ü': german += QStringLiteral("ue"); continue;
        case u'ß': german += QStringLiteral("ss"); continue;
        case u'ẞ': german += QStringLiteral("SS"); continue;
        case u'&': german += u'+'; continue;
        }
        if (c.unicode() >= 0x80) {
            // only letters (with their accents) and digits are transliterated; other signs go
            if (!c.isLetterOrNumber() && !c.isMark() && !c.isSurrogate()) continue;
            plain = false;
        }
        german += c;
    }
    const QString ascii = plain ? german : toAscii(german);
    QString out;
    out.reserve(ascii.size());
    for (qsizetype i = 0; i < ascii.size(); ++i) {
        const QChar b = ascii[i];
        if ((b >= u'a' && b <= u'z') || (b >= u'A' && b <= u'Z') || (b >= u'0' && b <= u'9') || allowed.contains(b)) {
            out += b;
        } else if (b.isLetterOrNumber() || (b.isHighSurrogate() && i + 1 < ascii.size())) {
            // a letter without Latin form is marked, not lost
            out += u'?';
            if (b.isHighSurrogate()) ++i;
        }
    }
    return out.simplified().left(maxLength);
}

bool isTargetBusinessDay(const QDate& day) {
    if (!day.isValid() || day.dayOfWeek() >= 6) return false;
    const int m = day.month(), d = day.day();
    if ((m == 1 && d == 1) || (m == 5 && d == 1) || (m == 12 && (d == 25 || d == 26))) return false;
    const QDate easter = easterSunday(day.year());
    return day != easter.addDays(-2) && day != easter.addDays(1);
}

QDate earliestCollectionDate(const QDate& today) {
    QDate d = today.addDays(1);
    while (!isTargetBusinessDay(d)) d = d.addDays(1);
    return d;
}

Money sepaControlSum(const QVector<SepaDebit>& debits) {
    Money sum = 0;
    for (const SepaDebit& d : debits) sum += cents(d.amount) * (kMoneyUnit / 100);
    return sum;
}

QByteArray writeSepaFile(const SepaFile& f, const QDate& today) {
    QStringList problems;
    const SepaCreditor& c = f.creditor;
    if (sepaText(c.name, 70).isEmpty()) problems << QStringLiteral("Der Name des Gläubigers fehlt.");
    if (!ibanValid(c.iban)) problems << QStringLiteral("Gläubiger: ") + ibanProblem(c.iban);
    if (!c.bic.isEmpty() && !bicValid(c.bic)) problems << QStringLiteral("Gläubiger: „%1“ ist keine BIC.").arg(c.bic);
    if (!creditorIdValid(c.creditorId)) problems << creditorIdProblem(c.creditorId);
    if (!f.collectionDate.isValid() || f.collectionDate < earliestCollectionDate(today) ||
        !isTargetBusinessDay(f.collectionDate))
        problems << QStringLiteral("Der Fälligkeitstag %1 ist kein Bankarbeitstag nach heute; frühestens %2.")
                        .arg(dateToText(f.collectionDate), dateToText(earliestCollectionDate(today)));
    if (f.sequenceType != u"RCUR" && f.sequenceType != u"FRST")
        problems << QStringLiteral("Die Sequenz „%1“ ist weder RCUR noch FRST.").arg(f.sequenceType);
    if (f.debits.isEmpty()) problems << QStringLiteral("Es gibt keine Lastschrift.");
    if (!identifierValid(f.messageId)) problems << QStringLiteral("Die Nachrichten-ID „%1“ ist ungültig.").arg(f.messageId);
    for (const SepaDebit& d : f.debits) {
        QStringList why;
        if (!ibanValid(d.iban)) why << ibanProblem(d.iban);
        if (!d.bic.isEmpty() && !bicValid(d.bic)) why << QStringLiteral("„%1“ ist keine BIC.").arg(d.bic);
        if (!d.mandateDate.isValid() || d.mandateDate > today) why << QStringLiteral("Das Mandatsdatum fehlt oder liegt nach heute.");
        if (!identifierValid(d.mandateId)) why << QStringLiteral("Die Mandatsreferenz „%1“ ist ungültig.").arg(d.mandateId);
        if (!identifierValid(d.endToEndId)) why << QStringLiteral("Die Ende-zu-Ende-Referenz „%1“ ist ungültig.").arg(d.endToEndId);
        if (cents(d.amount) < 1 || cents(d.amount) > 99999999999LL)
            why << QStringLiteral("Der Betrag muss zwischen 0,01 und 999.999.999,99 € liegen.");
        if (sepaText(d.debtorName, 70).isEmpty()) why << QStringLiteral("Der Kontoinhaber fehlt.");
        if (!why.isEmpty()) problems << QStringLiteral("Mitglied %1: %2").arg(d.who, why.join(u' '));
    }
    if (!problems.isEmpty())
        throw DataError(problems.join(u'\n') + QStringLiteral("\nEs wurde keine SEPA-Datei geschrieben."));

    const QString count = QString::number(f.debits.size());
    const QString sum = amountText(sepaControlSum(f.debits));
    QByteArray out;
    // About 1 KB a debit: reserved at once, not grown write by write.
    out.reserve(qsizetype(f.debits.size()) * 1100 + 4096);
    QXmlStreamWriter x(&out);
    x.setAutoFormatting(true);
    x.writeStartDocument();
    x.writeDefaultNamespace(QStringLiteral("urn:iso:std:iso:20022:tech:xsd:pain.008.001.08"));
    x.writeStartElement(QStringLiteral("Document"));
    x.writeStartElement(QStringLiteral("CstmrDrctDbtInitn"));
    x.writeStartElement(QStringLiteral("GrpHdr"));
    x.writeTextElement(QStringLiteral("MsgId"), f.messageId);
    x.writeTextElement(QStringLiteral("CreDtTm"), f.created.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    x.writeTextElement(QStringLiteral("NbOfTxs"), count);
    x.writeTextElement(QStringLiteral("CtrlSum"), sum);
    x.writeStartElement(QStringLiteral("InitgPty"));
    x.writeTextElement(QStringLiteral("Nm"), sepaText(c.name, 70));
    x.writeEndElement();
    x.writeEndElement();  // GrpHdr

    x.writeStartElement(QStringLiteral("PmtInf"));
    x.writeTextElement(QStringLiteral("PmtInfId"), f.messageId);
    x.writeTextElement(QStringLiteral("PmtMtd"), QStringLiteral("DD"));
    x.writeTextElement(QStringLiteral("NbOfTxs"), count);
    x.writeTextElement(QStringLiteral("CtrlSum"), sum);
    x.writeStartElement(QStringLiteral("PmtTpInf"));
    x.writeStartElement(QStringLiteral("SvcLvl"));
    x.writeTextElement(QStringLiteral("Cd"), QStringLiteral("SEPA"));
    x.writeEndElement();
    x.writeStartElement(QStringLiteral("LclInstrm"));
    x.writeTextElement(QStringLiteral("Cd"), QStringLiteral("CORE"));
    x.writeEndElement();
    x.writeTextElement(QStringLiteral("SeqTp"), f.sequenceType);
    x.writeEndElement();  // PmtTpInf
    x.writeTextElement(QStringLiteral("ReqdColltnDt"), f.collectionDate.toString(Qt::ISODate));
    x.writeStartElement(QStringLiteral("Cdtr"));
    x.writeTextElement(QStringLiteral("Nm"), sepaText(c.name, 70));
    x.writeEndElement();
    account(x, "CdtrAcct", c.iban);
    agent(x, "CdtrAgt", c.bic);
    x.writeTextElement(QStringLiteral("ChrgBr"), QStringLiteral("SLEV"));
    x.writeStartElement(QStringLiteral("CdtrSchmeId"));
    x.writeStartElement(QStringLiteral("Id"));
    x.writeStartElement(QStringLiteral("PrvtId"));
    x.writeStartElement(QStringLiteral("Othr"));
    x.writeTextElement(QStringLiteral("Id"), compactIban(c.creditorId));
    x.writeStartElement(QStringLiteral("SchmeNm"));
    x.writeTextElement(QStringLiteral("Prtry"), QStringLiteral("SEPA"));
    x.writeEndElement();
    x.writeEndElement();  // Othr
    x.writeEndElement();  // PrvtId
    x.writeEndElement();  // Id
    x.writeEndElement();  // CdtrSchmeId

    for (const SepaDebit& d : f.debits) {
        x.writeStartElement(QStringLiteral("DrctDbtTxInf"));
        x.writeStartElement(QStringLiteral("PmtId"));
        x.writeTextElement(QStringLiteral("EndToEndId"), d.endToEndId);
        x.writeEndElement();
        x.writeStartElement(QStringLiteral("InstdAmt"));
        x.writeAttribute(QStringLiteral("Ccy"), QStringLiteral("EUR"));
        x.writeCharacters(amountText(d.amount));
        x.writeEndElement();
        x.writeStartElement(QStringLiteral("DrctDbtTx"));
        x.writeStartElement(QStringLiteral("MndtRltdInf"));
        x.writeTextElement(QStringLiteral("MndtId"), d.mandateId);
        x.writeTextElement(QStringLiteral("DtOfSgntr"), d.mandateDate.toString(Qt::ISODate));
        x.writeEndElement();
        x.writeEndElement();
        agent(x, "DbtrAgt", d.bic);
        x.writeStartElement(QStringLiteral("Dbtr"));
        x.writeTextElement(QStringLiteral("Nm"), sepaText(d.debtorName, 70));
        x.writeEndElement();
        account(x, "DbtrAcct", d.iban);
        const QString remittance = sepaText(d.remittance, 140);
        if (!remittance.isEmpty()) {
            x.writeStartElement(QStringLiteral("RmtInf"));
            x.writeTextElement(QStringLiteral("Ustrd"), remittance);
            x.writeEndElement();
        }
        x.writeEndElement();  // DrctDbtTxInf
    }
    x.writeEndElement();  // PmtInf
    x.writeEndElement();  // CstmrDrctDbtInitn
    x.writeEndElement();  // Document
    x.writeEndDocument();
    return out;
}

}  // namespace ferolind
