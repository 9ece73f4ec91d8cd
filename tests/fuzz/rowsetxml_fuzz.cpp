// The rowset XML reader on any document: it is read or refused with a message. A document
// it reads gives rows of the declared width with values of their field's type, and when the
// writer takes those rows, reading its document gives the same fields and rows again.
#include "data/errors.h"
#include "data/rowsetxml.h"
#include "fuzzcheck.h"

#include <QDate>
#include <QDateTime>

#include <cstdint>

using namespace ferolind;
using ferolind::fuzz::describe;

namespace {

bool hasFieldType(FieldType type, const QVariant& v) {
    if (!v.isValid()) return true;
    switch (type) {
        case FieldType::AutoIncrement:
        case FieldType::Integer: return v.typeId() == QMetaType::Int;
        case FieldType::Text:
        case FieldType::Memo: return v.typeId() == QMetaType::QString;
        case FieldType::Date:
            return (v.typeId() == QMetaType::QDate && v.toDate().isValid()) ||
                   (v.typeId() == QMetaType::QDateTime && v.toDateTime().isValid());
        case FieldType::Bool: return v.typeId() == QMetaType::Bool;
        case FieldType::Currency: return v.typeId() == QMetaType::LongLong;
    }
    return false;
}

// Milliseconds of a moment are read but not written: the writer keeps whole seconds, as
// the database does.
QVariant toWholeSeconds(const QVariant& v) {
    if (v.typeId() != QMetaType::QDateTime) return v;
    QDateTime dt = v.toDateTime();
    const QTime t = dt.time();
    dt.setTime(QTime(t.hour(), t.minute(), t.second()));
    if (dt.time() == QTime(0, 0)) return dt.date();  // a midnight comes back as a day
    return dt;
}

bool sameValue(const QVariant& written, const QVariant& read) {
    if (!written.isValid() || !read.isValid()) return written.isValid() == read.isValid();
    const QVariant expected = toWholeSeconds(read);
    return written.typeId() == expected.typeId() && written == expected;
}

void checkSame(const Rowset& back, const Rowset& first) {
    FUZZ_CHECK(back.fields.size() == first.fields.size(), QStringLiteral("Spaltenzahl nach dem Schreiben"));
    for (int c = 0; c < first.fields.size(); ++c) {
        const FieldDef& a = back.fields[c];
        const FieldDef& b = first.fields[c];
        FUZZ_CHECK(a.name == b.name && a.type == b.type && a.size == b.size,
                   QStringLiteral("Spalte %1 '%2' wird zu '%3'").arg(c + 1).arg(b.name, a.name));
    }
    FUZZ_CHECK(back.rows.size() == first.rows.size(), QStringLiteral("Zeilenzahl nach dem Schreiben"));
    for (int r = 0; r < first.rows.size(); ++r)
        for (int c = 0; c < first.fields.size(); ++c)
            FUZZ_CHECK(sameValue(back.rows[r][c], first.rows[r][c]),
                       QStringLiteral("Datensatz %1, Feld '%2': %3 wird zu %4")
                           .arg(r + 1)
                           .arg(first.fields[c].name, describe(first.rows[r][c]), describe(back.rows[r][c])));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml(reinterpret_cast<const char*>(data), qsizetype(size));
    Rowset rs;
    try {
        rs = rowsetXmlFromBytes(xml, QStringLiteral("fuzz.xml"));
    } catch (const DataError& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("»fuzz.xml«")),
                   QStringLiteral("Meldung ohne Dateinamen: %1").arg(e.message()));
        return 0;
    }
    for (int r = 0; r < rs.rows.size(); ++r) {
        FUZZ_CHECK(rs.rows[r].size() == rs.fields.size(), QStringLiteral("Datensatz %1 hat die falsche Breite").arg(r + 1));
        for (int c = 0; c < rs.fields.size(); ++c)
            FUZZ_CHECK(hasFieldType(rs.fields[c].type, rs.rows[r][c]),
                       QStringLiteral("Datensatz %1, Feld '%2': %3")
                           .arg(r + 1)
                           .arg(rs.fields[c].name, describe(rs.rows[r][c])));
    }
    QByteArray written;
    try {
        written = rowsetXmlToBytes(rs.fields, rs.rows);
    } catch (const DataError&) {
        return 0;  // the writer refuses what it cannot put into XML, with a message
    }
    Rowset back;
    try {
        back = rowsetXmlFromBytes(written, QStringLiteral("zurück.xml"));
    } catch (const DataError& e) {
        FUZZ_CHECK(false, QStringLiteral("das eigene Dokument wird abgelehnt: %1").arg(e.message()));
    }
    checkSame(back, rs);
    return 0;
}
