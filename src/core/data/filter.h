// Row filters written in the program's small filter language, e.g.
//   Nachname = 'M*' and (Ort = 'Berlin' or AustrittDatum = NULL)
//
// A filter is compiled once against a dataset's fields (names resolved to indexes,
// constants converted to the field's value type) and then tested against many rows.
#pragma once

#include "columnstore.h"
#include "field.h"

#include <QString>
#include <memory>

namespace ferolind {

// A text value written into a filter text: in quotes, a quote inside doubled
// ("O'Neil" -> 'O''Neil'). Every filter text built from data goes through it.
QString quoteFilterText(const QString& value);

class Filter {
public:
    // Compiles a filter text against the fields of a dataset. An empty or blank text selects all rows.
    // Throws DataError with a clear German message when the text cannot be parsed, names an unknown
    // field, or holds a quoted value that cannot be read as the field's type (e.g. 'abc' for a date column).
    static std::shared_ptr<const Filter> compile(const QString& text, const FieldList& fields);

    ~Filter();
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    bool matches(const RowRef& row) const;  // row values indexed like `fields`
    bool selectsAll() const;

    struct Node;  // compiled expression tree, defined in filter.cpp

private:
    explicit Filter(std::unique_ptr<Node> root);
    std::unique_ptr<Node> root_;  // null: selects all rows
};

}  // namespace ferolind
