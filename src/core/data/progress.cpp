#include "progress.h"

#include <utility>

namespace ferolind {

namespace {
ProgressSink& sink() {
    static ProgressSink s;
    return s;
}

void report(ProgressPhase phase, const QString& what, int done, int total) {
    if (sink()) sink()(phase, what, done, total);
}
}  // namespace

ProgressSink setProgressSink(ProgressSink s) { return std::exchange(sink(), std::move(s)); }

Progress::Progress(QString what, int total) : what_(std::move(what)), total_(total) {
    report(ProgressPhase::Start, what_, 0, total_);
}

Progress::~Progress() { report(ProgressPhase::End, what_, total_, total_); }

void Progress::step(int done) { report(ProgressPhase::Step, what_, done, total_); }

}  // namespace ferolind
