#include "statement.h"

#include "data/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace ferolind {

std::optional<Money> parseStatementAmount(const QString& text, QChar separator) {
    if (text.isEmpty() || text.size() > 40) return std::nullopt;
    Money whole = 0, fraction = 0;
    int decimals = -1, digits = 0;
    for (QChar c : text) {
        if (c == separator) {
            if (decimals >= 0) return std::nullopt;
            decimals = 0;
            continue;
        }
        if (c < u'0' || c > u'9') return std::nullopt;
        const int d = c.unicode() - u'0';
        if (decimals < 0) {
            if (++digits > 15) return std::nullopt;
            whole = whole * 10 + d;
        } else {
            if (++decimals > 4) return std::nullopt;
            fraction = fraction * 10 + d;
        }
    }
    if (digits == 0) return std::nullopt;
    for (int i = std::max(decimals, 0); i < 4; ++i) fraction *= 10;
    const Money m = whole * kMoneyUnit + fraction;
    if (!moneyInRange(m)) return std::nullopt;
    return m;
}

QString returnReasonText(const QString& code) {
    static const QHash<QString, QString> texts{
        {QStringLiteral("AC01"), QStringLiteral("IBAN fehlerhaft")},
        {QStringLiteral("AC04"), QStringLiteral("Konto erloschen")},
        {QStringLiteral("AC06"), QStringLiteral("Konto gesperrt")},
        {QStringLiteral("AC13"), QStringLiteral("Zahler ist Firmenkunde")},
        {QStringLiteral("AG01"), QStringLiteral("Lastschrift auf diesem Konto nicht erlaubt")},
        {QStringLiteral("AG02"), QStringLiteral("Ungültige Transaktionsart")},
        {QStringLiteral("AM04"), QStringLiteral("Deckung unzureichend")},
        {QStringLiteral("AM05"), QStringLiteral("Doppelte Einreichung")},
        {QStringLiteral("BE05"), QStringLiteral("Gläubiger unbekannt")},
        {QStringLiteral("CNOR"), QStringLiteral("Bank des Gläubigers nicht erreichbar")},
        {QStringLiteral("DNOR"), QStringLiteral("Bank des Zahlers nicht erreichbar")},
        {QStringLiteral("FF01"), QStringLiteral("Formatfehler")},
        {QStringLiteral("MD01"), QStringLiteral("Kein gültiges Mandat")},
        {QStringLiteral("MD02"), QStringLiteral("Mandatsangaben fehlen oder sind falsch")},
        {QStringLiteral("MD06"), QStringLiteral("Widerspruch durch den Zahler")},
        {QStringLiteral("MD07"), QStringLiteral("Zahler verstorben")},
        {QStringLiteral("MS02"), QStringLiteral("Ablehnung durch den Zahler")},
        {QStringLiteral("MS03"), QStringLiteral("Grund nicht angegeben")},
        {QStringLiteral("RC01"), QStringLiteral("BIC fehlerhaft")},
        {QStringLiteral("RR01"), QStringLiteral("Angaben zum Zahler fehlen")},
        {QStringLiteral("RR02"), QStringLiteral("Name oder Anschrift des Zahlers fehlt")},
        {QStringLiteral("RR03"), QStringLiteral("Name oder Anschrift des Gläubigers fehlt")},
        {QStringLiteral("RR04"), QStringLiteral("Regulatorische Gründe")},
        {QStringLiteral("SL01"), QStringLiteral("Besondere Leistung der Bank des Zahlers")},
        {QStringLiteral("FOCR"), QStringLiteral("Rückruf auf Wunsch des Gläubigers")},
        {QStringLiteral("DUPL"), QStringLiteral("Doppelte Zahlung")},
        {QStringLiteral("TECH"), QStringLiteral("Technische Gründe")},
        {QStringLiteral("FRAD"), QStringLiteral("Betrugsverdacht")},
        {QStringLiteral("CUST"), QStringLiteral("Auf Wunsch des Kunden")},
        {QStringLiteral("AM02"), QStringLiteral("Betrag zu hoch")},
    };
    const QString t = texts.value(code);
    if (!t.isEmpty()) return t;
    return code.isEmpty() ? QStringLiteral("ohne Angabe des Grundes") : QStringLiteral("Rückgabegrund %1").arg(code);
}

BankStatement readStatementBytes(const QByteArray& bytes, const QString& name) {
    qsizetype i = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) i = 3;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    try {
        if (i < bytes.size() && bytes[i] == '<') return readCamtStatement(bytes);
        if (i < bytes.size() && (bytes[i] == ':' || bytes[i] == '{')) return readMt940Statement(bytes);
    } catch (const DataError& e) {
        throw DataError(QStringLiteral("Der Kontoauszug »%1« kann nicht gelesen werden: %2 Es wurde nichts gebucht.")
                            .arg(name, e.message()));
    }
    throw DataError(QStringLiteral("Die Datei »%1« ist kein Kontoauszug (weder camt.053 noch MT940). Es wurde nichts "
                                   "gebucht.")
                        .arg(name));
}

BankStatement readStatementFile(const QString& path) {
    QFile f(path);
    const QString name = QDir::toNativeSeparators(path);
    if (QFileInfo(path).isDir())
        throw DataError(QStringLiteral("»%1« ist ein Ordner, kein Kontoauszug.").arg(name));
    if (!f.open(QIODevice::ReadOnly))
        throw DataError(QStringLiteral("Der Kontoauszug »%1« kann nicht geöffnet werden: %2")
                            .arg(name, f.exists() ? QStringLiteral("keine Leseberechtigung.")
                                                  : QStringLiteral("die Datei gibt es nicht.")));
    constexpr qint64 kMaxSize = 256LL * 1024 * 1024;
    if (f.size() > kMaxSize) throw DataError(QStringLiteral("Die Datei »%1« ist für einen Kontoauszug zu groß.").arg(name));
    return readStatementBytes(f.readAll(), name);
}

}  // namespace ferolind
