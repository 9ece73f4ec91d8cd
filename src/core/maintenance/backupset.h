// A backup set as one unit: its files and the description "sicherung.txt" that names
// them.
//
// The description holds the set's identity and, for each file, its size and SHA-256. It is
// written after all files and checked before a restore: a set whose files do not all fit
// their description (a file from another set, one cut short, one altered) is refused
// before anything changes.
//
// Writing a set into a folder that holds an older one: every new file is first written
// and synced under a hidden staged name beside its target; then they are renamed into
// place one by one in a fixed order and the description last. Until the first rename the
// folder holds the old set whole; after the last one the new set. A crash in between
// leaves files that do not fit the description in place, which a restore refuses. When
// the folder has no description yet (an empty folder, or a set of the older format), the
// new description goes in place first, so that no mix of old and new files is ever
// taken for an unchecked set of the older format.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

namespace ferolind {

extern const QString kBackupDescriptionFile;  // "sicherung.txt"

struct BackupFileDigest {
    QString name;       // file name within the set's folder
    qint64 size = 0;    // bytes
    QByteArray sha256;  // 32 bytes
    bool operator==(const BackupFileDigest& o) const = default;
};

struct BackupDescription {
    QString identity;  // 32 hex digits, new for every set
    QDateTime written;  // UTC
    QVector<BackupFileDigest> files;
    const BackupFileDigest* file(const QString& name) const;
};

// The description's text (UTF-8, LF) and its reader. The reader throws DataError (German,
// naming the source and the line) on anything but a description of this form.
QByteArray backupDescriptionBytes(const BackupDescription& description);
BackupDescription parseBackupDescription(const QByteArray& bytes, const QString& sourceNameForMessages);

// Size and SHA-256 of a file; DataError with the system's reason when it cannot be read.
BackupFileDigest digestOfFile(const QString& path);

// Writes a set into a folder. stage() each file in the order it is to be put in place,
// then commit(). Destroyed without commit(), the staged files are removed and the folder
// holds what it held before.
class BackupSetWriter {
public:
    // Removes what an earlier interrupted write of these files left behind (hidden staged
    // and temporary files) and chooses a new identity. Throws DataError.
    BackupSetWriter(QString folder, QStringList names);
    ~BackupSetWriter();
    BackupSetWriter(const BackupSetWriter&) = delete;
    BackupSetWriter& operator=(const BackupSetWriter&) = delete;

    const QString& identity() const { return description_.identity; }
    // `write` writes the file (whole and synced, as AtomicFile does) under the path it is
    // given; its size and digest are then taken from what is on the disk.
    void stage(const QString& name, const std::function<void(const QString& stagedPath)>& write);
    // Writes the description and puts every file in place. Throws DataError.
    void commit();

private:
    QString stagedPath(const QString& name) const;
    // Runs a write of a staged file; its failure names the file as the user knows it.
    void writeStaged(const QString& name, const std::function<void()>& write) const;
    QString folder_;
    QStringList names_;
    QStringList staged_;
    BackupDescription description_;
    bool committed_ = false;
};

// The description of the set in folder; nullopt when there is none. Throws DataError when
// it cannot be read or is malformed.
std::optional<BackupDescription> readBackupDescription(const QString& folder);

// Checks the set in folder against its description: every one of `names` listed, present,
// and of the listed size and SHA-256. Returns the description, or nullopt when the folder
// has none (a set of the older format, which cannot be checked). Throws DataError naming
// the file that does not fit; nothing is changed in any case.
std::optional<BackupDescription> checkBackupSet(const QString& folder, const QStringList& names);

// Removes the hidden files an interrupted write of these names left in folder; returns
// the ones that could not be removed.
QStringList removeStagedLeftovers(const QString& folder, const QStringList& names);

}  // namespace ferolind
