#pragma once

// What each engine under CppSQLiteSession implements: a connection that starts statements
// and a statement that steps through its rows. Only db/ sees these.

#include "BoundValue.h"
#include "CatalogueName.h"
#include "Dialect.h"
#include "LockWait.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvara::db {

// The session, as an engine sees it while a statement waits for another connection's lock,
// a slow server or a connection being made.
class WaitHost {
public:
    // Called when a wait starts (restart) and again after each slice of it, with what is
    // waited for now: the milliseconds to wait before the next look, or 0 to give up now
    // (the busy time-out reached, or the observer).
    virtual int waitSlice(CatalogueWait what, bool restart) = 0;

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
    // Bytes in text(index), which may hold NUL characters.
    virtual std::size_t length(int index) const = 0;
    // Ends the statement, stopping any work still in progress for it. Idempotent.
    virtual void finalize() = 0;
};

class Connection {
public:
    virtual ~Connection() = default;
    virtual sql::Dialect dialect() const = 0;
    // Compiles the first statement of sql, binds values (if any) to $1, $2… and steps to its
    // first row; null when the text holds no statement at all.
    virtual std::unique_ptr<Statement> start(const char* sql, const BoundValues* values) = 0;
    // Runs every statement of sql, discarding any rows (a schema, BEGIN…COMMIT).
    virtual void runScript(const char* sql) = 0;
    // Adds rows to table (columns as listed) as one bulk load: COPY on a server, one compiled
    // insert on a file. next fills the values of one row and returns false after the last.
    virtual void loadRows(const std::string& table, const std::vector<std::string>& columns,
                          const std::function<bool(BoundValues&)>& next) = 0;
    // A statement without rows (a transaction's BEGIN) run as part of the next statement:
    // a server sends both at once and the next statement's failure may be this one's. A file
    // runs it now.
    virtual void runWithNext(const char* sql) { start(sql, nullptr); }
    // The statement the caller runs right after the next one: a server sends it with the
    // next, and starting it then takes the answer already on its way (anything else started
    // in its place drops that answer). A file waits for it to be started.
    virtual void sendAfterNext(const char* /*sql*/, const BoundValues* /*values*/) {}
    virtual void setBusyTimeout(int milliseconds) = 0;
    // Closes the connection; statements still open keep what they need until finalised.
    virtual void close() = 0;
    // A server's protocol: every message to and from it written to file as libpq traces
    // it (null stops), and the connections made so far, cancel requests included. A file
    // has neither.
    virtual void traceMessages(std::FILE*) {}
    virtual long connectionsMade() const { return 0; }
};

// Opens a catalogue file, as the SQLite engine does.
std::shared_ptr<Connection> openSqlite(const char* fileName, Access access, WaitHost& host, int busyTimeoutMs);
// Opens a server catalogue from a libpq connection string or URI; applicationName is how the
// connection is listed on the server unless the string names one.
std::shared_ptr<Connection> openPostgres(const char* conninfo, Access access, const char* applicationName,
                                         WaitHost& host, int busyTimeoutMs);

}  // namespace kelvara::db
