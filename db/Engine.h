#pragma once

// What each engine under CppSQLiteSession implements: a connection that starts statements
// and a statement that steps through its rows. Only db/ sees these.

#include "Dialect.h"

#include <memory>

namespace kelvara::db {

// The session, as an engine sees it while a statement waits for another connection's lock.
class WaitHost {
public:
    // Called when a wait starts (restart) and again after each slice of it: the milliseconds
    // to wait before the next look, or 0 to give up now (time-out reached or observer).
    virtual int lockWaitSlice(bool restart) = 0;

protected:
    ~WaitHost() = default;
};

// One running statement, standing on a row or at its end. Every failure throws
// CppSQLiteException; after a failed step the statement is already finalised.
class Statement {
public:
    virtual ~Statement() = default;
    virtual bool onRow() const = 0;
    virtual void step() = 0;
    virtual int columnCount() const = 0;
    // Null for SQL NULL; valid until the next step.
    virtual const char* text(int index) const = 0;
    // Ends the statement, stopping any work still in progress for it. Idempotent.
    virtual void finalize() = 0;
};

class Connection {
public:
    virtual ~Connection() = default;
    virtual sql::Dialect dialect() const = 0;
    // Compiles the first statement of sql and steps to its first row; null when the text
    // holds no statement at all.
    virtual std::unique_ptr<Statement> start(const char* sql) = 0;
    virtual void setBusyTimeout(int milliseconds) = 0;
    // Closes the connection; statements still open keep what they need until finalised.
    virtual void close() = 0;
};

// Opens a catalogue file (created if missing), as the SQLite engine does.
std::shared_ptr<Connection> openSqlite(const char* fileName, WaitHost& host, int busyTimeoutMs);
// Opens a server catalogue from a libpq connection string or URI.
std::shared_ptr<Connection> openPostgres(const char* conninfo, WaitHost& host, int busyTimeoutMs);
// Whether name is a libpq connection string or URI rather than a file name.
bool isConnectionString(const char* name);

}  // namespace kelvara::db
