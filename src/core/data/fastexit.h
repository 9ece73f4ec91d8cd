// Leaving a process that only read the club file without freeing what it read.
#pragma once

namespace ferolind {

class Connection;

// Whether the process may end without closing `connection` and without freeing the rows
// read through it: no transaction is open and the connection has written no row since it
// was opened. The file then holds everything this process committed (the rollback journal
// is gone after every commit), and what SQLite keeps in memory is only a cache of its pages;
// the system releases the file and its locks when the process ends. A connection that wrote
// is closed the ordinary way all the same.
bool mayLeaveWithoutClosing(Connection& connection);

}  // namespace ferolind
