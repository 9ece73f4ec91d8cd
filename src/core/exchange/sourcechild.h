// Reading workbooks and database files in a child process of the program itself: the C
// libraries underneath (libfreexl, libmdb) crash, hang or take gigabytes on damaged files,
// and such a file must cost the user one sentence, not the open program with its unsaved
// edits. The child runs under a memory and a time limit; its stderr goes nowhere.
#pragma once

#include <QString>
#include <QStringList>

namespace ferolind::exchange {

struct SourceTable;

// Called first in a program's main(), before any QCoreApplication exists. Returns -1
// when the program was started normally (and marks the program as one that can be its own
// reading child); otherwise it was started as that child, has read and answered, and the
// value is the exit code to return at once.
int sourceReaderMain(int argc, char** argv);

// Whether sourceReaderMain was called in this process: only then do the readers go
// through a child (tools without it, such as the fuzz targets, read in-process).
bool sourceReaderChildAvailable();

struct SourceReaderLimits {
    int tableNamesMs = 10'000;     // the sheet or table list
    int tableMs = 60'000;          // one sheet or table
    qint64 memoryBytes = 1LL << 30;  // address space of the child
};
SourceReaderLimits sourceReaderLimits();
void setSourceReaderLimits(const SourceReaderLimits& limits);  // for tests

// The names or one table read by a child; throws DataError with the child's own sentence,
// or, when the child crashed, ran out of time or memory or answered garbage, with
// "Die Datei »…« lässt sich nicht lesen: sie ist beschädigt oder keine …".
QStringList tableNamesInChild(const QString& path);
SourceTable readTableInChild(const QString& path, const QString& table);

// The readers the child runs (in-process; DataError names the file).
QStringList sourceTableNamesHere(const QString& path);
SourceTable readSourceHere(const QString& path, const QString& table);

}  // namespace ferolind::exchange
