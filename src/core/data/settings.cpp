#include "settings.h"

#include "dataset.h"
#include "errors.h"

#include <QSettings>
#include <memory>

namespace ferolind {

bool SettingsStore::isOpen() const { return blob_.isOpen(); }

// Entry names are matched ignoring letter case, as the engine's filter compares texts.
int SettingsStore::find(const QString& name) const {
    if (!blob_.isOpen()) return -1;
    const int nameField = blob_.field(QStringLiteral("Name"));
    for (int p = 0; p < blob_.recordCount(); ++p) {
        const QVariant v = blob_.rowAt(p)[nameField];
        if (!v.isNull() && v.toString().compare(name, Qt::CaseInsensitive) == 0) return p;
    }
    return -1;
}

QString SettingsStore::DbSettingGet(const QString& name) const {
    const int p = find(name);
    if (p < 0) return {};
    return blob_.rowAt(p)[blob_.field(QStringLiteral("Inhalt"))].toString();
}

void SettingsStore::DbSettingSet(const QString& name, const QString& text) {
    if (!blob_.isOpen()) return;
    blob_.checkBrowseMode();
    const int p = find(name);
    if (p < 0) {
        blob_.insert();
        blob_.setValue(QStringLiteral("Name"), name);
    } else {
        blob_.moveTo(p);
        blob_.edit();
    }
    try {
        blob_.setValue(QStringLiteral("Inhalt"), text);
        blob_.post();
    } catch (...) {
        blob_.cancel();
        throw;
    }
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

QStringList SettingsStore::DbSettingGetList(const QString& name) const {
    const QString t = DbSettingGet(name);
    if (t.isEmpty()) return {};
    QStringList lines = t.split(QStringLiteral("\r\n"));
    if (t.endsWith(QLatin1String("\r\n"))) lines.removeLast();
    return lines;
}

void SettingsStore::DbSettingSetList(const QString& name, const QStringList& lines) {
    QString t;
    for (const QString& l : lines) t += l + QStringLiteral("\r\n");
    DbSettingSet(name, t);
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

Money SettingsStore::AccountStartValueGet(const QString& account) const {
    return parseMoney(DbSettingGet(QStringLiteral("startwert_") + account)).value_or(0);
}

void SettingsStore::AccountStartValueSet(const QString& account, Money amount) {
    DbSettingSet(QStringLiteral("startwert_") + account, moneyToPlain(amount));
}

void SettingsStore::DbSettingClearAll() {
    if (!blob_.isOpen()) return;
    blob_.checkBrowseMode();
    const bool was = blob_.filtered();
    blob_.setFiltered(false);
    blob_.removeAllPresented();
    blob_.setFiltered(was);
}

void SettingsStore::deleteWherePrefix(const QString& prefix) {
    // The prefix is a fixed word of ours, so the filter text needs no quoting.
    const QString oldFilter = blob_.filter();
    const bool was = blob_.filtered();
    blob_.applyFilter(QStringLiteral("Name = '%1*'").arg(prefix));
    try {
        blob_.removeAllPresented();
    } catch (...) {
        blob_.setFiltered(false);
        blob_.setFilter(oldFilter);
        blob_.setFiltered(was);
        throw;
    }
    blob_.setFiltered(false);
    blob_.setFilter(oldFilter);
    blob_.setFiltered(was);
}

void SettingsStore::AccountValuesClear() {
    if (!blob_.isOpen()) return;
    blob_.checkBrowseMode();
    deleteWherePrefix(QStringLiteral("kontostand"));
    deleteWherePrefix(QStringLiteral("startwert"));
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

}  // namespace ferolind
