#include "serialletter.h"

#include "data/dataset.h"
#include "data/errors.h"
#include "data/progress.h"
#include "data/values.h"
#include "rtfreader.h"
#include "rtfwriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

namespace ferolind::letters {

const QVector<MergeField>& editorFields() {
    static const QVector<MergeField> fields = {
        {"ID", "ID"},
        {"Anrede", "Anrede"},
        {"Vorname", "Vorname"},
        {"Nachname", "Nachname"},
        {"Strasse", "Strasse"},
        {"Land", "Land"},
        {"PLZ", "PLZ"},
        {"Ort", "Ort"},
        {"Telefon1", "Telefon1"},
        {"Telefon2", "Telefon2"},
        {"Telefax", "Telefax"},
        {"eMail", "Email"},
        {"EintrittDatum", "EintrittDatum"},
        {"AustrittDatum", "AustrittDatum"},
        {"Geburtsdatum", "Geburtsdatum"},
    };
    return fields;
}

const QVector<MergeField>& mergeOrder() {
    static const QVector<MergeField> fields = [] {
        QVector<MergeField> out;
        for (const char* name : {"Anrede", "Vorname", "Nachname", "Strasse", "Land", "PLZ", "Ort", "ID", "EintrittDatum",
                                 "AustrittDatum", "Geburtsdatum", "Telefon1", "Telefon2", "Telefax", "eMail"})
            for (const MergeField& f : editorFields())
                if (f.name == QLatin1String(name)) out << f;
        return out;
    }();
    return fields;
}

std::optional<QString> replaceMarkers(QTextDocument& doc, const QVector<Replacement>& replacements) {
    std::optional<QString> last;
    for (const Replacement& r : replacements) {
        if (r.marker.isEmpty()) continue;
        QString text = r.text;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        // Which document positions hold text inserted for this marker.
        QVector<bool> inserted(doc.characterCount(), false);
        int from = 0;
        for (;;) {
            QTextCursor found = doc.find(r.marker, from, QTextDocument::FindCaseSensitively);
            if (found.isNull()) break;
            const int start = found.selectionStart(), end = found.selectionEnd();
            bool onlyInserted = true;
            for (int p = start; p < end && onlyInserted; ++p) onlyInserted = p < inserted.size() && inserted[p];
            if (onlyInserted) {
                from = start + 1;
                continue;
            }
            QTextCursor first(&doc);
            first.setPosition(start + 1);
            found.insertText(text, first.charFormat());
            inserted.remove(start, std::min<qsizetype>(end - start, inserted.size() - start));
            inserted.insert(start, text.size(), true);
            last = text;
            from = 0;
        }
    }
    return last;
}

QVector<Replacement> memberReplacements(const Dataset& members, int position) {
    const RowRef row = members.rowAt(position);
    QVector<Replacement> out;
    for (const MergeField& f : mergeOrder()) {
        const int i = members.field(f.memberField);
        out.push_back({f.marker(), valueToText(members.fields()[i].type, row[i])});
    }
    return out;
}

QString memberEntry(const Dataset& members, int position) {
    const RowRef row = members.rowAt(position);
    auto text = [&](const char* name) {
        const int i = members.field(QString::fromLatin1(name));
        return valueToText(members.fields()[i].type, row[i]);
    };
    return text("ID") + QStringLiteral(" -  ") + text("Vorname") + QLatin1Char(' ') + text("Nachname");
}

QStringList memberEntries(const Dataset& members) {
    QStringList out;
    out.reserve(members.recordCount());
    for (int p = 0; p < members.recordCount(); ++p) out << memberEntry(members, p);
    return out;
}

int boundOf(const QString& entry) {
    const int blank = int(entry.indexOf(u' '));
    const QString number = blank < 0 ? entry : entry.left(blank);
    bool ok = false;
    const int n = number.toInt(&ok);
    if (!ok) throw DataError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(number));
    return n;
}

QVector<int> membersInRange(const Dataset& members, int lower, int upper) {
    QVector<int> out;
    const int id = members.field(QStringLiteral("ID"));
    for (int p = 0; p < members.recordCount(); ++p) {
        const QVariant v = members.rowAt(p)[id];
        if (v.isNull()) continue;
        const int n = v.toInt();
        if (lower <= n && n <= upper) out << p;
    }
    return out;
}

SerialLetterRun::SerialLetterRun(const QTextDocument& letter) : dir_(std::make_unique<QTemporaryDir>()) {
    if (!dir_->isValid())
        throw DataError(QStringLiteral("Der Ordner für die Arbeitsdatei der Serienbriefe kann nicht angelegt werden: %1")
                            .arg(dir_->errorString()));
    path_ = QDir(dir_->path()).filePath(QStringLiteral("temp"));
    writeRtfFile(letter, path_);
}

SerialLetterRun::~SerialLetterRun() = default;

QString SerialLetterRun::workingFile() const { return path_; }

std::unique_ptr<QTextDocument> SerialLetterRun::letterFor(const Dataset& members, int position) {
    std::unique_ptr<QTextDocument> doc = readRtfFile(path_);
    if (const auto last = replaceMarkers(*doc, memberReplacements(members, position))) lastInserted_ = *last;
    doc->setModified(false);
    return doc;
}

int runSerialLetters(const QTextDocument& letter, const Dataset& members, const QVector<int>& positions,
                     const std::function<void(QTextDocument&)>& print, QString* lastInserted) {
    SerialLetterRun run(letter);
    Progress progress(QStringLiteral("Serienbriefe werden gedruckt"), int(positions.size()));
    int done = 0;
    for (const int p : positions) {
        std::unique_ptr<QTextDocument> doc = run.letterFor(members, p);
        print(*doc);
        progress.step(++done);
        if (lastInserted) *lastInserted = run.lastInserted();
    }
    return done;
}

}  // namespace ferolind::letters
