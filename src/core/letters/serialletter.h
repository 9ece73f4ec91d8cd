// Serial letters: the markers a letter may hold ("#" + upper-case field name + "#"), the
// member entries and bounds of the print dialog, and the run that makes one letter per
// member from a working copy of the letter.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class QTemporaryDir;
class QTextDocument;

namespace ferolind {
class Dataset;
}

namespace ferolind::letters {

struct MergeField {
    QString name;         // as the editor offers it ("eMail")
    QString memberField;  // the column of the member dataset ("Email")
    QString marker() const { return QLatin1Char('#') + name.toUpper() + QLatin1Char('#'); }
};

// The fields the editor's field bar offers, in its order.
const QVector<MergeField>& editorFields();
// The fields in the order their markers are replaced when letters are made.
const QVector<MergeField>& mergeOrder();

// One marker and the text that replaces it.
struct Replacement {
    QString marker;
    QString text;
};

// Replaces every marker in the document, in the order given: an occurrence is searched
// from the beginning again after each replacement; an occurrence made only of text just
// inserted for the same marker is left as it is, so a text that holds its own marker is
// inserted once. Markers are matched case-sensitively; a replacement keeps the character
// formatting of the marker's first character. Returns the text inserted last (none when
// nothing was replaced).
std::optional<QString> replaceMarkers(QTextDocument& doc, const QVector<Replacement>& replacements);

// The replacements for the member at a position of the dataset: its cell texts in merge order.
QVector<Replacement> memberReplacements(const Dataset& members, int position);

// The print dialog's entry of the member at a position: number, " -  ", first and last name.
QString memberEntry(const Dataset& members, int position);
// The entries of every member the dataset presents, in its order.
QStringList memberEntries(const Dataset& members);
// A range bound from an entry text: the text up to its first blank as a whole number.
// Throws DataError with the conversion message when it is none.
int boundOf(const QString& entry);
// The positions of the presented members whose number n satisfies lower <= n <= upper, in
// the dataset's order.
QVector<int> membersInRange(const Dataset& members, int lower, int upper);

// A run of serial letters: the letter is saved as RTF to a working file in a temporary
// folder of its own (removed with the run), and every member's letter is read from it,
// so the letter in the editor stays as it is.
class SerialLetterRun {
public:
    // Throws DataError when the working file cannot be written.
    explicit SerialLetterRun(const QTextDocument& letter);
    ~SerialLetterRun();
    // The working file (for tests).
    QString workingFile() const;
    // The letter for the member at a position, its markers replaced.
    std::unique_ptr<QTextDocument> letterFor(const Dataset& members, int position);
    // The text inserted last by any letter of the run.
    const QString& lastInserted() const { return lastInserted_; }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
    QString lastInserted_;
};

// Makes the letters of the members at the positions and hands each to `print` in turn,
// reporting progress. Returns the number of letters.
int runSerialLetters(const QTextDocument& letter, const Dataset& members, const QVector<int>& positions,
                     const std::function<void(QTextDocument&)>& print, QString* lastInserted = nullptr);

}  // namespace ferolind::letters
