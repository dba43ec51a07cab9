#pragma once

#include "BoundValue.h"
#include "CatalogueName.h"
#include "CppSQLiteCursor.h"
#include "Dialect.h"
#include "Engine.h"
#include "LockWait.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Owns the connection to the catalogue: a file, or a database on a PostgreSQL server.
// The program has exactly one, theDb.
class CppSQLiteSession : private kelvara::db::WaitHost {
public:
    static constexpr int kDefaultBusyTimeoutMs = 60000;

    // Called with each statement text before it is compiled; tests use it to see
    // the exact texts and their order.
    using StatementTrace = std::function<void(const char* sql)>;

    CppSQLiteSession();
    CppSQLiteSession(const CppSQLiteSession&) = delete;
    CppSQLiteSession& operator=(const CppSQLiteSession&) = delete;
    virtual ~CppSQLiteSession();

    // name is a catalogue file (created if missing, unless access says otherwise), or a libpq
    // connection string or postgresql:// URI naming a server catalogue. applicationName is
    // how a server lists the connection.
    void open(const char* name, kelvara::db::Access access = kelvara::db::Access::createIfMissing,
              const char* applicationName = "kelvara");
    void applyBusyTimeout(int milliseconds);
    CppSQLiteCursor execute(const char* sql);
    CppSQLiteCursor execute(const std::string& sql) { return execute(sql.c_str()); }
    // The same with values bound to the parameters $1, $2… of sql, on either engine.
    CppSQLiteCursor execute(const std::string& sql, const kelvara::db::BoundValues& values);
    // Runs sql, a statement without rows such as a transaction's BEGIN, as part of the next
    // statement: on a server both go in one trip, and the next statement's failure may be
    // this one's. On a file it runs now.
    void runWithNext(const char* sql);
    // Announces the statement the caller runs right after the next one. On a server it goes
    // out with the next, and executing it then takes its answer, already on its way; executing
    // anything else in its place drops that answer. Only for statements that do no harm when
    // the caller does not take them: reads, or a COMMIT right behind a transaction's last
    // write. On a file nothing is sent ahead.
    void sendAfterNext(const std::string& sql, const kelvara::db::BoundValues& values = {});
    // Runs every statement of sql (a schema, for instance), discarding rows.
    void executeScript(const std::string& sql);
    // Adds rows to table as one bulk load (COPY on a server); next fills one row's values
    // for columns and returns false after the last row.
    void loadRows(const std::string& table, const std::vector<std::string>& columns,
                  const std::function<bool(kelvara::db::BoundValues&)>& next);
    void close();

    bool isOpen() const { return m_connection != nullptr; }
    int busyTimeout() const { return m_nBusyTimeoutMs; }
    // The SQL the open catalogue reads; the statement texts are composed for it.
    kelvara::sql::Dialect dialect() const { return m_dialect; }
    void setStatementTrace(StatementTrace trace) { m_trace = std::move(trace); }
    // Who is told while a statement waits for another connection's lock (none by default).
    void setLockWaitObserver(LockWaitObserver* observer) { m_pLockWait = observer; }
    LockWaitObserver* lockWaitObserver() const { return m_pLockWait; }
    // What the wait the observer hears of is for; it may change while the wait goes on.
    CatalogueWait currentWait() const { return m_waitFor; }
    // Tells the observer that the wait in progress on this thread, if any, is over; the
    // session and its cursors call it after every step that may have waited.
    static void endLockWait();
    // On a server, libpq's trace of every message of this session's connections after their
    // handshake (reopened ones too) goes to file until this is called with null; and how
    // many connections it has made (see ServerTraffic.h).
    void traceServerMessages(std::FILE* file);
    long serverConnectionsMade() const
    {
        return m_closedConnections + (m_connection ? m_connection->connectionsMade() : 0);
    }

private:
    int waitSlice(CatalogueWait what, bool restart) override;
    void requireOpen() const;
    CppSQLiteCursor start(const char* sql, const kelvara::db::BoundValues* values);

    std::shared_ptr<kelvara::db::Connection> m_connection;
    kelvara::sql::Dialect m_dialect = kelvara::sql::Dialect::sqlite;
    int m_nBusyTimeoutMs;
    StatementTrace m_trace;
    LockWaitObserver* m_pLockWait = nullptr;
    bool m_bWaiting = false;   // the observer was told a wait began and not yet that it ended
    long long m_waitStartMs = 0;
    CatalogueWait m_waitFor = CatalogueWait::lock;
    std::FILE* m_serverTrace = nullptr;
    long m_closedConnections = 0;
};
