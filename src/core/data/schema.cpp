#include "schema.h"

namespace ferolind {

namespace {

FieldDef col(const char* name, FieldType type, int size = 0) {
    return FieldDef{QString::fromLatin1(name), type, size, false};
}

constexpr auto Auto = FieldType::AutoIncrement;
constexpr auto Int = FieldType::Integer;
constexpr auto Txt = FieldType::Text;
constexpr auto Memo = FieldType::Memo;
constexpr auto Date = FieldType::Date;
constexpr auto Bool = FieldType::Bool;
constexpr auto Cur = FieldType::Currency;

}  // namespace

const TableDef& membersTable() {
    static const TableDef t{QStringLiteral("mitglieder"),
                            QStringLiteral("Mitglieder"),
                            {col("DB-ID", Auto),
                             col("ID", Int),
                             col("Anrede", Txt, 20),
                             col("Vorname", Txt, 50),
                             col("Nachname", Txt, 50),
                             col("Strasse", Txt, 50),
                             col("Land", Txt, 5),
                             col("PLZ", Txt, 6),
                             col("Ort", Txt, 50),
                             col("Telefon1", Txt, 20),
                             col("Telefon2", Txt, 20),
                             col("Telefax", Txt, 20),
                             col("Email", Txt, 50),
                             col("Geburtsdatum", Date),
                             col("EintrittDatum", Date),
                             col("AustrittDatum", Date),
                             col("Geschlecht", Txt, 20),
                             col("Status", Txt, 20),
                             col("Bemerkung", Txt, 255),
                             col("Kontonummer", Txt, 10),
                             col("Kontoinhaber", Txt, 50),
                             col("Bankleitzahl", Int),
                             col("Bank", Txt, 30),
                             col("Betrag", Txt, 50),
                             col("DTAUS", Bool),
                             col("Sonstiges1", Txt, 50),
                             col("Sonstiges2", Txt, 50),
                             col("Sonstiges3", Txt, 50),
                             col("Sonstiges4", Txt, 50),
                             col("Jubilaeum", Int),
                             col("BeitragAktuellBezahlt", Bool)}};
    return t;
}

const TableDef& feePaymentsTable() {
    static const TableDef t{
        QStringLiteral("betrag"),
        QStringLiteral("Betrag"),
        {col("ID", Auto), col("Jahr", Int), col("Mitgliedsnummer", Int), col("Monat", Int), col("Quartal", Int)}};
    return t;
}

const TableDef& feeClassesTable() {
    static const TableDef t{QStringLiteral("beitragsklassen"),
                            QStringLiteral("Beitragsklassen"),
                            {col("ID", Auto), col("Name", Txt, 50), col("Beitrag", Cur)}};
    return t;
}

const TableDef& bookingsTable() {
    static const TableDef t{QStringLiteral("buchung"),
                            QStringLiteral("Buchung"),
                            {col("ID", Auto), col("Buchungsnummer", Int), col("Datum", Date),
                             col("Empfaenger/Absender", Txt, 50), col("Buchungstext", Txt, 50), col("Betrag", Cur),
                             col("SollHaben", Txt, 1), col("Kategorie", Txt, 50), col("Bestandskonto", Txt, 50)}};
    return t;
}

const TableDef& settingsTable() {
    static const TableDef t{
        QStringLiteral("blob"), QStringLiteral("Blob"), {col("ID", Auto), col("Name", Memo), col("Inhalt", Memo)}};
    return t;
}

QVector<const TableDef*> allTables() {
    return {&membersTable(), &feePaymentsTable(), &feeClassesTable(), &bookingsTable(), &settingsTable()};
}

FieldList memberDatasetFields() {
    FieldList f = membersTable().columns;
    for (FieldDef& d : f) {
        if (d.name == u"Jubilaeum") {
            d.type = Txt;  // the computed jubilee text replaces the stored integer
            d.size = 0;
            d.calculated = true;
        } else if (d.name == u"BeitragAktuellBezahlt") {
            d.calculated = true;
        }
    }
    return f;
}

FieldList bookingDatasetFields() {
    const FieldList& c = bookingsTable().columns;
    // Buchungsnummer, Datum, Empfaenger/Absender, Buchungstext, SollHaben, Betrag,
    // Kategorie, Bestandskonto, ID
    return {c[1], c[2], c[3], c[4], c[6], c[5], c[7], c[8], c[0]};
}

FieldList postalCodeFields() { return {col("PLZ", Txt, 5), col("Ort", Txt, 100)}; }

QString quoteName(const QString& name) {
    QString q = name;
    q.replace('"', QStringLiteral("\"\""));
    return '"' + q + '"';
}

QString createTableSql(const TableDef& table) {
    QStringList cols;
    for (const FieldDef& c : table.columns) {
        QString type;
        switch (c.type) {
            // An AutoIncrement column is the row's key: the engine numbers it 1, 2, 3 ...
            case FieldType::AutoIncrement: type = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"); break;
            case FieldType::Integer: type = QStringLiteral("INTEGER"); break;
            case FieldType::Text: type = QStringLiteral("VARCHAR(%1)").arg(c.size); break;
            case FieldType::Memo: type = QStringLiteral("TEXT"); break;
            case FieldType::Date: type = QStringLiteral("DATE"); break;
            case FieldType::Bool: type = QStringLiteral("BOOLEAN"); break;
            case FieldType::Currency: type = QStringLiteral("CURRENCY"); break;
        }
        QString def = quoteName(c.name) + ' ' + type;
        // Zero-length texts are never stored (empty texts are NULL), and a text never
        // exceeds its column's size: the engine refuses what the datasets would refuse.
        if (c.type == FieldType::Text)
            def +=
                QStringLiteral(" CHECK (%1 IS NULL OR length(%1) BETWEEN 1 AND %2)").arg(quoteName(c.name)).arg(c.size);
        else if (c.type == FieldType::Memo)
            def += QStringLiteral(" CHECK (%1 IS NULL OR length(%1) > 0)").arg(quoteName(c.name));
        cols << def;
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteName(table.createName), cols.join(QStringLiteral(", ")));
}

}  // namespace ferolind
