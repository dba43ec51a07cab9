#pragma once

#include "CppSQLiteCursor.h"
#include "Dialect.h"
#include "Engine.h"
#include "LockWait.h"

#include <functional>
#include <memory>
#include <string>

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

    // name is a catalogue file (created if missing), or a libpq connection string or
    // postgresql:// URI naming a server catalogue.
    void open(const char* name);
    void applyBusyTimeout(int milliseconds);
    CppSQLiteCursor execute(const char* sql);
    CppSQLiteCursor execute(const std::string& sql) { return execute(sql.c_str()); }
    void close();

    bool isOpen() const { return m_connection != nullptr; }
    int busyTimeout() const { return m_nBusyTimeoutMs; }
    // The SQL the open catalogue reads; the statement texts are composed for it.
    kelvara::sql::Dialect dialect() const { return m_dialect; }
    void setStatementTrace(StatementTrace trace) { m_trace = std::move(trace); }
    // Who is told while a statement waits for another connection's lock (none by default).
    void setLockWaitObserver(LockWaitObserver* observer) { m_pLockWait = observer; }
    LockWaitObserver* lockWaitObserver() const { return m_pLockWait; }
    // Tells the observer that the wait in progress on this thread, if any, is over; the
    // session and its cursors call it after every step that may have waited.
    static void endLockWait();

private:
    int lockWaitSlice(bool restart) override;
    void requireOpen() const;

    std::shared_ptr<kelvara::db::Connection> m_connection;
    kelvara::sql::Dialect m_dialect = kelvara::sql::Dialect::sqlite;
    int m_nBusyTimeoutMs;
    StatementTrace m_trace;
    LockWaitObserver* m_pLockWait = nullptr;
    bool m_bWaiting = false;   // the observer was told a wait began and not yet that it ended
    long long m_waitStartMs = 0;
};
