#include "banklookup.h"

#include "data/errors.h"
#include "data/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace ferolind {

namespace {

// Windows-1252 at 0x80-0x9F; the five unassigned bytes keep their C1 code points.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The bank name: characters 67 to 93 (1-based) of a line.
constexpr int kNameStart = 66;
constexpr int kNameLength = 27;

QString fileErrorText(const QFile& file) {
    const QFileInfo info(file.fileName());
    if (!info.exists()) return QStringLiteral("Das System kann die angegebene Datei nicht finden.");
    if (info.isDir() || file.error() == QFileDevice::PermissionsError) return QStringLiteral("Zugriff verweigert.");
    return QStringLiteral("Die Datei kann nicht gelesen werden.");
}

[[noreturn]] void throwFileError(const QFile& file) {
    throw DataError(QStringLiteral("Die Datei »%1« kann nicht geöffnet werden. %2")
                        .arg(QDir::toNativeSeparators(file.fileName()), fileErrorText(file)));
}

QString rightTrimmed(QString s) {
    int n = s.size();
    while (n > 0 && s.at(n - 1).unicode() <= 0x20) --n;
    s.truncate(n);
    return s;
}

}  // namespace

QString decodeWindows1252(const QByteArray& bytes) {
    QString s(bytes.size(), Qt::Uninitialized);
    QChar* out = s.data();
    for (int i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return s;
}

QString bankCodeFilePath() { return applicationDataFolder() + QStringLiteral("blz.asc"); }

QString bankNameForCode(const QString& filePath, const QString& bankCode) {
    QFile file(filePath);
    if (QFileInfo(filePath).isDir() || !file.open(QIODevice::ReadOnly)) throwFileError(file);
    if (bankCode.isEmpty()) return kBankNotFound;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine();
        if (raw.isEmpty() && file.error() != QFileDevice::NoError) throwFileError(file);
        while (raw.endsWith('\n') || raw.endsWith('\r')) raw.chop(1);
        const QString line = decodeWindows1252(raw);
        if (line.contains(bankCode)) return rightTrimmed(line.mid(kNameStart, kNameLength));
    }
    if (file.error() != QFileDevice::NoError) throwFileError(file);
    return kBankNotFound;
}

QString bankNameForCode(const QString& bankCode) { return bankNameForCode(bankCodeFilePath(), bankCode); }

bool ensureBankCodeFile() {
    const QString target = bankCodeFilePath();
    if (QFileInfo::exists(target)) return true;
    initShippedData();
    // An installed package's file (/usr/share/ferolind/blz.asc) may be newer than the one
    // built into the program.
    QString source = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("ferolind/blz.asc"));
    if (source.isEmpty()) source = QStringLiteral(":/data/blz.asc");
    QFile shipped(source);
    if (!shipped.open(QIODevice::ReadOnly)) return false;
    // Written rather than copied: a copy of a resource would be read-only.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(shipped.readAll());
    return out.commit();
}

}  // namespace ferolind
