#pragma once

namespace kelvara::db {

// The SQLite result code the catalogue reports for a server error, by its SQLSTATE:
// lock time-out and deadlock 5 (SQLITE_BUSY), a user allowed only to read 8 (SQLITE_READONLY),
// a lost or refused connection 14 (SQLITE_CANTOPEN), everything else (a missing table or
// column among it) 1 (SQLITE_ERROR). A null or empty state is a connection failure.
int sqliteCodeForSqlState(const char* sqlstate);

}  // namespace kelvara::db
