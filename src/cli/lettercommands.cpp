#include "lettercommands.h"

#include "data/datamodule.h"
#include "data/errors.h"
#include "letters/letterprint.h"
#include "letters/rtfreader.h"
#include "letters/serialletter.h"
#include "session/session.h"

#include <QTextDocument>
#include <climits>

namespace ferolind {

using namespace letters;

QString letterCommandsUsage() {
    return QStringLiteral(
        "  letters merge --rtf BRIEF --pdf DATEI [--from NR --to NR | --first] [--filter AUSDRUCK] [--sort F1;F2]\n"
        "                                         ein Serienbrief je Mitglied, alle in einer PDF-Datei\n");
}

namespace {

struct MergeOptions {
    QString rtf, pdf, from, to, filter, sort;
    bool first = false, hasFilter = false, hasSort = false;
};

MergeOptions mergeOptions(const QStringList& args) {
    MergeOptions o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* into = a == u"--rtf"      ? &o.rtf
                        : a == u"--pdf"    ? &o.pdf
                        : a == u"--from"   ? &o.from
                        : a == u"--to"     ? &o.to
                        : a == u"--filter" ? &o.filter
                        : a == u"--sort"   ? &o.sort
                                           : nullptr;
        if (a == u"--first") {
            o.first = true;
        } else if (into) {
            if (i + 1 >= args.size()) throw DataError(QStringLiteral("Zur Option %1 fehlt der Wert.").arg(a));
            *into = args[++i];
            o.hasFilter |= a == u"--filter";
            o.hasSort |= a == u"--sort";
        } else {
            throw DataError(QStringLiteral("Unbekannte Option »%1«.").arg(a));
        }
    }
    if (o.rtf.isEmpty()) throw DataError(QStringLiteral("Es fehlt die Option --rtf BRIEF."));
    if (o.pdf.isEmpty()) throw DataError(QStringLiteral("Es fehlt die Option --pdf DATEI."));
    if (o.first && (!o.from.isEmpty() || !o.to.isEmpty()))
        throw DataError(QStringLiteral("--first und --from/--to schließen einander aus."));
    return o;
}

}  // namespace

bool runLetterCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                      QTextStream& out) {
    if (command != u"letters") return false;
    if (sub != u"merge")
        throw DataError(QStringLiteral("Aufruf: ferolind-cli letters merge --rtf BRIEF --pdf DATEI ..."));
    const MergeOptions o = mergeOptions(args);
    Dataset& members = session.data().members();
    if (o.hasSort) members.setSort(o.sort);
    if (o.hasFilter) members.applyFilter(o.filter);
    const std::unique_ptr<QTextDocument> letter = readRtfFile(o.rtf);

    int lower = INT_MIN, upper = INT_MAX;
    if (o.first) {
        // Exactly the members with the number of the first one.
        lower = upper = members.isEmpty() ? 0 : boundOf(memberEntry(members, 0));
    } else {
        if (!o.from.isEmpty()) lower = boundOf(o.from);
        if (!o.to.isEmpty()) upper = boundOf(o.to);
    }
    const QVector<int> positions = members.isEmpty() ? QVector<int>{} : membersInRange(members, lower, upper);
    if (positions.isEmpty())
        throw DataError(QStringLiteral("Im gewählten Bereich liegt kein Mitglied; es wurde kein Brief geschrieben."));

    // A font the system lacks would be replaced in silence: the user is told which.
    for (const QString& font : missingFonts(*letter))
        out << QStringLiteral("Warnung: Die Schrift »%1« ist nicht installiert; der Brief wird mit einer Ersatzschrift "
                              "gedruckt.\n")
                   .arg(font);
    SerialLetterRun run(*letter);
    const int pages = writeLettersPdf(
        o.pdf, int(positions.size()), [&](int i) { return run.letterFor(members, positions[i]); },
        QStringLiteral("Serienbrief"));
    out << QStringLiteral("%1: %2 Brief(e), %3 Seite(n)\n").arg(o.pdf).arg(positions.size()).arg(pages);
    return true;
}

}  // namespace ferolind
