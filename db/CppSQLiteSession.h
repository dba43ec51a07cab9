#pragma once

#include "CppSQLiteCursor.h"

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

private:
    sqlite3_stmt* compileStatement(const char* sql);
    void requireOpen() const;

    sqlite3* m_pDb;
    int m_nBusyTimeoutMs;
    StatementTrace m_trace;
};
