#include "fastexit.h"

#include "connection.h"

#include <sqlite3.h>
#include <QSqlDriver>

namespace ferolind {

bool mayLeaveWithoutClosing(Connection& connection) {
    if (connection.depth() > 0 || !connection.db().isOpen() || !connection.db().driver()) return false;
    const QVariant h = connection.db().driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) return false;
    sqlite3* db = *static_cast<sqlite3* const*>(h.constData());
    return db && sqlite3_get_autocommit(db) != 0 && sqlite3_total_changes64(db) == 0;
}

}  // namespace ferolind
