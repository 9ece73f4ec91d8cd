#include "settings.h"

#include "connection.h"
#include "dataset.h"
#include "errors.h"
#include "schema.h"

#include <QSet>
#include <QSettings>
#include <memory>

namespace ferolind {

bool SettingsStore::isOpen() const { return blob_.isOpen(); }

// Entry names are matched ignoring letter case, as the engine's filter compares texts.
// Every row counts, whatever a screen's filter presents.
int SettingsStore::find(const QString& name) const {
    if (!blob_.isOpen()) return -1;
    const int nameField = blob_.field(QStringLiteral("Name"));
    for (int i = 0; i < blob_.totalCount(); ++i) {
        const QVariant v = blob_.recordAt(i)[nameField];
        if (!v.isNull() && v.toString().compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString SettingsStore::DbSettingGet(const QString& name) const {
    const int i = find(name);
    if (i < 0) return {};
    return blob_.recordAt(i)[blob_.field(QStringLiteral("Inhalt"))].toString();
}

namespace {
const QString kEntriesTable = QStringLiteral("\"blob\"");
QVariant textOrNull(const QString& t) { return t.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(t); }
}  // namespace

// The entries of the file (not of the memory) whose names the predicate selects, as rows
// of the settings dataset; the memory takes them over.
QVector<Row> SettingsStore::readEntries(const std::function<bool(const QString&)>& which) {
    Connection* c = blob_.connection();
    const QVector<QVariantList> stored =
        c->select(QStringLiteral("SELECT \"ID\", \"Name\", \"Inhalt\" FROM %1 ORDER BY \"ID\"").arg(kEntriesTable), {},
                  QStringLiteral("Die Einstellungen können nicht gelesen werden"));
    const int fId = blob_.field(QStringLiteral("ID")), fName = blob_.field(QStringLiteral("Name")),
              fText = blob_.field(QStringLiteral("Inhalt"));
    QVector<Row> rows;
    for (const QVariantList& v : stored) {
        if (!which(v[1].toString())) continue;
        Row r(blob_.fieldCount());
        r[fId] = v[0].toInt();
        if (!v[1].isNull()) r[fName] = v[1].toString();
        if (!v[2].isNull() && !v[2].toString().isEmpty()) r[fText] = v[2].toString();
        rows.append(r);
    }
    return rows;
}

// Makes the memory hold exactly the file's entries of one name.
void SettingsStore::mirror(const QString& name, const QVector<Row>& fileRows) {
    const int fId = blob_.field(QStringLiteral("ID")), fName = blob_.field(QStringLiteral("Name"));
    QSet<qint64> keys;
    for (const Row& r : fileRows) keys.insert(r[fId].toLongLong());
    blob_.mirrorDeletedRows([&](RowRef r) {
        return r[fName].toString().compare(name, Qt::CaseInsensitive) == 0 && !keys.contains(r[fId].toLongLong());
    });
    for (const Row& r : fileRows) blob_.mirrorStoredRow(r);
}

namespace {
std::function<bool(const QString&)> named(const QString& name) {
    return [name](const QString& n) { return n.compare(name, Qt::CaseInsensitive) == 0; };
}
}  // namespace

// Written by name, not by the row the memory remembers: an entry another workstation
// deleted is created again, and no entry gets a second row.
void SettingsStore::DbSettingSet(const QString& name, const QString& text) {
    if (!blob_.isOpen()) return;
    Connection* c = blob_.connection();
    Transaction tx(c);
    const QString what = QStringLiteral("Die Einstellung »%1« kann nicht gespeichert werden").arg(name);
    c->markChanged(blob_.table()->name);
    const QVector<Row> existing = readEntries(named(name));
    const int fId = blob_.field(QStringLiteral("ID")), fText = blob_.field(QStringLiteral("Inhalt"));
    QVector<Row> rows = existing;
    if (existing.isEmpty()) {
        const qint64 id = c->run(QStringLiteral("INSERT INTO %1 (\"Name\", \"Inhalt\") VALUES (?, ?)").arg(kEntriesTable),
                                 {textOrNull(name), textOrNull(text)}, what);
        Row r(blob_.fieldCount());
        r[fId] = int(id);
        r[blob_.field(QStringLiteral("Name"))] = name;
        rows.append(r);
    } else {
        // Of two rows of one name (an old file may have them) the first is the entry.
        c->run(QStringLiteral("UPDATE %1 SET \"Inhalt\" = ? WHERE \"ID\" = ?").arg(kEntriesTable),
               {textOrNull(text), existing.first()[fId]}, what);
    }
    rows.first()[fText] = text.isEmpty() ? QVariant() : QVariant(text);
    mirror(name, rows);
    tx.commit();
}

QString SettingsStore::DbSettingRead(const QString& name) {
    if (!blob_.isOpen()) return {};
    const QVector<Row> rows = readEntries(named(name));
    mirror(name, rows);
    return rows.isEmpty() ? QString() : rows.first()[blob_.field(QStringLiteral("Inhalt"))].toString();
}

int SettingsStore::DbSettingRaiseInt(const QString& name, int value) {
    if (!blob_.isOpen()) return value;
    Transaction tx(blob_.connection());
    bool ok = false;
    const int stored = DbSettingRead(name).trimmed().toInt(&ok);
    int result = value;
    if (ok && stored >= value)
        result = stored;
    else
        DbSettingSetInt(name, value);
    tx.commit();
    return result;
}

int SettingsStore::DbSettingGetInt(const QString& name) const {
    bool ok = false;
    const int v = DbSettingGet(name).trimmed().toInt(&ok);
    return ok ? v : 0;
}

void SettingsStore::DbSettingSetInt(const QString& name, int value) { DbSettingSet(name, QString::number(value)); }

bool SettingsStore::DbSettingGetBool(const QString& name) const {
    const QString t = DbSettingGet(name).trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    bool ok = false;
    const double n = t.toDouble(&ok);
    return ok && n != 0;
}

void SettingsStore::DbSettingSetBool(const QString& name, bool value) {
    DbSettingSet(name, value ? QStringLiteral("-1") : QStringLiteral("0"));
}

namespace {
QStringList splitList(const QString& t) {
    if (t.isEmpty()) return {};
    QStringList lines = t.split(QStringLiteral("\r\n"));
    if (t.endsWith(QLatin1String("\r\n"))) lines.removeLast();
    return lines;
}
}  // namespace

QStringList SettingsStore::DbSettingGetList(const QString& name) const { return splitList(DbSettingGet(name)); }

void SettingsStore::DbSettingSetList(const QString& name, const QStringList& lines) {
    QString t;
    for (const QString& l : lines) t += l + QStringLiteral("\r\n");
    DbSettingSet(name, t);
}

QStringList SettingsStore::DbSettingReadList(const QString& name) { return splitList(DbSettingRead(name)); }

bool SettingsStore::DbSettingAddToList(const QString& name, const QString& entry, bool ignoreCase) {
    if (!blob_.isOpen() || entry.isEmpty()) return false;
    Transaction tx(blob_.connection());
    QStringList lines = DbSettingReadList(name);
    if (lines.contains(entry, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive)) return false;
    DbSettingSetList(name, lines << entry);
    tx.commit();
    return true;
}

void SettingsStore::DbSettingAppendToList(const QString& name, const QString& entry) {
    if (!blob_.isOpen()) return;
    Transaction tx(blob_.connection());
    DbSettingSetList(name, DbSettingReadList(name) << entry);
    tx.commit();
}

bool SettingsStore::DbSettingRemoveFromList(const QString& name, const QString& entry) {
    if (!blob_.isOpen()) return false;
    Transaction tx(blob_.connection());
    QStringList lines = DbSettingReadList(name);
    const qsizetype at = lines.indexOf(entry);
    if (at < 0) return false;
    lines.removeAt(at);
    DbSettingSetList(name, lines);
    tx.commit();
    return true;
}

// A byte stream is kept as the text the bytes spell in UTF-8, so that text streams stay
// readable in the table; other bytes (and control characters, which no XML copy of the
// table could hold) survive through the base64 prefix.
namespace {
const QString kBase64Prefix = QStringLiteral("base64:");
}  // namespace

namespace {
bool isPlainText(const QByteArray& bytes, const QString& asText) {
    if (asText.toUtf8() != bytes || asText.startsWith(kBase64Prefix)) return false;
    for (QChar c : asText)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') return false;
    return true;
}
}  // namespace

QByteArray SettingsStore::DbSettingGetStream(const QString& name) const {
    const QString t = DbSettingGet(name);
    if (t.startsWith(kBase64Prefix)) return QByteArray::fromBase64(t.mid(kBase64Prefix.size()).toLatin1());
    return t.toUtf8();
}

void SettingsStore::DbSettingSetStream(const QString& name, const QByteArray& bytes) {
    const QString asText = QString::fromUtf8(bytes);
    if (isPlainText(bytes, asText))
        DbSettingSet(name, asText);
    else
        DbSettingSet(name, kBase64Prefix + QString::fromLatin1(bytes.toBase64()));
}

Money SettingsStore::AccountBalanceGet(const QString& account) const {
    return parseMoney(DbSettingGet(QStringLiteral("kontostand_") + account)).value_or(0);
}

void SettingsStore::AccountBalanceSet(const QString& account, Money amount) {
    DbSettingSet(QStringLiteral("kontostand_") + account, moneyToPlain(amount));
}

Money SettingsStore::AccountBalanceAdd(const QString& account, Money delta) {
    if (!blob_.isOpen()) return 0;
    const QString name = QStringLiteral("kontostand_") + account;
    Transaction tx(blob_.connection());
    // An entry that cannot be read counts as 0.
    const Money sum = parseMoney(DbSettingRead(name)).value_or(0) + delta;
    if (!moneyInRange(sum))
        throw DataError(QStringLiteral("Der Kontostand von »%1« wäre zu groß: die Buchung wird nicht gespeichert.")
                            .arg(account));
    AccountBalanceSet(account, sum);
    tx.commit();
    return sum;
}

Money SettingsStore::AccountStartValueGet(const QString& account) const {
    return parseMoney(DbSettingGet(QStringLiteral("startwert_") + account)).value_or(0);
}

void SettingsStore::AccountStartValueSet(const QString& account, Money amount) {
    DbSettingSet(QStringLiteral("startwert_") + account, moneyToPlain(amount));
}

// Deletes the file's entries whose names the predicate selects, whatever the memory knows.
void SettingsStore::deleteWhere(const std::function<bool(const QString&)>& which) {
    if (!blob_.isOpen()) return;
    Connection* c = blob_.connection();
    Transaction tx(c);
    c->markChanged(blob_.table()->name);
    for (const Row& r : readEntries(which))
        c->run(QStringLiteral("DELETE FROM %1 WHERE \"ID\" = ?").arg(kEntriesTable),
               {r[blob_.field(QStringLiteral("ID"))]},
               QStringLiteral("Die Einstellungen können nicht gelöscht werden"));
    const int fName = blob_.field(QStringLiteral("Name"));
    blob_.mirrorDeletedRows([&](RowRef r) { return which(r[fName].toString()); });
    tx.commit();
}

void SettingsStore::DbSettingClearAll() {
    deleteWhere([](const QString&) { return true; });
}

void SettingsStore::AccountValuesClear() {
    if (!blob_.isOpen()) return;
    Transaction tx(blob_.connection());
    deleteWhere([](const QString& n) { return n.startsWith(QLatin1String("kontostand"), Qt::CaseInsensitive); });
    deleteWhere([](const QString& n) { return n.startsWith(QLatin1String("startwert"), Qt::CaseInsensitive); });
    tx.commit();
}

// ------------------------------------------------------------ per-user values

// The key is opened afresh on every call, so another program on this account (the
// command-line tool, a second window) is always seen; nothing is cached.
namespace {
std::unique_ptr<QSettings> userKey() {
    return std::make_unique<QSettings>(QStringLiteral("Brankel Software"), QStringLiteral("Revode"));
}
}  // namespace

QString RegistryGetString(const QString& name) {
    const QVariant v = userKey()->value(name);
    return v.isValid() ? v.toString() : QString();
}

namespace {
void write(const QString& name, const QVariant& value) {
    auto s = userKey();
    s->setValue(name, value);
    s->sync();
    if (s->status() != QSettings::NoError)
        throw DataError(
            QStringLiteral("Die Einstellung »%1« kann nicht gespeichert werden (%2).").arg(name, s->fileName()));
}
}  // namespace

void RegistrySetString(const QString& name, const QString& value) { write(name, value); }

int RegistryGetInt(const QString& name) {
    const QVariant v = userKey()->value(name);
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n : 0;
}

void RegistrySetInt(const QString& name, int value) { write(name, value); }

bool RegistryHasValue(const QString& name) { return userKey()->contains(name); }

QStringList RegistryValueNames() {
    QStringList names = userKey()->allKeys();
    names.sort(Qt::CaseInsensitive);
    return names;
}

void RegistryRemoveValue(const QString& name) {
    auto s = userKey();
    s->remove(name);
    s->sync();
    if (s->status() != QSettings::NoError)
        throw DataError(
            QStringLiteral("Die Einstellung »%1« kann nicht gelöscht werden (%2).").arg(name, s->fileName()));
}

}  // namespace ferolind
