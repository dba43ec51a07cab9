// A catalogue on a PostgreSQL server, through libpq.

#include "CatalogueTables.h"
#include "PostgresConnection.h"
#include "PostgresStatement.h"

#ifdef _WIN32
#include <winsock2.h>
#define poll WSAPoll
#else
#include <poll.h>
#endif

#include <cerrno>
#include <chrono>

namespace kelvara::db {

namespace pg {

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string trimmed(const char* text)
{
    std::string out;
    for (const char* c = text ? text : ""; *c; ++c) {
        if (*c == '\t' && !out.empty() && out.back() == '\n')
            continue;
        out += *c;
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

void PostgresConnection::connect()
{
    const char* const keywords[] = {"dbname", "fallback_application_name", nullptr};
    const char* const values[] = {m_conninfo.c_str(), m_applicationName.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keywords, values, 1);
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        const std::string message = trimmed(conn ? PQerrorMessage(conn) : "out of memory");
        PQfinish(conn);
        throw CppSQLiteException(kCantOpen, message.c_str());
    }
    m_conn = conn;
    if (PQsetClientEncoding(m_conn, "UTF8") != 0)
        lost();
    // Texts are standard literals: a backslash in one is an ordinary character.
    runSetting("SET standard_conforming_strings = on");
    if (m_access == Access::readOnly)
        runSetting("SET default_transaction_read_only = on");
    setBusyTimeout(m_timeoutMs);
}

void PostgresConnection::runSetting(const std::string& sql)
{
    PGresult* result = PQexec(m_conn, sql.c_str());
    if (!result)
        lost();
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        failWith(result);
    PQclear(result);
}

void PostgresConnection::failWith(PGresult* result)
{
    const char* sqlstate = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const int code = sqliteCodeForSqlState(sqlstate);
    const int extended = sqliteExtendedCodeForSqlState(sqlstate, code);
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    const std::string message = primary ? std::string(primary) : trimmed(PQresultErrorMessage(result));
    PQclear(result);
    // A COPY or script ends with its error; what follows on the connection is of no use.
    while (PGresult* rest = PQgetResult(m_conn))
        PQclear(rest);
    throw CppSQLiteException(code, message.c_str()).withExtendedCode(extended);
}

PGconn* PostgresConnection::ready()
{
    if (m_conn && PQstatus(m_conn) != CONNECTION_OK) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
    if (!m_conn)
        connect();
    // A window shown during a lock wait must not start a statement on the same connection.
    if (m_receiving)
        throw CppSQLiteException(21, "another statement is still waiting for the server");
    if (m_active)
        m_active->putAside();
    return m_conn;
}

void PostgresConnection::runScript(const char* sql)
{
    // The simple protocol runs every statement of the text; the last error ends it.
    PGresult* result = PQexec(ready(), sql);
    if (!result)
        lost();
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY)
        failWith(result);
    PQclear(result);
}

void PostgresConnection::sendCopyData(const std::string& data)
{
    if (PQputCopyData(m_conn, data.data(), static_cast<int>(data.size())) != 1)
        lost();
}

void PostgresConnection::loadRows(const std::string& table, const std::vector<std::string>& columns,
                                  const std::function<bool(BoundValues&)>& next)
{
    const std::string sql = "COPY " + table + " (" + quotedColumnList(columns) + ") FROM STDIN";
    PGresult* started = PQexec(ready(), sql.c_str());
    if (!started)
        lost();
    if (PQresultStatus(started) != PGRES_COPY_IN)
        failWith(started);
    PQclear(started);

    // COPY's text format: tab between fields, \N for NULL, the four special bytes escaped.
    constexpr std::size_t kChunk = 1 << 16;
    std::string data;
    BoundValues row;
    while (next(row)) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c)
                data += '\t';
            if (row[c].isNull()) {
                data += "\\N";
                continue;
            }
            for (char ch : row[c].text()) {
                switch (ch) {
                case '\\': data += "\\\\"; break;
                case '\n': data += "\\n"; break;
                case '\r': data += "\\r"; break;
                case '\t': data += "\\t"; break;
                default: data += ch;
                }
            }
        }
        data += '\n';
        row.clear();
        if (data.size() >= kChunk) {
            sendCopyData(data);
            data.clear();
        }
    }
    if (!data.empty())
        sendCopyData(data);
    if (PQputCopyEnd(m_conn, nullptr) != 1)
        lost();
    PGresult* result = PQgetResult(m_conn);
    if (!result)
        lost();
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        failWith(result);
    PQclear(result);
    while (PGresult* rest = PQgetResult(m_conn))
        PQclear(rest);
}

void PostgresConnection::setBusyTimeout(int milliseconds)
{
    m_timeoutMs = milliseconds;
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return;
    if (m_active)
        m_active->putAside();
    // Another counter's lock is waited for as long as SQLite waits for a locked file.
    runSetting("SET lock_timeout = " + std::to_string(milliseconds > 0 ? milliseconds : 1));
}

std::unique_ptr<Statement> PostgresConnection::start(const char* sql, const BoundValues* values)
{
    ready();
    // libpq sends each value as a C string; a server text cannot hold a NUL byte anyway.
    std::vector<std::string> texts;
    std::vector<const char*> pointers;
    if (values) {
        texts.reserve(values->size());
        for (const BoundValue& value : *values) {
            texts.emplace_back(value.text());
            pointers.push_back(value.isNull() ? nullptr : texts.back().c_str());
        }
    }
    // The extended protocol runs exactly one statement per text.
    if (!PQsendQueryParams(m_conn, sql, static_cast<int>(pointers.size()), nullptr, pointers.data(), nullptr,
                           nullptr, 0))
        lost();
    PQsetSingleRowMode(m_conn);
    auto statement = std::make_unique<PostgresStatement>(shared_from_this());
    m_active = statement.get();
    statement->step();
    if (statement->isEmptyQuery())
        return nullptr;
    return statement;
}

PGresult* PostgresConnection::receive(bool mayGiveUp, bool& gaveUp)
{
    if (!m_conn)
        return nullptr;
    m_receiving = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_receiving};
    const long long started = nowMs();
    bool waitingForLock = false;
    int sliceMs = kWaitNoticeMs;
    while (PQisBusy(m_conn)) {
        pollfd socketWait{};
        socketWait.fd = PQsocket(m_conn);
        socketWait.events = POLLIN;
        const int ready = poll(&socketWait, 1, sliceMs);
        if (ready < 0 && errno != EINTR)
            lost();
        if (ready > 0 && !PQconsumeInput(m_conn))
            lost();
        if (ready != 0 || !mayGiveUp || gaveUp)
            continue;
        if (nowMs() - started < kWaitNoticeMs)
            continue;
        sliceMs = m_host.lockWaitSlice(!waitingForLock);
        waitingForLock = true;
        if (sliceMs > 0)
            continue;
        sliceMs = kWaitNoticeMs;
        // At the time-out the server's lock_timeout ends the statement itself; before it,
        // the operator gave up.
        if (nowMs() - started < m_timeoutMs) {
            gaveUp = true;
            cancel();
        }
    }
    return PQgetResult(m_conn);
}

bool PostgresConnection::finishesWithin(int milliseconds)
{
    const long long deadline = nowMs() + milliseconds;
    while (m_conn && PQconsumeInput(m_conn)) {
        while (!PQisBusy(m_conn)) {
            PGresult* result = PQgetResult(m_conn);
            if (!result)
                return true;
            PQclear(result);
        }
        const long long left = deadline - nowMs();
        if (left <= 0)
            return false;
        pollfd socketWait{};
        socketWait.fd = PQsocket(m_conn);
        socketWait.events = POLLIN;
        if (poll(&socketWait, 1, static_cast<int>(left)) <= 0)
            return false;
    }
    return false;
}

void PostgresConnection::cancel()
{
    if (!m_conn)
        return;
    if (PGcancel* request = PQgetCancel(m_conn)) {
        char error[256];
        PQcancel(request, error, sizeof error);
        PQfreeCancel(request);
    }
}

void PostgresConnection::lost()
{
    const std::string message = trimmed(m_conn ? PQerrorMessage(m_conn) : "no connection to the server");
    m_active = nullptr;
    PQfinish(m_conn);
    m_conn = nullptr;
    throw CppSQLiteException(kCantOpen, message.c_str());
}

void PostgresConnection::close()
{
    if (m_active) {
        PostgresStatement* active = m_active;
        active->finalize();
        m_active = nullptr;
    }
    if (m_conn) {
        PQfinish(m_conn);
        m_conn = nullptr;
    }
}


}  // namespace pg

std::shared_ptr<Connection> openPostgres(const char* conninfo, Access access, const char* applicationName,
                                         WaitHost& host, int busyTimeoutMs)
{
    auto connection = std::make_shared<pg::PostgresConnection>(conninfo, access, applicationName, host, busyTimeoutMs);
    connection->connect();
    return connection;
}

}  // namespace kelvara::db
