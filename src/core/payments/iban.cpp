#include "payments/iban.h"

#include "data/errors.h"

#include <QFile>
#include <QHash>

namespace ferolind {

namespace {

// IBAN lengths of the countries of the ISO 13616 registry.
const QHash<QString, int>& ibanLengths() {
    static const QHash<QString, int> l = {
        {"AD", 24}, {"AE", 23}, {"AL", 28}, {"AT", 20}, {"AZ", 28}, {"BA", 20}, {"BE", 16}, {"BG", 22}, {"BH", 22},
        {"BR", 29}, {"BY", 28}, {"CH", 21}, {"CR", 22}, {"CY", 28}, {"CZ", 24}, {"DE", 22}, {"DK", 18}, {"DO", 28},
        {"EE", 20}, {"EG", 29}, {"ES", 24}, {"FI", 18}, {"FO", 18}, {"FR", 27}, {"GB", 22}, {"GE", 22}, {"GI", 23},
        {"GL", 18}, {"GR", 27}, {"GT", 28}, {"HR", 21}, {"HU", 28}, {"IE", 22}, {"IL", 23}, {"IQ", 23}, {"IS", 26},
        {"IT", 27}, {"JO", 30}, {"KW", 30}, {"KZ", 20}, {"LB", 28}, {"LC", 32}, {"LI", 21}, {"LT", 20}, {"LU", 20},
        {"LV", 21}, {"MC", 27}, {"MD", 24}, {"ME", 22}, {"MK", 19}, {"MR", 27}, {"MT", 31}, {"MU", 30}, {"NL", 18},
        {"NO", 15}, {"PK", 24}, {"PL", 28}, {"PS", 29}, {"PT", 25}, {"QA", 29}, {"RO", 24}, {"RS", 22}, {"SA", 24},
        {"SC", 31}, {"SE", 24}, {"SI", 19}, {"SK", 24}, {"SM", 27}, {"ST", 25}, {"SV", 28}, {"TL", 23}, {"TN", 24},
        {"TR", 26}, {"UA", 29}, {"VA", 22}, {"VG", 24}, {"XK", 20}};
    return l;
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isCapital(QChar c) { return c >= u'A' && c <= u'Z'; }

// The remainder mod 97 of the number the text stands for, letters counting A = 10 to
// Z = 35; -1 for any other character.
int mod97(const QString& text) {
    int r = 0;
    for (const QChar c : text) {
        if (isDigit(c)) {
            r = (r * 10 + (c.unicode() - u'0')) % 97;
        } else if (isCapital(c)) {
            const int v = c.unicode() - u'A' + 10;
            r = (r * 100 + v) % 97;
        } else {
            return -1;
        }
    }
    return r;
}

// Check digits of a country code and the text they guard: 98 - (text + country + "00") mod 97.
QString checkDigits(const QString& country, const QString& guarded) {
    const int r = mod97(guarded + country + QStringLiteral("00"));
    return QString::number(98 - r).rightJustified(2, u'0');
}

// The check of both identifiers: check digits at 2 and 3, the text from `guardedFrom` on
// followed by the first four characters is 1 mod 97.
QString checkDigitsProblem(const QString& kind, const QString& text, const QString& s, int guardedFrom) {
    if (!isDigit(s[2]) || !isDigit(s[3]))
        return QStringLiteral("Die Prüfziffern der %1 „%2“ sind keine Ziffern.").arg(kind, text);
    // Check digits are 02 to 98: 00, 01 and 99 would pass the mod-97 test as a second
    // spelling of 97, 98 and 02, but no valid identifier carries them.
    const int digits = s.mid(2, 2).toInt();
    if (digits < 2 || digits > 98)
        return QStringLiteral("Die Prüfziffern der %1 „%2“ stimmen nicht: bitte die %1 prüfen.").arg(kind, text);
    const int r = mod97(s.mid(guardedFrom) + s.left(4));
    if (r < 0) return QStringLiteral("Die %1 „%2“ enthält andere Zeichen als Ziffern und Buchstaben.").arg(kind, text);
    if (r != 1) return QStringLiteral("Die Prüfziffern der %1 „%2“ stimmen nicht: bitte die %1 prüfen.").arg(kind, text);
    return {};
}

}  // namespace

QString compactIban(const QString& text) {
    QString s;
    for (const QChar c : text)
        if (!c.isSpace()) s += c.toUpper();
    return s;
}

QString groupedIban(const QString& iban) {
    const QString s = compactIban(iban);
    QString out;
    for (qsizetype i = 0; i < s.size(); i += 4) {
        if (i > 0) out += u' ';
        out += s.mid(i, 4);
    }
    return out;
}

std::optional<QString> germanIban(qint64 bankCode, qint64 account) {
    if (bankCode < 10000000 || bankCode > 99999999 || account < 1 || account > 9999999999LL) return std::nullopt;
    const QString bban = QString::number(bankCode) + QString::number(account).rightJustified(10, u'0');
    return QStringLiteral("DE") + checkDigits(QStringLiteral("DE"), bban) + bban;
}

QString ibanProblem(const QString& text) {
    const QString s = compactIban(text);
    if (s.isEmpty()) return QStringLiteral("Es ist keine IBAN angegeben.");
    const QString country = s.left(2);
    const auto length = ibanLengths().constFind(country);
    if (s.size() < 2 || !isCapital(s[0]) || !isCapital(s[1]) || length == ibanLengths().cend())
        return QStringLiteral("Die IBAN „%1“ beginnt mit keinem bekannten Ländercode.").arg(text);
    if (s.size() != *length)
        return QStringLiteral("Eine IBAN aus %1 hat %2 Zeichen, „%3“ hat %4.").arg(country).arg(*length).arg(text).arg(s.size());
    return checkDigitsProblem(QStringLiteral("IBAN"), text, s, 4);
}

std::optional<GermanAccount> splitGermanIban(const QString& text) {
    const QString s = compactIban(text);
    if (!s.startsWith(QStringLiteral("DE")) || !ibanValid(s)) return std::nullopt;
    bool okBank = false, okAccount = false;
    GermanAccount a{s.mid(4, 8).toLongLong(&okBank), s.mid(12, 10).toLongLong(&okAccount)};
    if (!okBank || !okAccount) return std::nullopt;
    return a;
}

QString bicForBankCode(const QString& filePath, qint64 bankCode) {
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly))
        throw DataError(QStringLiteral("Die Bankleitzahlendatei „%1“ kann nicht gelesen werden: %2").arg(filePath, f.errorString()));
    const QByteArray code = QByteArray::number(bankCode);
    if (code.size() != 8) return {};
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (line.startsWith(code)) return QString::fromLatin1(line.mid(93, 11)).trimmed();
    }
    return {};
}

QHash<qint64, QString> bicsOfBankCodes(const QString& filePath) {
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly))
        throw DataError(QStringLiteral("Die Bankleitzahlendatei „%1“ kann nicht gelesen werden: %2").arg(filePath, f.errorString()));
    QHash<qint64, QString> bics;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        bool ok = false;
        const qint64 code = line.left(8).toLongLong(&ok);
        if (!ok || code < 10000000) continue;
        const QString bic = QString::fromLatin1(line.mid(93, 11)).trimmed();
        if (!bic.isEmpty() && !bics.contains(code)) bics.insert(code, bic);
    }
    return bics;
}

QString creditorIdProblem(const QString& text) {
    const QString s = compactIban(text);
    if (s.size() < 8 || s.size() > 35 || !isCapital(s[0]) || !isCapital(s[1]))
        return QStringLiteral("„%1“ ist keine Gläubiger-Identifikationsnummer (z. B. DE98ZZZ09999999999).").arg(text);
    if (s.startsWith(QStringLiteral("DE")) && s.size() != 18)
        return QStringLiteral("Eine deutsche Gläubiger-Identifikationsnummer hat 18 Zeichen, „%1“ hat %2.")
            .arg(text)
            .arg(s.size());
    return checkDigitsProblem(QStringLiteral("Gläubiger-ID"), text, s, 7);
}

}  // namespace ferolind
