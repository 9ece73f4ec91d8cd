#include "sourcechild.h"

#include "data/errors.h"
#include "sources.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define FEROLIND_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FEROLIND_ASAN 1
#endif
#endif

namespace ferolind::exchange {

namespace {

// The hidden first argument that makes a program its own reading child.
constexpr char kChildWord[] = "--lies-quelle";
constexpr char kNamesWord[] = "namen";
constexpr char kTableWord[] = "tabelle";
// The answer begins with these bytes and ends with kEnd; anything else is garbage.
constexpr char kMagic[] = "FLQ1";
constexpr char kEnd[] = "ENDE";
// The largest answer a parent takes: far more than any member list, far less than a
// blown-up table would hand over.
constexpr qint64 kMaxAnswer = 256LL << 20;

enum : qint32 { kAnswerNames = 1, kAnswerTable = 2, kAnswerRefused = 3 };

std::atomic<bool> childAvailable{false};
std::mutex limitsMutex;
SourceReaderLimits limits;

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

void limit(int resource, rlim_t value) {
    rlimit r{};
    if (::getrlimit(resource, &r) != 0) return;
    r.rlim_cur = r.rlim_max == RLIM_INFINITY ? value : std::min(value, r.rlim_max);
    ::setrlimit(resource, &r);
}

// The child: limits first, then the reading, the answer on stdout, and out without
// running any destructor of the libraries.
int runChild(int argc, char** argv) {
    if (argc < 7) return 2;
    const QByteArray what = argv[2];
    const qint64 memory = QByteArray(argv[5]).toLongLong();
    const qint64 seconds = QByteArray(argv[6]).toLongLong();
    limit(RLIMIT_CORE, 0);  // a crash leaves no core file beside the user's data
#ifndef FEROLIND_ASAN
    if (memory > 0) limit(RLIMIT_AS, rlim_t(memory));
#else
    (void)memory;
#endif
    if (seconds > 0) limit(RLIMIT_CPU, rlim_t(seconds));
    // The libraries' complaints go nowhere; the parent discards them as well.
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDERR_FILENO);
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication app(qtArgc, qtArgv);  // the SQLite driver is a plugin

    const QString path = QFile::decodeName(argv[3]);
    const QString table = QString::fromUtf8(argv[4]);
    QByteArray answer(kMagic, 4);
    {
        QDataStream out(&answer, QIODevice::Append);
        out.setVersion(QDataStream::Qt_6_0);
        try {
            if (what == kNamesWord) {
                const QStringList names = sourceTableNamesHere(path);
                out << qint32(kAnswerNames) << names;
            } else if (what == kTableWord) {
                const SourceTable t = readSourceHere(path, table);
                out << qint32(kAnswerTable) << t.fieldNames << t.records;
            } else {
                return 2;
            }
        } catch (const DataError& e) {
            out << qint32(kAnswerRefused) << e.message();
        } catch (const std::bad_alloc&) {
            return 3;  // the parent says the file is damaged
        }
    }
    if (answer.size() > kMaxAnswer) {
        answer = QByteArray(kMagic, 4);
        QDataStream out(&answer, QIODevice::Append);
        out.setVersion(QDataStream::Qt_6_0);
        out << qint32(kAnswerRefused)
            << QStringLiteral("Die Datei »%1« ist zu groß für einen Import.").arg(QDir::toNativeSeparators(path));
    }
    answer.append(kEnd, 4);
    std::fflush(nullptr);
    ::_exit(writeAll(STDOUT_FILENO, answer) ? 0 : 5);
}

QString programPath() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

QString kindWords(const QString& path) {
    switch (sourceKindOf(path)) {
        case SourceKind::Xls: return QStringLiteral("keine Excel-Arbeitsmappe (.xls)");
        case SourceKind::Xlsx: return QStringLiteral("keine Excel-Arbeitsmappe (.xlsx)");
        case SourceKind::Ods: return QStringLiteral("keine OpenDocument-Tabelle (.ods)");
        case SourceKind::Mdb: return QStringLiteral("keine Access-Datenbank (.mdb)");
        case SourceKind::Text: break;
    }
    return QStringLiteral("keine Textdatei");
}

DataError damaged(const QString& path, bool tooSlow, int ms) {
    const QString name = QDir::toNativeSeparators(path);
    if (tooSlow) {
        const int seconds = (ms + 999) / 1000;
        const QString time = seconds == 1 ? QStringLiteral("einer Sekunde") : QStringLiteral("%1 Sekunden").arg(seconds);
        return DataError(QStringLiteral("Die Datei »%1« lässt sich nicht in %2 lesen: sie ist beschädigt oder %3.")
                             .arg(name, time, kindWords(path)));
    }
    return DataError(QStringLiteral("Die Datei »%1« lässt sich nicht lesen: sie ist beschädigt oder %2.").arg(name, kindWords(path)));
}

// Runs the child for `what` and returns its answer after the magic; throws DataError.
QByteArray askChild(const QString& path, const char* what, const QString& table, bool forNames) {
    const SourceReaderLimits l = sourceReaderLimits();
    const int ms = forNames ? l.tableNamesMs : l.tableMs;
    const QString program = programPath();
    if (program.isEmpty()) throw damaged(path, false, ms);
    QProcess child;
    child.setProgram(program);
    child.setArguments({QString::fromLatin1(kChildWord), QString::fromLatin1(what), path, table,
                        QString::number(l.memoryBytes), QString::number(ms / 1000 + 1)});
    child.setStandardInputFile(QProcess::nullDevice());
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(QIODevice::ReadOnly);
    if (!child.waitForStarted(std::max(ms, 1000))) {
        child.kill();
        child.waitForFinished(-1);
        throw DataError(QStringLiteral("Die Datei »%1« kann nicht gelesen werden: das Programm kann keinen Leseprozess starten.")
                            .arg(QDir::toNativeSeparators(path)));
    }
    QDeadlineTimer deadline(ms);
    QByteArray answer;
    bool tooSlow = false, tooLarge = false;
    while (child.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            tooSlow = true;
            break;
        }
        child.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 200)));
        answer += child.readAllStandardOutput();
        if (answer.size() > kMaxAnswer + 8) {
            tooLarge = true;
            break;
        }
    }
    if (tooSlow || tooLarge) {
        child.kill();
        child.waitForFinished(-1);
        throw damaged(path, tooSlow, ms);
    }
    child.waitForFinished(-1);
    answer += child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || answer.size() < 8 ||
        !answer.startsWith(kMagic) || !answer.endsWith(kEnd))
        throw damaged(path, false, ms);
    return answer.mid(4, answer.size() - 8);
}

}  // namespace

int sourceReaderMain(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], kChildWord) == 0) return runChild(argc, argv);
    childAvailable = true;
    return -1;
}

bool sourceReaderChildAvailable() { return childAvailable; }

SourceReaderLimits sourceReaderLimits() {
    const std::lock_guard<std::mutex> lock(limitsMutex);
    return limits;
}

void setSourceReaderLimits(const SourceReaderLimits& l) {
    const std::lock_guard<std::mutex> lock(limitsMutex);
    limits = l;
}

namespace {
// The child's answer: `expected` read by `read`, or its refusal thrown as it gave it; anything
// else (a cut or garbled answer) counts as a damaged file.
template <typename Read>
void readAnswer(const QByteArray& answer, const QString& path, qint32 expected, Read read) {
    QDataStream in(answer);
    in.setVersion(QDataStream::Qt_6_0);
    qint32 kind = 0;
    in >> kind;
    QString message;
    if (kind == expected) read(in);
    else if (kind == kAnswerRefused) in >> message;
    if (in.status() != QDataStream::Ok || !in.atEnd() || (kind != expected && kind != kAnswerRefused))
        throw damaged(path, false, 0);
    if (kind == kAnswerRefused) throw DataError(message);
}
}  // namespace

QStringList tableNamesInChild(const QString& path) {
    QStringList names;
    readAnswer(askChild(path, kNamesWord, QString(), true), path, kAnswerNames, [&](QDataStream& in) { in >> names; });
    return names;
}

SourceTable readTableInChild(const QString& path, const QString& table) {
    SourceTable t;
    readAnswer(askChild(path, kTableWord, table, false), path, kAnswerTable,
               [&](QDataStream& in) { in >> t.fieldNames >> t.records; });
    return t;
}

}  // namespace ferolind::exchange
