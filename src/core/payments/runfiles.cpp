#include "payments/runfiles.h"

#include "data/connection.h"
#include "data/datamodule.h"
#include "data/errors.h"
#include "data/paymentstore.h"
#include "data/safefile.h"
#include "payments/memberdebits.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <cerrno>

namespace ferolind {

namespace {

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

QString runMoment(const QString& iso) {
    const QDateTime t = QDateTime::fromString(iso, Qt::ISODate);
    return t.isValid() ? t.toString(QStringLiteral("dd.MM.yyyy HH:mm")) : iso;
}

// The complete copy beside the target: hidden, and named so that a left-over one is recognised.
QString stagingPathOf(const QFileInfo& target) {
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() +
           QStringLiteral(".%1.lauf").arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0'));
}

void removeQuietly(const QString& path) {
    if (path.isEmpty()) return;
    try {
        removeFileSynced(path);
    } catch (const DataError&) {
        // A left-over copy is hidden and harmless; the record, not the copy, is what counts.
    }
}

// Copies of this target that a crash before their commit left: no record names them. Run
// under the write lock, so no other run is between writing its copy and committing.
void removeAbandonedCopies(const QFileInfo& target, Connection& c) {
    QSet<QString> recorded;
    for (const PendingRunFile& f : pendingRunFiles(c)) recorded.insert(QFileInfo(f.staging).fileName());
    const QString stem = QStringLiteral(".") + target.fileName() + u'.';
    const QDir folder = target.absoluteDir();
    for (const QString& name : folder.entryList({stem + QStringLiteral("*.lauf"), u'.' + stem + QStringLiteral("*.lauf.*.tmp")},
                                                QDir::Files | QDir::Hidden)) {
        const QString copy = name.startsWith(QStringLiteral("..")) ? name.mid(1).section(QStringLiteral(".lauf."), 0, 0) +
                                                                         QStringLiteral(".lauf")
                                                                   : name;
        if (!recorded.contains(copy)) removeQuietly(folder.filePath(name));
    }
}

bool holds(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll() == content;
}

const QString kWrittenLater = QStringLiteral(
    "Sie wird beim nächsten Öffnen des Vereins aus dem Vermerk im Verein geschrieben, oder mit „Datei erneut "
    "schreiben“.");

}  // namespace

RunFileOutcome commitRunFile(DataModule& data, Transaction& tx, const QString& kind, const QString& target,
                             const QByteArray& content, bool booked) {
    Connection* c = data.connection();
    if (!c) throw DataError(QStringLiteral("Es ist kein Verein geöffnet.") + kNothingDoneText);
    const QFileInfo info(target);
    const QString path = info.absoluteFilePath();
    const QString staging = stagingPathOf(info);
    RunFileOutcome outcome;
    QStringList supersededCopies;
    qint64 id = 0;
    try {
        if (info.isDir()) throw DataError(fileErrorMessage(path, EISDIR));
        removeAbandonedCopies(info, *c);
        // An older run to the same target whose file was never put in place: this file
        // replaces it, as it replaces any earlier file of that name.
        for (const PendingRunFile& older : pendingRunFiles(*c)) {
            if (older.target != path) continue;
            removePendingRunFile(*c, older.id);
            supersededCopies << older.staging;
            outcome.note += QStringLiteral("\nDie nie geschriebene Datei des Laufs vom %1 für dasselbe Ziel wird "
                                           "durch diese ersetzt.")
                                .arg(runMoment(older.created));
        }
        PendingRunFile record;
        record.kind = kind;
        record.target = path;
        record.staging = staging;
        record.content = content;
        record.created = QDateTime::currentDateTime().toString(Qt::ISODate);
        id = addPendingRunFile(*c, record);
        try {
            writeFileAtomically(staging, content);
        } catch (const DataError& e) {
            // The copy is this program's own: the user knows the target.
            throw DataError(QString(e.message()).replace(native(staging), native(path)));
        }
        tx.commit();
    } catch (const DataError& e) {
        removeQuietly(staging);
        throw DataError(e.message() + kNothingDoneText);
    }
    for (const QString& copy : supersededCopies) removeQuietly(copy);

    try {
        replaceFile(staging, path);
    } catch (const DataError& e) {
        // Another start-up may have written it from the record meanwhile; or only the
        // folder's sync failed after the rename.
        bool pending = true;
        try {
            pending = runFilePending(*c, id);
        } catch (const DataError&) {
        }
        if (pending && !holds(path, content)) {
            removeQuietly(staging);
            throw DataError(e.message() + u'\n' +
                            (booked ? QStringLiteral("Die Beiträge sind gebucht, aber die Datei „%1“ fehlt noch. ")
                                    : QStringLiteral("Der Lauf ist im Verein vermerkt, aber die Datei „%1“ fehlt noch. "))
                                .arg(native(path)) +
                            kWrittenLater);
        }
        if (!pending) return outcome;
    }
    try {
        removePendingRunFile(*c, id);
    } catch (const DataError& e) {
        outcome.note += QStringLiteral("\nDer Lauf konnte nicht als abgeschlossen vermerkt werden (%1): beim nächsten "
                                       "Öffnen des Vereins wird die Datei „%2“ noch einmal geschrieben, mit demselben "
                                       "Inhalt.")
                            .arg(e.message(), native(path));
    }
    return outcome;
}

PendingRunFilesWritten writePendingRunFiles(DataModule& data) {
    PendingRunFilesWritten result;
    Connection* c = data.connection();
    if (!c || !runFilesPending(data)) return result;
    QStringList& lines = result.lines;
    // Under the write lock: no run can commit meanwhile, so no newer file of a target is
    // overwritten with an older one.
    Transaction tx(c);
    for (const PendingRunFile& f : pendingRunFiles(*c)) {
        const QString where = native(f.target);
        try {
            writeFileAtomically(f.target, f.content);
        } catch (const DataError& e) {
            lines << QStringLiteral("Die Datei „%1“ des Lastschriftlaufs vom %2 konnte noch nicht geschrieben "
                                    "werden: %3\n")
                             .arg(where, runMoment(f.created), e.message()) +
                         kWrittenLater;
            ++result.failed;
            continue;
        }
        removeQuietly(f.staging);
        removePendingRunFile(*c, f.id);
        ++result.written;
        lines << QStringLiteral("Der Lastschriftlauf (%1) vom %2 war nicht abgeschlossen: seine Datei „%3“ wurde "
                                "aus dem Vermerk im Verein geschrieben.")
                     .arg(f.kind, runMoment(f.created), where);
    }
    try {
        tx.commit();
    } catch (const DataError& e) {
        lines << QStringLiteral("Die geschriebenen Dateien konnten nicht als erledigt vermerkt werden (%1): sie "
                                "werden beim nächsten Öffnen des Vereins noch einmal geschrieben, mit demselben "
                                "Inhalt.")
                     .arg(e.message());
    }
    return result;
}

bool runFilesPending(DataModule& data) {
    Connection* c = data.connection();
    return c && pendingRunFileCount(*c) > 0;
}

}  // namespace ferolind
