#include "backupset.h"

#include "data/errors.h"
#include "data/safefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>

#include <unistd.h>

namespace ferolind {

const QString kBackupDescriptionFile = QStringLiteral("sicherung.txt");

namespace {

constexpr char kHeader[] = "Ferolind-Sicherung 1";
constexpr qint64 kDescriptionLimit = 64 * 1024;  // a description takes a few hundred bytes

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

bool isHex(QByteArrayView text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// Reads a whole (small) file; DataError with the system's reason.
QByteArray readSmallFile(const QString& path, qint64 limit) {
    return readWholeFile(
        path, limit,
        QStringLiteral("Die Datei »%1« ist zu groß für eine Beschreibung einer Sicherung.").arg(native(path)));
}

QString sizeText(qint64 bytes) { return QLocale(QLocale::German).toString(bytes); }

}  // namespace

const BackupFileDigest* BackupDescription::file(const QString& name) const {
    for (const BackupFileDigest& f : files)
        if (f.name == name) return &f;
    return nullptr;
}

QByteArray backupDescriptionBytes(const BackupDescription& d) {
    QByteArray out = QByteArray(kHeader) + '\n';
    out += "Kennung: " + d.identity.toLatin1() + '\n';
    out += "Geschrieben: " + d.written.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
    for (const BackupFileDigest& f : d.files)
        out += "Datei: " + f.name.toUtf8() + ' ' + QByteArray::number(f.size) + ' ' + f.sha256.toHex() + '\n';
    out += "Ende\n";
    return out;
}

BackupDescription parseBackupDescription(const QByteArray& bytes, const QString& source) {
    auto broken = [&source](int line, const QString& why) {
        return DataError(QStringLiteral("Die Beschreibung der Sicherung »%1« ist beschädigt (Zeile %2): %3")
                             .arg(native(source))
                             .arg(line)
                             .arg(why));
    };
    QList<QByteArray> lines = bytes.split('\n');
    // The text ends with a line end; what follows the last one must be nothing.
    if (lines.isEmpty() || !lines.last().isEmpty())
        throw broken(int(lines.size()), QStringLiteral("Sie endet mitten in einer Zeile."));
    lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);

    BackupDescription d;
    int at = 0;
    auto next = [&](const char* what) -> QByteArray {
        if (at >= lines.size()) throw broken(at + 1, QStringLiteral("Es fehlt %1.").arg(QString::fromUtf8(what)));
        return lines[at++];
    };
    if (next("die Kopfzeile") != kHeader)
        throw broken(1, QStringLiteral("Sie beginnt nicht mit »%1«.").arg(QLatin1String(kHeader)));

    const QByteArray identity = next("die Kennung");
    if (!identity.startsWith("Kennung: ") || identity.size() != 9 + 32 || !isHex(identity.mid(9)))
        throw broken(at, QStringLiteral("Erwartet ist »Kennung:« mit 32 Hexadezimalziffern."));
    d.identity = QString::fromLatin1(identity.mid(9));

    const QByteArray written = next("der Zeitpunkt");
    if (!written.startsWith("Geschrieben: ")) throw broken(at, QStringLiteral("Erwartet ist »Geschrieben:«."));
    // Only the form the writer writes: UTC to the second.
    const QString moment = QString::fromLatin1(written.mid(13));
    d.written = QDateTime::fromString(moment, Qt::ISODate);
    if (!d.written.isValid() || d.written.toUTC().toString(Qt::ISODate) != moment)
        throw broken(at, QStringLiteral("Erwartet ist ein Zeitpunkt wie »2026-01-31T18:00:00Z«."));

    for (;;) {
        const QByteArray line = next("die Schlusszeile »Ende«");
        if (line == "Ende") break;
        if (!line.startsWith("Datei: ")) throw broken(at, QStringLiteral("Erwartet ist »Datei:« oder »Ende«."));
        const QList<QByteArray> parts = line.mid(7).split(' ');
        if (parts.size() != 3) throw broken(at, QStringLiteral("Erwartet sind Name, Größe und Prüfsumme."));
        BackupFileDigest f;
        f.name = QString::fromUtf8(parts[0]);
        if (f.name.isEmpty() || f.name.contains(u'/') || f.name.contains(u'\\') || f.name.startsWith(u'.') ||
            f.name.toUtf8() != parts[0])
            throw broken(at, QStringLiteral("Der Dateiname taugt nicht."));
        bool ok = false;
        f.size = parts[1].toLongLong(&ok);
        if (!ok || f.size < 0 || parts[1].startsWith('+') || parts[1].startsWith('-'))
            throw broken(at, QStringLiteral("Die Größe ist keine Zahl."));
        if (parts[2].size() != 64 || !isHex(parts[2]))
            throw broken(at, QStringLiteral("Die Prüfsumme hat nicht 64 Hexadezimalziffern."));
        f.sha256 = QByteArray::fromHex(parts[2]);
        if (d.file(f.name)) throw broken(at, QStringLiteral("Die Datei »%1« steht zweimal darin.").arg(f.name));
        d.files.append(f);
    }
    if (at != lines.size()) throw broken(at + 1, QStringLiteral("Nach »Ende« folgt noch Text."));
    return d;
}

BackupFileDigest digestOfFile(const QString& path) {
    BackupFileDigest digest;
    digest.name = QFileInfo(path).fileName();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    readFileInPieces(path, [&](QByteArrayView piece) {
        hash.addData(piece);
        digest.size += piece.size();
    });
    digest.sha256 = hash.result();
    return digest;
}

QStringList removeStagedLeftovers(const QString& folder, const QStringList& names) {
    QStringList kept;
    const QDir dir(folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (!entry.startsWith(u'.') || !(entry.endsWith(QLatin1String(".neu")) || entry.endsWith(QLatin1String(".tmp"))))
            continue;
        bool ours = false;
        // ".name.<id>.neu", its temporary "..name.<id>.neu.<n>.tmp", and ".name.<n>.tmp"
        for (const QString& name : names)
            ours = ours || entry.startsWith(u'.' + name + u'.') || entry.startsWith(QStringLiteral("..") + name + u'.');
        if (!ours) continue;
        try {
            removeFileSynced(dir.filePath(entry));
        } catch (const DataError&) {
            kept << dir.filePath(entry);
        }
    }
    return kept;
}

BackupSetWriter::BackupSetWriter(QString folder, QStringList names) : folder_(std::move(folder)), names_(std::move(names)) {
    removeStagedLeftovers(folder_, names_ + QStringList{kBackupDescriptionFile});
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    for (quint32 w : words) description_.identity += QStringLiteral("%1").arg(w, 8, 16, QChar(u'0'));
    description_.written = QDateTime::currentDateTimeUtc();
}

BackupSetWriter::~BackupSetWriter() {
    if (committed_) return;
    for (const QString& path : staged_) ::unlink(QFile::encodeName(path).constData());
}

QString BackupSetWriter::stagedPath(const QString& name) const {
    return QDir(folder_).filePath(u'.' + name + u'.' + description_.identity.left(8) + QStringLiteral(".neu"));
}

void BackupSetWriter::writeStaged(const QString& name, const std::function<void()>& write) const {
    try {
        write();
    } catch (const DataError& e) {
        // The user knows the file by its own name; the staged one is gone with the failure.
        const QString path = stagedPath(name);
        const QString target = QDir(folder_).filePath(name);
        QString message = e.message();
        message.replace(native(path), native(target)).replace(path, target);
        if (QFileInfo(folder_).isDir())
            message += QStringLiteral("\nIm Ordner »%1« bleibt alles, wie es war.").arg(native(folder_));
        throw DataError(message);
    }
}

void BackupSetWriter::stage(const QString& name, const std::function<void(const QString&)>& write) {
    const QString path = stagedPath(name);
    staged_ << path;
    writeStaged(name, [&] { write(path); });
    BackupFileDigest digest = digestOfFile(path);
    digest.name = name;
    description_.files.append(digest);
}

void BackupSetWriter::commit() {
    const QDir dir(folder_);
    const QString description = dir.filePath(kBackupDescriptionFile);
    const QString stagedDescription = stagedPath(kBackupDescriptionFile);
    staged_ << stagedDescription;
    writeStaged(kBackupDescriptionFile,
                [&] { writeFileAtomically(stagedDescription, backupDescriptionBytes(description_)); });

    // From the first rename on, the folder is the new set or one a restore refuses.
    const bool describedBefore = QFileInfo::exists(description);
    int renamed = 0;
    try {
        if (!describedBefore) {
            replaceFile(stagedDescription, description);
            ++renamed;
        }
        for (const BackupFileDigest& f : description_.files) {
            replaceFile(stagedPath(f.name), dir.filePath(f.name));
            ++renamed;
        }
        if (describedBefore) replaceFile(stagedDescription, description);
    } catch (const DataError& e) {
        if (renamed == 0) throw;  // the folder holds what it held
        throw DataError(QStringLiteral("%1\nDie Sicherung in »%2« ist unvollständig geblieben; ein Zurücklesen "
                                       "lehnt sie ab. Bitte erneut sichern.")
                            .arg(e.message(), native(folder_)));
    }
    committed_ = true;
}

std::optional<BackupDescription> readBackupDescription(const QString& folder) {
    const QString path = QDir(folder).filePath(kBackupDescriptionFile);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return std::nullopt;
    return parseBackupDescription(readSmallFile(path, kDescriptionLimit), path);
}

std::optional<BackupDescription> checkBackupSet(const QString& folder, const QStringList& names) {
    const QDir dir(folder);
    auto refused = [&](const QString& why) {
        return DataError(QStringLiteral("Die Sicherung in »%1« wird nicht zurückgelesen, sie ist unvollständig oder "
                                        "verändert: %2 Es wurde nichts geändert.")
                             .arg(native(folder), why));
    };
    std::optional<BackupDescription> description;
    try {
        description = readBackupDescription(folder);
    } catch (const DataError& e) {
        throw refused(e.message());
    }
    if (!description) return std::nullopt;
    const BackupDescription& d = *description;
    for (const QString& name : names)
        if (!d.file(name))
            throw refused(QStringLiteral("Die Beschreibung »%1« nennt die Datei »%2« nicht.").arg(kBackupDescriptionFile, name));
    for (const QString& name : names) {
        const BackupFileDigest& expected = *d.file(name);
        const QString file = dir.filePath(name);
        BackupFileDigest found;
        try {
            found = digestOfFile(file);
        } catch (const DataError& e) {
            throw refused(e.message());
        }
        if (found.size != expected.size)
            throw refused(QStringLiteral("Die Datei »%1« hat %2 Bytes, laut »%3« sind es %4.")
                              .arg(name, sizeText(found.size), kBackupDescriptionFile, sizeText(expected.size)));
        if (found.sha256 != expected.sha256)
            throw refused(QStringLiteral("Der Inhalt der Datei »%1« passt nicht zur Prüfsumme in »%2«.")
                              .arg(name, kBackupDescriptionFile));
    }
    return description;
}

}  // namespace ferolind
