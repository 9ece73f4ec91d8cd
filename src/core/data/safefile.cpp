#include "safefile.h"

#include "errors.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferolind {

namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// Retries a system call that a signal interrupted.
template <typename F>
auto retrying(F call) {
    for (;;) {
        const auto r = call();
        if (r >= 0 || errno != EINTR) return r;
    }
}

}  // namespace

QString fileErrorMessage(const QString& path, int error, FileAction action) {
    const QString file = native(path);
    const QString folder = native(folderOf(path));
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Der Datenträger ist voll: »%1« konnte nicht geschrieben werden.").arg(file);
    case EFBIG:
        return QStringLiteral("Die Datei »%1« wird zu groß für den Datenträger oder das erlaubte Maß.").arg(file);
    case EACCES:
    case EPERM:
        switch (action) {
        case FileAction::Read: return QStringLiteral("Keine Berechtigung, die Datei »%1« zu lesen.").arg(file);
        case FileAction::Remove: return QStringLiteral("Keine Berechtigung, die Datei »%1« zu löschen.").arg(file);
        case FileAction::CreateFolder:
            return QStringLiteral("Keine Berechtigung, den Ordner »%1« anzulegen.").arg(file);
        case FileAction::Write:
            return QStringLiteral("Keine Berechtigung, in den Ordner »%1« zu schreiben.").arg(folder);
        }
        break;
    case EROFS:
        return QStringLiteral("Der Datenträger von »%1« ist schreibgeschützt.").arg(file);
    case ENOENT:
        if (action == FileAction::Read) return QStringLiteral("Die Datei »%1« ist nicht vorhanden.").arg(file);
        return QStringLiteral("Der Ordner »%1« ist nicht vorhanden.").arg(folder);
    case ENOTDIR: return QStringLiteral("»%1« ist kein Ordner.").arg(folder);
    case EISDIR: return QStringLiteral("»%1« ist ein Ordner, keine Datei.").arg(file);
    case EIO:
        return QStringLiteral("Der Datenträger meldet einen Lese- oder Schreibfehler bei »%1«.").arg(file);
    case ENAMETOOLONG: return QStringLiteral("Der Dateiname »%1« ist zu lang.").arg(file);
    default: break;
    }
    const QString verb = action == FileAction::Read     ? QStringLiteral("gelesen")
                         : action == FileAction::Remove ? QStringLiteral("gelöscht")
                         : action == FileAction::CreateFolder ? QStringLiteral("angelegt")
                                                              : QStringLiteral("geschrieben");
    return QStringLiteral("»%1« konnte nicht %2 werden (Systemfehler %3).").arg(file, verb).arg(error);
}

void crashPoint(const char* step) {
    static const char* setting = std::getenv("FEROLIND_KILL_AT");
    if (!setting || !*setting) return;
    static int count = 0;
    const char* colon = std::strchr(setting, ':');
    const size_t length = colon ? size_t(colon - setting) : std::strlen(setting);
    if (std::strlen(step) != length || std::strncmp(setting, step, length) != 0) return;
    const int when = colon ? std::atoi(colon + 1) : 1;
    if (++count == when) ::raise(SIGKILL);
}

void syncFolderOf(const QString& path) {
    const QByteArray folder = QFile::encodeName(folderOf(path));
    const int fd = retrying([&] { return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) throw DataError(fileErrorMessage(path, errno));
    crashPoint("fdatasync");
    // A file system that cannot sync a folder (EINVAL) keeps the rename all the same.
    const int r = retrying([&] { return ::fsync(fd); });
    const int error = errno;
    ::close(fd);
    if (r != 0 && error != EINVAL && error != EROFS) throw DataError(fileErrorMessage(path, error));
}

void replaceFile(const QString& written, const QString& target) {
    crashPoint("rename");
    if (::rename(QFile::encodeName(written).constData(), QFile::encodeName(target).constData()) != 0)
        throw DataError(fileErrorMessage(target, errno));
    syncFolderOf(target);
}

void removeFileSynced(const QString& path) {
    crashPoint("unlink");
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        if (errno == ENOENT) return;
        throw DataError(fileErrorMessage(path, errno, FileAction::Remove));
    }
    syncFolderOf(path);
}

AtomicFile::AtomicFile(QString path) : path_(std::move(path)) {
    const QFileInfo info(path_);
    if (info.isDir()) throw DataError(fileErrorMessage(path_, EISDIR));
    // Beside the target, so that the rename stays on one file system; hidden, and named so
    // that a left-over one is recognised.
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temp_ = info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
        // 0666 less the umask, as any program creates a document.
        fd_ = retrying([&] {
            return ::open(QFile::encodeName(temp_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        });
        if (fd_ < 0 && errno != EEXIST) {
            const int error = errno;
            temp_.clear();
            throw DataError(fileErrorMessage(path_, error));
        }
    }
    if (fd_ < 0) throw DataError(fileErrorMessage(path_, EEXIST));
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty()) ::unlink(QFile::encodeName(temp_).constData());
    temp_.clear();
}

void AtomicFile::fail(int error, FileAction action) {
    discard();
    throw DataError(fileErrorMessage(path_, error, action));
}

void AtomicFile::write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }

void AtomicFile::write(const char* data, qint64 size) {
    if (fd_ < 0) throw DataError(fileErrorMessage(path_, EBADF));
    while (size > 0) {
        const ssize_t n = retrying([&] { return ::write(fd_, data, size_t(size)); });
        if (n < 0) fail(errno, FileAction::Write);
        if (n == 0) fail(ENOSPC, FileAction::Write);
        data += n;
        size -= n;
    }
}

void AtomicFile::commit() {
    if (fd_ < 0) throw DataError(fileErrorMessage(path_, EBADF));
    crashPoint("fdatasync");
    if (retrying([&] { return ::fdatasync(fd_); }) != 0) fail(errno, FileAction::Write);
    if (::close(fd_) != 0) {
        fd_ = -1;
        fail(errno, FileAction::Write);
    }
    fd_ = -1;
    try {
        replaceFile(temp_, path_);
    } catch (...) {
        // The target was not replaced when the rename failed; once renamed, the name is
        // gone and the unlink below finds nothing.
        ::unlink(QFile::encodeName(temp_).constData());
        temp_.clear();
        throw;
    }
    temp_.clear();
}

void readFileInPieces(const QString& path, const std::function<void(QByteArrayView piece)>& take) {
    const int fd = retrying([&] { return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC); });
    if (fd < 0) throw DataError(fileErrorMessage(path, errno, FileAction::Read));
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw DataError(fileErrorMessage(path, EISDIR, FileAction::Read));
    }
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    try {
        for (;;) {
            const ssize_t n = retrying([&] { return ::read(fd, buffer.data(), size_t(buffer.size())); });
            if (n < 0) throw DataError(fileErrorMessage(path, errno, FileAction::Read));
            if (n == 0) break;
            take(QByteArrayView(buffer.constData(), n));
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

QByteArray readWholeFile(const QString& path, qint64 limit, const QString& tooLarge) {
    QByteArray bytes;
    readFileInPieces(path, [&](QByteArrayView piece) {
        if (limit >= 0 && bytes.size() + piece.size() > limit) throw DataError(tooLarge);
        bytes.append(piece);
    });
    return bytes;
}

void writeFileAtomically(const QString& path, const QByteArray& content) {
    AtomicFile file(path);
    file.write(content);
    file.commit();
}

}  // namespace ferolind
