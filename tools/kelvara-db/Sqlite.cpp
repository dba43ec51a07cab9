#include "Sqlite.h"

#include "Command.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kelvara::dbtool {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw ToolError(what + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory"));
}

}  // namespace

bool looksLikeSqlite2(const std::string& path)
{
    static const char kHeader[] = "** This file contains an SQLite 2";
    std::ifstream in(path, std::ios::binary);
    char buffer[sizeof kHeader - 1] = {};
    in.read(buffer, sizeof buffer);
    return in.gcount() == static_cast<std::streamsize>(sizeof buffer) &&
           std::memcmp(buffer, kHeader, sizeof buffer) == 0;
}

// --- Statement -------------------------------------------------------------------------

Statement::Statement(sqlite3* db, const char* sql) : m_db(db), m_stmt(nullptr)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        fail(db, "cannot prepare a statement");
    }
}

Statement::Statement(Statement&& other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bindText(int index, std::string_view text)
{
    // A non-null pointer even for an empty view, so "" binds as empty text, not NULL.
    const char* data = text.empty() ? "" : text.data();
    if (sqlite3_bind_text(m_stmt, index, data, static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK) {
        fail(m_db, "cannot bind a value");
    }
}

void Statement::bindNull(int index)
{
    if (sqlite3_bind_null(m_stmt, index) != SQLITE_OK) {
        fail(m_db, "cannot bind a value");
    }
}

void Statement::bindInteger(int index, long long value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) {
        fail(m_db, "cannot bind a value");
    }
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    fail(m_db, "statement failed");
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::string_view Statement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (data == nullptr) {
        return {};
    }
    return {data, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column))};
}

long long Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

// --- Connection ------------------------------------------------------------------------

Connection::Connection(const std::string& path, Mode mode, int busyTimeoutMs) : m_path(path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw ToolError(path + ": no such file");
    }
    if (std::filesystem::is_directory(path, ec)) {
        throw ToolError(path + " is a folder, not a catalogue file");
    }
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw ToolError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(m_db, busyTimeoutMs);

    // Opening reads nothing; reading the schema is what tells a database from other files.
    // A file locked by a writer cannot be told apart yet; the statements that follow wait
    // for it or report it.
    const int rc = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                                nullptr);
    if (rc != SQLITE_OK && rc != SQLITE_BUSY) {
        const std::string message = sqlite3_errmsg(m_db);
        sqlite3_close(m_db);
        m_db = nullptr;
        if (looksLikeSqlite2(path)) {
            throw ToolError(path +
                            " is a catalogue written by SQLite 2, which this tool and Kelvara "
                            "cannot open. Convert it once with\n    kelvara-db migrate " +
                            path + " new.db\nthen put new.db in its place");
        }
        throw ToolError("cannot read " + path + ": " + message);
    }
}

Connection::~Connection()
{
    sqlite3_close(m_db);
}

void Connection::execute(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message != nullptr ? message : sqlite3_errmsg(m_db);
        sqlite3_free(message);
        throw ToolError(m_path + ": " + text);
    }
}

long long Connection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

// --- Transaction -----------------------------------------------------------------------

Transaction::Transaction(Connection& connection) : m_connection(connection)
{
    m_connection.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (m_open) {
        sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit()
{
    m_connection.execute("COMMIT");
    m_open = false;
}

}  // namespace kelvara::dbtool
