#pragma once

// A thin RAII layer over the SQLite C interface for the tool. Values always travel as
// bound parameters, never inside statement texts. Failures throw ToolError.

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kelvara::dbtool {

// How long a connection waits for another process's lock, as the catalogue program does.
constexpr int kBusyTimeoutMs = 60000;

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    Statement(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement& operator=(Statement&&) = delete;
    ~Statement();

    // Parameters are numbered from 1, as in SQL (?1, ?2…).
    void bindText(int index, std::string_view text);
    void bindNull(int index);
    void bindInteger(int index, long long value);

    // Runs to the next row: true when a row is available, false when the statement is done.
    bool step();
    // Makes the statement ready to run again; bindings are kept until rebound.
    void reset();

    bool isNull(int column) const;
    // The column as text (empty for NULL); exact bytes, may contain anything.
    std::string_view text(int column) const;
    long long integer(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
};

class Connection {
public:
    enum class Mode { ReadOnly, ReadWrite };

    // Opens an existing database file; never creates one. Refuses a file that is not an
    // SQLite 3 database with a message that says what it is. busyTimeoutMs is how long a
    // statement waits for another process's lock.
    Connection(const std::string& path, Mode mode, int busyTimeoutMs = kBusyTimeoutMs);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    sqlite3* handle() const { return m_db; }
    const std::string& path() const { return m_path; }

    // Runs every statement in sql (no parameters).
    void execute(const char* sql);
    Statement prepare(const char* sql) { return Statement(m_db, sql); }
    long long lastInsertId() const;

private:
    sqlite3* m_db = nullptr;
    std::string m_path;
};

// BEGIN IMMEDIATE on construction; rolls back on destruction unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();
    void commit();

private:
    Connection& m_connection;
    bool m_open = true;
};

// The SQLite 2 file header, for telling such a file apart from a damaged one.
bool looksLikeSqlite2(const std::string& path);

}  // namespace kelvara::dbtool
