#include "fastexit.h"

#include "connection.h"

#include <sqlite3.h>

namespace ferolind {

bool mayLeaveWithoutClosing(Connection& connection) {
    if (connection.depth() > 0 || !connection.db().isOpen()) return false;
    sqlite3* db = connection.handle();
    return db && sqlite3_get_autocommit(db) != 0 && sqlite3_total_changes64(db) == 0;
}

}  // namespace ferolind
