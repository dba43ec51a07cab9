#include "BareSql.h"

#include "CatalogueName.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <stdexcept>

namespace kelvara::bench {

const char* bareSqliteVersion()
{
    return sqlite3_libversion();
}

BareSql::BareSql(const std::string& path)
{
    if (kelvara::db::isConnectionString(path.c_str())) {
        m_pg = PQconnectdb(path.c_str());
        if (PQstatus(m_pg) != CONNECTION_OK) {
            const std::string message = PQerrorMessage(m_pg);
            PQfinish(m_pg);
            throw std::runtime_error("cannot connect to " + path + ": " + message);
        }
        PQsetClientEncoding(m_pg, "UTF8");
        PQsetNoticeProcessor(m_pg, [](void*, const char*) {}, nullptr);
        return;
    }
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

BareSql::~BareSql()
{
    sqlite3_close(m_db);
    PQfinish(m_pg);
}

// One row at a time, as the catalogue's server engine reads; a statement whose first row
// is all that is read is cancelled then, as the engine does when its cursor is released.
std::size_t BareSql::runOnServer(const BareStatement& statement)
{
    const char* bound = statement.bound.c_str();
    if (!PQsendQueryParams(m_pg, statement.sql.c_str(), statement.bound.empty() ? 0 : 1, nullptr, &bound, nullptr,
                           nullptr, 0) ||
        !PQsetSingleRowMode(m_pg))
        throw std::runtime_error(std::string(PQerrorMessage(m_pg)) + " in: " + statement.sql);
    std::vector<std::vector<std::string>> rows;
    std::string failure;
    bool cancelled = false;
    while (PGresult* result = PQgetResult(m_pg)) {
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_SINGLE_TUPLE && !cancelled) {
            std::vector<std::string> row;
            const int columns = PQnfields(result);
            row.reserve(static_cast<std::size_t>(columns));
            for (int c = 0; c < columns; ++c)
                row.emplace_back(PQgetvalue(result, 0, c), static_cast<std::size_t>(PQgetlength(result, 0, c)));
            rows.push_back(std::move(row));
            if (statement.firstRowOnly) {
                cancelled = true;
                bool finished = false;
                PQconsumeInput(m_pg);
                while (!finished && !PQisBusy(m_pg)) {
                    PGresult* rest = PQgetResult(m_pg);
                    finished = rest == nullptr;
                    PQclear(rest);
                }
                PGcancel* cancel = finished ? nullptr : PQgetCancel(m_pg);
                if (cancel) {
                    char error[256];
                    PQcancel(cancel, error, sizeof error);
                    PQfreeCancel(cancel);
                }
            }
        } else if (status == PGRES_FATAL_ERROR && !cancelled) {
            failure = PQresultErrorMessage(result);
        }
        PQclear(result);
    }
    if (!failure.empty())
        throw std::runtime_error(failure + " in: " + statement.sql);
    return rows.size();
}

std::size_t BareSql::run(const BareStatement& statement)
{
    if (m_pg)
        return runOnServer(statement);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, statement.sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(m_db)) + " in: " + statement.sql);
    if (!statement.bound.empty())
        sqlite3_bind_text(stmt, 1, statement.bound.c_str(), -1, SQLITE_TRANSIENT);

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
    if (m_pg) {
        PGresult* result = PQexec(m_pg, ("EXPLAIN " + sql).c_str());
        std::vector<std::string> lines;
        for (int r = 0; r < PQntuples(result); ++r)
            lines.emplace_back(PQgetvalue(result, r, 0));
        PQclear(result);
        return lines;
    }
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
