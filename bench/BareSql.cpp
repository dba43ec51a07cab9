#include "BareSql.h"

#include <sqlite3.h>

#include <stdexcept>

namespace kelvara::bench {

BareSql::BareSql(const std::string& path)
{
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        throw std::runtime_error("cannot open " + path + ": " + message);
    }
    // The statements rely on double-quoted text literals, as the catalogue's connection does.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 1, nullptr);
}

BareSql::~BareSql() { sqlite3_close(m_db); }

std::size_t BareSql::run(const BareStatement& statement)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, statement.sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(m_db)) + " in: " + statement.sql);

    std::vector<std::vector<std::string>> rows;
    const int columns = sqlite3_column_count(stmt);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<std::string> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            row.emplace_back(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
        }
        rows.push_back(std::move(row));
        if (statement.firstRowOnly)
            break;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        const std::string message = sqlite3_errmsg(m_db);
        sqlite3_finalize(stmt);
        throw std::runtime_error(message + " in: " + statement.sql);
    }
    sqlite3_finalize(stmt);
    return rows.size();
}

std::size_t BareSql::run(const std::vector<BareStatement>& statements)
{
    std::size_t rows = 0;
    for (const BareStatement& statement : statements)
        rows = run(statement);
    return rows;
}

std::vector<std::string> BareSql::queryPlan(const std::string& sql)
{
    const std::string explain = "EXPLAIN QUERY PLAN " + sql;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, explain.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(m_db)) + " in: " + explain);
    std::vector<std::string> lines;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        // Columns: id, parent, unused, detail.
        const auto* detail = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3));
        lines.emplace_back(detail ? detail : "");
    }
    sqlite3_finalize(stmt);
    return lines;
}

}  // namespace kelvara::bench
