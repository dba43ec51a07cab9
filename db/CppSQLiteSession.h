#pragma once

#include "CppSQLiteCursor.h"
#include "LockWait.h"

#include <functional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// Owns the connection to the catalogue file. The program has exactly one, theDb.
class CppSQLiteSession {
public:
    static constexpr int kDefaultBusyTimeoutMs = 60000;

    // Called with each statement text before it is compiled; tests use it to see
    // the exact texts and their order.
    using StatementTrace = std::function<void(const char* sql)>;

    CppSQLiteSession();
    CppSQLiteSession(const CppSQLiteSession&) = delete;
    CppSQLiteSession& operator=(const CppSQLiteSession&) = delete;
    virtual ~CppSQLiteSession();

    void open(const char* fileName);
    void applyBusyTimeout(int milliseconds);
    CppSQLiteCursor execute(const char* sql);
    CppSQLiteCursor execute(const std::string& sql) { return execute(sql.c_str()); }
    void close();

    bool isOpen() const { return m_pDb != nullptr; }
    int busyTimeout() const { return m_nBusyTimeoutMs; }
    void setStatementTrace(StatementTrace trace) { m_trace = std::move(trace); }
    // Who is told while a statement waits for another connection's lock (none by default).
    void setLockWaitObserver(LockWaitObserver* observer) { m_pLockWait = observer; }
    LockWaitObserver* lockWaitObserver() const { return m_pLockWait; }
    // Tells the observer that the wait in progress on this thread, if any, is over; the
    // session and its cursors call it after every step that may have waited.
    static void endLockWait();

private:
    static int onBusy(void* session, int attempt);

    sqlite3_stmt* compileStatement(const char* sql);
    void requireOpen() const;

    sqlite3* m_pDb;
    int m_nBusyTimeoutMs;
    StatementTrace m_trace;
    LockWaitObserver* m_pLockWait = nullptr;
    bool m_bWaiting = false;   // the observer was told a wait began and not yet that it ended
    long long m_waitStartMs = 0;
};
