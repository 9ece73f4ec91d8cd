// Taking members over from a source: the importable fields, the mapping of source
// columns to them, the conversion of each source text, and the import itself with the
// fee class step. Members are stored through the member dataset, so the member rules
// apply to every one.
#pragma once

#include "data/errors.h"
#include "members/columns.h"

#include <QStringList>
#include <QVector>

namespace ferolind {
class DataModule;
class Dataset;
}

namespace ferolind::exchange {

// A member field a source column can be assigned to, with the name the mapping shows.
struct ImportField {
    QString field;
    QString title;
};

// The 27 fields of the import screen (ID to Sonstiges4, titled like the member columns).
QVector<ImportField> importScreenFields(const FreeFieldLabels& labels = {});
// The 26 fields of the import assistant, in its order.
const QVector<ImportField>& assistantFields();

// Per field of a field list: the source column assigned (from 0), or kNotAssigned.
constexpr int kNotAssigned = -1;
using ImportMapping = QVector<int>;

// The names of the source columns as the mapping shows them: with a title record, its
// texts; otherwise (and for a column the title leaves empty) "FELD " and the number
// from 1. A database table's own column names serve where there is no title.
QStringList sourceColumnNames(const QVector<QStringList>& records, bool titleRecord,
                              const QStringList& fieldNames = {});

// Sets one field of the member being inserted from a source text: numbers (ID,
// Bankleitzahl) and dates in the short date format are set when they read, other text is
// ignored; an account number longer than its column is ignored; DTAUS is set when the text
// contains "wahr" or "true"; every other field takes the text as it is (a text longer
// than its column throws the dataset's DataError).
void setImportedField(Dataset& members, const QString& field, const QString& text);

// The import stopped at a record: what was stored before it stays.
class ImportError : public DataError {
public:
    ImportError(QString message, int stored, int record, QString field)
        : DataError(std::move(message)), stored_(stored), record_(record), field_(std::move(field)) {}
    int stored() const { return stored_; }
    int record() const { return record_; }        // index into the records
    const QString& field() const { return field_; }  // empty when the store itself failed

private:
    int stored_, record_;
    QString field_;
};

struct ImportRequest {
    const QVector<QStringList>* records = nullptr;  // source values per record
    int first = 0;                                  // the first record to import
    QVector<ImportField> fields;
    ImportMapping mapping;  // per entry of fields
    // How a record is named in the failure message: "Zeile" (lines of a text file,
    // counted from 1) or "Datensatz".
    QString recordWord = QStringLiteral("Zeile");
    // When set: one note per value left empty or fee class created, named by record and
    // field ("Zeile 3, Geburtstag: 31.02.1990 ist kein Datum – leer gelassen").
    QStringList* notes = nullptr;
};

// Imports the records from `first` on: one new member per record that holds any text,
// each assigned field set from its source column (a column the record lacks counts as
// empty), the entry date cleared when it is not assigned, the member stored, then the
// fee class step. All in one transaction with the display updates suspended and
// progress reported. Returns the number of members stored. When a record is refused,
// the members stored before it are kept and ImportError names the record and field.
int importMembers(DataModule& data, const ImportRequest& request);

// The fee class step for a stored fee class text: when no fee class has this text as its
// fee (an amount) or as its name, one is created, named by the text, with the text read
// as fee (no fee when it is no amount). Failures are ignored.
void ensureFeeClass(DataModule& data, const QString& feeClassText);

}  // namespace ferolind::exchange
