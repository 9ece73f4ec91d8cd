// Files written as one unit across a crash, and the German sentence for a file operation
// that failed.
//
// A file is written under a temporary name beside its target, synced to the disk, and
// only then renamed over the target, and the folder is synced: after a crash at any
// moment the target is either the old file, whole, or the new one, whole. The old file of
// the same name stays until the new one is complete.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

namespace ferolind {

// What was being done with a file when it failed.
enum class FileAction { Write, Read, Remove, CreateFolder };

// One German sentence from the system's error number: "Der Datenträger ist voll", "Keine
// Berechtigung …", "Der Ordner … ist nicht vorhanden", naming the file.
QString fileErrorMessage(const QString& path, int error, FileAction action = FileAction::Write);

// A file being written: write() appends, commit() makes it the target. Destroyed without
// commit(), the temporary file is removed and the target is as it was. Every failure
// throws DataError with fileErrorMessage's sentence.
class AtomicFile {
public:
    explicit AtomicFile(QString path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const QString& path() const { return path_; }
    // The temporary file written meanwhile (for a writer that must open it by name).
    const QString& temporaryPath() const { return temp_; }
    void write(const QByteArray& bytes);
    void write(const char* data, qint64 size);
    // Syncs, renames over the target, syncs the folder.
    void commit();
    // Removes the temporary file (also done by the destructor).
    void discard();

private:
    void fail(int error, FileAction action);
    QString path_, temp_;
    int fd_ = -1;
};

// The whole content at once, as AtomicFile writes it.
void writeFileAtomically(const QString& path, const QByteArray& content);

// Puts an already written and synced file in place of the target (a rename, then the
// folder synced); throws DataError.
void replaceFile(const QString& written, const QString& target);
// Removes a file; a file already gone is no failure. Throws DataError.
void removeFileSynced(const QString& path);
// Syncs the folder of a path, so that a rename or removal in it survives a crash.
void syncFolderOf(const QString& path);

// Reads a file piece by piece, handing each piece to `take`; a folder, a missing file or a
// read error throws DataError with fileErrorMessage's sentence (FileAction::Read).
void readFileInPieces(const QString& path, const std::function<void(QByteArrayView piece)>& take);
// The whole file; with `limit` >= 0 a larger file throws DataError(`tooLarge`).
QByteArray readWholeFile(const QString& path, qint64 limit = -1, const QString& tooLarge = {});

// A test seam for crash trials: the process kills itself (SIGKILL, as kill -9) at the
// n-th time it reaches a step when the environment names it, FEROLIND_KILL_AT="step:n"
// (steps: "fdatasync", "rename", "unlink", "commit"). Does nothing otherwise.
void crashPoint(const char* step);

}  // namespace ferolind
