#include "memberimport.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/progress.h"
#include "data/values.h"

namespace ferolind::exchange {

QVector<ImportField> importScreenFields(const FreeFieldLabels& labels) {
    const QStringList fields = memberColumnFields();
    const QStringList titles = memberColumnTitles(labels);
    QVector<ImportField> list;
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i] != u"Jubilaeum" && fields[i] != u"BeitragAktuellBezahlt") list.push_back({fields[i], titles[i]});
    return list;
}

const QVector<ImportField>& assistantFields() {
    static const QVector<ImportField> list = {
        {"Vorname", "Vorname"},       {"Nachname", "Nachname"},         {"Strasse", "Straße"},
        {"PLZ", "PLZ"},               {"Ort", "Ort"},                   {"Land", "Land"},
        {"ID", "Mitgliedsnummer"},    {"Telefon1", "Telefon1"},         {"Telefon2", "Telefon2"},
        {"Telefax", "Telefax"},       {"Email", "Email"},               {"Geburtsdatum", "Geburt"},
        {"EintrittDatum", "Eintritt"}, {"AustrittDatum", "Austritt"},   {"Geschlecht", "Geschlecht"},
        {"Status", "Status"},         {"Kontonummer", "Kontonummer"},   {"Kontoinhaber", "Kontoinhaber"},
        {"Bankleitzahl", "BLZ"},      {"Bank", "Bank"},                 {"Sonstiges1", "S1"},
        {"Sonstiges2", "S2"},         {"Sonstiges3", "S3"},             {"Sonstiges4", "S4"},
        {"Anrede", "Anrede"},         {"Betrag", "Beitragsklasse"}};
    return list;
}

QStringList sourceColumnNames(const QVector<QStringList>& records, bool titleRecord, const QStringList& fieldNames) {
    int width = int(fieldNames.size());
    for (const QStringList& r : records) width = std::max(width, int(r.size()));
    QStringList names;
    for (int j = 0; j < width; ++j) {
        QString name;
        if (titleRecord && !records.isEmpty() && j < records[0].size()) name = records[0][j];
        else if (!titleRecord && j < fieldNames.size()) name = fieldNames[j];
        names << (name.isEmpty() ? QStringLiteral("FELD %1").arg(j + 1) : name);
    }
    return names;
}

void setImportedField(Dataset& members, const QString& field, const QString& text) {
    if (field == u"ID" || field == u"Bankleitzahl") {
        bool ok = false;
        const int n = text.trimmed().toInt(&ok);
        if (ok) members.setValue(field, n);
    } else if (field == u"Geburtsdatum" || field == u"EintrittDatum" || field == u"AustrittDatum") {
        const QVariant d = parseDate(text.trimmed());
        if (!d.isNull()) {
            try {
                members.setValue(field, d);
            } catch (const DataError&) {
                // a date the file cannot keep (year beyond 9999) is ignored like any unreadable date
            }
        }
    } else if (field == u"Kontonummer") {
        const FieldDef& def = members.fields()[members.field(field)];
        if (text.size() <= def.size) members.setValue(field, text);
    } else if (field == u"DTAUS") {
        if (text.contains(QLatin1String("wahr")) || text.contains(QLatin1String("true"))) members.setValue(field, true);
    } else {
        members.setValue(field, text);
    }
}

void ensureFeeClass(DataModule& data, const QString& text) {
    if (text.isEmpty()) return;
    Dataset& classes = data.feeClasses();
    if (!classes.isOpen()) return;
    const std::optional<Money> fee = parseMoney(text);
    const int fName = classes.field(QStringLiteral("Name"));
    const int fFee = classes.field(QStringLiteral("Beitrag"));
    for (int i = 0; i < classes.totalCount(); ++i) {
        const RowRef r = classes.recordAt(i);
        if (r[fName].toString() == text) return;
        if (fee && !r[fFee].isNull() && r[fFee].toLongLong() == *fee) return;
    }
    try {
        classes.checkBrowseMode();
        classes.insert();
        classes.setValue(fName, text);
        if (fee) classes.setValue(fFee, *fee);
        if (!classes.post()) classes.cancel();
    } catch (const DataError&) {
        if (classes.isEditing()) classes.cancel();
    }
}

namespace {

// Display updates of the shared datasets held back for the length of the import.
struct Quiet {
    explicit Quiet(DataModule& d) : data(d) { data.DisconnectDB(); }
    ~Quiet() { data.ConnectDB(); }
    DataModule& data;
};

// Why a source text was left out, for the import's notes.
QString unreadableWhat(const QString& field) {
    if (field == u"ID" || field == u"Bankleitzahl") return QStringLiteral("ist keine Zahl");
    if (field == u"Geburtsdatum" || field == u"EintrittDatum" || field == u"AustrittDatum")
        return QStringLiteral("ist kein Datum");
    if (field == u"Kontonummer") return QStringLiteral("ist zu lang");
    return QStringLiteral("wurde nicht übernommen");
}

bool holdsText(const QStringList& record) {
    for (const QString& v : record)
        if (!v.isEmpty()) return true;
    return false;
}

}  // namespace

int importMembers(DataModule& data, const ImportRequest& request) {
    Dataset& members = data.members();
    const QVector<QStringList>& records = *request.records;
    members.checkBrowseMode();
    bool entryAssigned = false;
    for (int i = 0; i < request.fields.size() && i < request.mapping.size(); ++i)
        if (request.mapping[i] != kNotAssigned && request.fields[i].field == u"EintrittDatum") entryAssigned = true;

    const int total = int(std::max<qsizetype>(0, records.size() - request.first));
    Progress progress(QStringLiteral("Mitglieder werden importiert"), total);
    Quiet quiet(data);
    Transaction tx(members.connection());
    int stored = 0;
    for (int r = request.first; r < records.size(); ++r) {
        const QStringList& record = records[r];
        if (!holdsText(record)) continue;
        QString field;
        try {
            members.insert();
            if (!entryAssigned) members.setValue(QStringLiteral("EintrittDatum"), QVariant());
            for (int i = 0; i < request.fields.size() && i < request.mapping.size(); ++i) {
                const int source = request.mapping[i];
                if (source == kNotAssigned) continue;
                field = request.fields[i].field;
                const QString text = source < record.size() ? record[source] : QString();
                setImportedField(members, field, text);
                if (request.notes && field != u"DTAUS" && !text.trimmed().isEmpty() && members.value(field).isNull())
                    *request.notes << QStringLiteral("%1 %2, %3: %4 %5 – leer gelassen")
                                          .arg(request.recordWord)
                                          .arg(r + 1)
                                          .arg(request.fields[i].title, text.trimmed(), unreadableWhat(field));
            }
            field.clear();
            if (!members.post()) throw DataError(QStringLiteral("Die Mitgliedsregeln haben das Speichern abgelehnt."));
        } catch (const DataError& e) {
            // What was stored before stays, when the store still takes it; on a full disk
            // the commit fails too and nothing was stored. The first failure is the cause.
            int kept = stored;
            try {
                if (members.isEditing()) members.cancel();
                tx.commit();
            } catch (const DataError&) {
                kept = 0;
            }
            const QString where = field.isEmpty() ? QString()
                                                  : QStringLiteral(", Feld »%1«").arg(field);
            const QString storedText = kept == 0 ? QStringLiteral("Es wurde kein Mitglied gespeichert.")
                                                 : QStringLiteral("%1 Mitglieder davor wurden gespeichert.").arg(kept);
            throw ImportError(QStringLiteral("Der Import wurde bei %1 %2%3 abgebrochen: %4\n%5")
                                  .arg(request.recordWord)
                                  .arg(r + 1)
                                  .arg(where, e.message(), storedText),
                              kept, r, field);
        }
        ++stored;
        const QString feeClass = members.storedText(QStringLiteral("Betrag"));
        const int classesBefore = data.feeClasses().isOpen() ? data.feeClasses().totalCount() : 0;
        ensureFeeClass(data, feeClass);
        if (request.notes && data.feeClasses().isOpen() && data.feeClasses().totalCount() > classesBefore)
            *request.notes << QStringLiteral("%1 %2, Beitragsklasse: »%3« war nicht vorhanden – neu angelegt")
                                  .arg(request.recordWord)
                                  .arg(r + 1)
                                  .arg(feeClass);
        if (stored % 100 == 0) progress.step(r - request.first + 1);
    }
    try {
        tx.commit();
    } catch (const DataError& e) {
        throw ImportError(QStringLiteral("Die importierten Mitglieder konnten nicht gespeichert werden: %1\n"
                                         "Es wurde kein Mitglied gespeichert.")
                              .arg(e.message()),
                          0, int(records.size()), QString());
    }
    return stored;
}

}  // namespace ferolind::exchange
