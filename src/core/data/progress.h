// Long work in the core says how far it is: the program shows a busy cursor and then a
// progress window with the count, the command-line tool shows nothing. The core knows
// no widgets; the program installs the display (ui::ProgressDisplay).
#pragma once

#include <QString>
#include <functional>

namespace ferolind {

enum class ProgressPhase { Start, Step, End };
// Told when a piece of work starts, at each step (done of total) and when it ends (also
// when it fails). Pieces may nest.
using ProgressSink = std::function<void(ProgressPhase phase, const QString& what, int done, int total)>;

// Replaces the display; an empty sink shows nothing. Returns the one before.
ProgressSink setProgressSink(ProgressSink sink);

// One piece of long work: reports its start, each step, and its end when it goes out of
// scope, whichever way it leaves.
class Progress {
public:
    // what: the work in German ("Mitglieder werden der Beitragsklasse zugeordnet");
    // total: the number of steps.
    Progress(QString what, int total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void step(int done);

private:
    QString what_;
    int total_;
};

}  // namespace ferolind
