#pragma once

#include <string>

namespace kelvara::db {

// The SQLite result code the catalogue reports for a server error, by its SQLSTATE:
// lock time-out and deadlock 5 (SQLITE_BUSY), a user allowed only to read 8 (SQLITE_READONLY),
// a lost or refused connection 14 (SQLITE_CANTOPEN), everything else (a missing table or
// column among it) 1 (SQLITE_ERROR). A null or empty state is a connection failure.
int sqliteCodeForSqlState(const char* sqlstate);
// SQLite's extended code for the same error, where the handlers tell it apart: a foreign key
// violation (23503) is SQLITE_CONSTRAINT_FOREIGNKEY. Otherwise code itself.
int sqliteExtendedCodeForSqlState(const char* sqlstate, int code);

// The text an operator is shown for a server error: the server's primary message when there is
// one, else libpq's whole message. Either way without the lines that quote a statement
// ("LINE n:" with the caret line under it, "QUERY:", "CONTEXT:", "STATEMENT:"), which would show its text and values,
// and without trailing line ends or blanks.
std::string shownServerError(const char* primary, const char* whole);

}  // namespace kelvara::db
