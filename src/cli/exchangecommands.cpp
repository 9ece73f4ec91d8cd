#include "exchangecommands.h"

#include "options.h"

#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "exchange/delimited.h"
#include "exchange/exports.h"
#include "exchange/memberimport.h"
#include "exchange/sources.h"
#include "members/columnsettings.h"
#include "session/session.h"

#include <QHash>

namespace ferolind {

using namespace exchange;

QString exchangeCommandsUsage() {
    return QStringLiteral(
        "  members export --format csv|txt|html|xlsx|ods --out DATEI [--separator tab|;|,] [--qualifier '\"'|\"'\"|none]\n"
        "                 [--no-title] [--columns F1;F2;...] [--filter AUSDRUCK] [--sort F1;F2]\n"
        "                                         schreibt die Mitglieder in eine Datei (CSV: Komma und \")\n"
        "  bookings export ...                    ebenso die Buchungen\n"
        "  members import DATEI --map FELD=QUELLE,... [--separator tab|;|,] [--qualifier ...] [--no-title]\n"
        "                 [--sheet NAME] [--encoding auto|utf-8|windows-1252]\n"
        "                                         übernimmt Mitglieder aus Text, .xls, .xlsx, .ods oder .mdb\n"
        "  members import DATEI --list-sheets     die Arbeitsblätter oder Tabellen der Datei\n");
}

namespace {

using Options = CliOptions;

QChar separatorOption(const Options& o, QChar fallback) {
    if (!o.values.contains(QStringLiteral("--separator"))) return fallback;
    const QString s = o.values.value(QStringLiteral("--separator"));
    if (s == u"tab" || s == u"\t") return QLatin1Char('\t');
    if (s == u";" || s == u",") return s[0];
    throw DataError(QStringLiteral("»%1« ist kein Trennzeichen (tab, ; oder ,).").arg(s));
}

QChar qualifierOption(const Options& o, QChar fallback) {
    if (!o.values.contains(QStringLiteral("--qualifier"))) return fallback;
    const QString q = o.values.value(QStringLiteral("--qualifier"));
    if (q == u"none") return QChar();
    if (q == u"\"" || q == u"'") return q[0];
    throw DataError(QStringLiteral("»%1« ist kein Text-Kennzeichner (\", ' oder none).").arg(q));
}

void exportData(Dataset& d, const QVector<ExportColumn>& columns, const QStringList& args, QTextStream& out) {
    const Options o = parseCliOptions(args,
                                      {QStringLiteral("--format"), QStringLiteral("--out"), QStringLiteral("--separator"),
                                       QStringLiteral("--qualifier"), QStringLiteral("--columns"),
                                       QStringLiteral("--filter"), QStringLiteral("--sort")},
                                      {QStringLiteral("--no-title")});
    static const QHash<QString, ExportFormat> formats = {{QStringLiteral("csv"), ExportFormat::Csv},
                                                         {QStringLiteral("txt"), ExportFormat::Txt},
                                                         {QStringLiteral("html"), ExportFormat::Html},
                                                         {QStringLiteral("xlsx"), ExportFormat::Excel},
                                                         {QStringLiteral("ods"), ExportFormat::Ods}};
    const QString format = o.values.value(QStringLiteral("--format"));
    if (!formats.contains(format)) throw DataError(QStringLiteral("Bitte --format csv, txt, html, xlsx oder ods angeben."));
    const QString path = o.values.value(QStringLiteral("--out"));
    if (path.isEmpty()) throw DataError(QStringLiteral("Es fehlt die Option --out DATEI."));

    QVector<bool> selected(columns.size(), true);
    if (o.values.contains(QStringLiteral("--columns"))) {
        selected.fill(false);
        for (const QString& name : o.values.value(QStringLiteral("--columns")).split(';', Qt::SkipEmptyParts)) {
            int found = -1;
            for (int i = 0; i < columns.size(); ++i)
                if (columns[i].field.compare(name.trimmed(), Qt::CaseInsensitive) == 0) found = i;
            if (found < 0) throw DataError(QStringLiteral("»%1« ist keine exportierbare Spalte.").arg(name.trimmed()));
            selected[found] = true;
        }
    }
    if (o.values.contains(QStringLiteral("--sort"))) d.setSort(o.values.value(QStringLiteral("--sort")));
    if (o.values.contains(QStringLiteral("--filter"))) d.applyFilter(o.values.value(QStringLiteral("--filter")));
    ExportOptions options;
    options.separator = separatorOption(o, QLatin1Char(','));
    options.qualifier = qualifierOption(o, QLatin1Char('"'));
    options.titleRow = !o.flags.contains(QStringLiteral("--no-title"));
    const ExportFormat f = formats.value(format);
    const ExportTable table = exportTable(d, columns, selected);
    if (f == ExportFormat::Txt) {
        const QString warning = breakingCellWarning(table, options);
        if (!warning.isEmpty()) out << QStringLiteral("Warnung: ") << warning << '\n';
    }
    writeExport(f, path, table, options);
}

void importData(Session& session, const QStringList& args, QTextStream& out) {
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--")))
        throw DataError(QStringLiteral("Aufruf: ferolind-cli members import DATEI --map FELD=QUELLE,..."));
    const QString path = args.first();
    const Options o = parseCliOptions(args.mid(1),
                                      {QStringLiteral("--map"), QStringLiteral("--separator"),
                                       QStringLiteral("--qualifier"), QStringLiteral("--sheet"),
                                       QStringLiteral("--encoding")},
                                      {QStringLiteral("--no-title"), QStringLiteral("--list-sheets")});
    const SourceKind kind = sourceKindOf(path);
    if (o.flags.contains(QStringLiteral("--list-sheets"))) {
        for (const QString& name : sourceTableNames(path)) out << name << '\n';
        return;
    }
    const QChar separator = separatorOption(o, QLatin1Char('\t'));
    TextEncoding encoding = TextEncoding::Auto;
    if (o.values.contains(QStringLiteral("--encoding"))) {
        const auto e = textEncodingFromName(o.values.value(QStringLiteral("--encoding")));
        if (!e)
            throw DataError(QStringLiteral("»%1« ist kein Zeichensatz (auto, utf-8 oder windows-1252).")
                                .arg(o.values.value(QStringLiteral("--encoding"))));
        encoding = *e;
    }
    SourceTable source;
    if (kind == SourceKind::Text) {
        const DecodedText text = readTextFile(path, encoding);
        out << QStringLiteral("Die Datei wurde als %1 gelesen.\n").arg(textEncodingName(text.encoding));
        source.records = readDelimited(text.text, separator, qualifierOption(o, QChar()));
    } else {
        source = readSource(path, o.values.value(QStringLiteral("--sheet")), separator);
    }
    // A database table names its columns; its first record is a member like the others.
    const bool title = hasTitleRecord(source, !o.flags.contains(QStringLiteral("--no-title")));

    ImportRequest request;
    request.records = &source.records;
    request.first = title ? 1 : 0;
    request.fields = kind == SourceKind::Text ? importScreenFields() : assistantFields();
    request.recordWord = kind == SourceKind::Text ? QStringLiteral("Zeile") : QStringLiteral("Datensatz");
    request.mapping = ImportMapping(request.fields.size(), kNotAssigned);
    const QStringList names = sourceColumnNames(source.records, title, source.fieldNames);
    if (!o.values.contains(QStringLiteral("--map")))
        throw DataError(QStringLiteral("Es fehlt die Option --map FELD=QUELLE,..."));
    for (const QString& pair : o.values.value(QStringLiteral("--map")).split(',', Qt::SkipEmptyParts)) {
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0) throw DataError(QStringLiteral("»%1« hat nicht die Form FELD=QUELLE.").arg(pair));
        const QString field = pair.left(eq).trimmed(), name = pair.mid(eq + 1).trimmed();
        int f = -1;
        for (int i = 0; i < request.fields.size(); ++i)
            if (request.fields[i].field.compare(field, Qt::CaseInsensitive) == 0) f = i;
        if (f < 0) throw DataError(QStringLiteral("»%1« ist kein importierbares Feld.").arg(field));
        const qsizetype source = names.indexOf(name);
        if (source < 0)
            throw DataError(QStringLiteral("Die Quelle hat keine Spalte »%1« (vorhanden: %2).")
                                .arg(name, names.join(QStringLiteral(", "))));
        request.mapping[f] = int(source);
    }
    out << QStringLiteral("%1 Mitglieder importiert.\n").arg(importMembers(session.data(), request));
}

}  // namespace

bool runExchangeCommand(Session& session, const QString& command, const QString& sub, const QStringList& args,
                        QTextStream& out, bool& changed) {
    DataModule& data = session.data();
    if (command == u"members" && sub == u"export") {
        exportData(data.members(), memberExportColumns(setupFreeFieldLabels(data.settings())), args, out);
    } else if (command == u"bookings" && sub == u"export") {
        exportData(data.bookings(), bookingExportColumns(), args, out);
    } else if (command == u"members" && sub == u"import") {
        changed = true;
        importData(session, args, out);
    } else {
        return false;
    }
    return true;
}

}  // namespace ferolind
