// A catalogue on a PostgreSQL server, through libpq.

#include "CatalogueTables.h"
#include "PostgresConnection.h"
#include "PostgresLink.h"
#include "PostgresStatement.h"

#ifdef _WIN32
#include <winsock2.h>
#define poll WSAPoll
#else
#include <poll.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace kelvara::db {

namespace pg {

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string PostgresConnection::startupOptions() const
{
    // The catalogue's tables are where init made them, in public, and nowhere else: a schema
    // another database user names after ours ("$user", first by default) cannot stand in for
    // them. A connection string may name another schema in its own options, which follow.
    // The settings the statements rely on come last, so they win.
    std::string theirs;
    if (PQconninfoOption* given = PQconninfoParse(m_conninfo.c_str(), nullptr)) {
        for (const PQconninfoOption* option = given; option->keyword; ++option) {
            if (std::strcmp(option->keyword, "options") == 0 && option->val)
                theirs = option->val;
        }
        PQconninfoFree(given);
    }
    const char* fromEnvironment = std::getenv("PGOPTIONS");
    if (theirs.empty() && fromEnvironment)
        theirs = fromEnvironment;
    std::string options = "-c search_path=public " + theirs;
    // Texts are standard literals: a backslash in one is an ordinary character. Another
    // counter's lock is waited for as long as SQLite waits for a locked file.
    options += " -c standard_conforming_strings=on -c lock_timeout=" + std::to_string(lockTimeoutSetting());
    if (m_access == Access::readOnly)
        options += " -c default_transaction_read_only=on";
    return options;
}

void PostgresConnection::connect()
{
    // Every setting travels in the start-up message: no statement runs before the first
    // command's own. The window goes on painting meanwhile, host name lookups included;
    // after a moment it shows the wait, and Cancel gives it up.
    const int limitMs = connectTimeoutMs(m_conninfo);
    ConnectingBeside attempt(m_conninfo, m_applicationName, startupOptions());
    const long long started = nowMs();
    PGconn* conn = nullptr;
    bool waiting = false;
    int sliceMs = kWaitNoticeMs;
    std::string failure;
    while (!attempt.ended(sliceMs, conn)) {
        const long long elapsed = nowMs() - started;
        if (limitMs > 0 && elapsed >= limitMs) {
            failure = "the catalogue server did not answer within " + std::to_string(limitMs / 1000)
                      + " seconds (connect_timeout)";
            break;
        }
        if (elapsed < kWaitNoticeMs)
            continue;
        sliceMs = m_host.waitSlice(CatalogueWait::connecting, !waiting);
        waiting = true;
        if (sliceMs == 0) {
            failure = "connecting to the catalogue server was cancelled";
            break;
        }
    }
    if (!failure.empty())
        throw CppSQLiteException(kCantOpen, failure.c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        failure = shownServerError(nullptr, PQerrorMessage(conn));
        PQfinish(conn);
        throw CppSQLiteException(kCantOpen, failure.c_str());
    }
    m_conn = conn;
    ++m_connectionsMade;
    // The server's notices (a FATAL before it goes away among them) are no one's business
    // on standard error; what matters reaches the operator as a command's failure.
    PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);
    traceMessages(m_trace);
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
    const std::string message = shownServerError(primary, PQresultErrorMessage(result));
    PQclear(result);
    // A COPY or script ends with its error; what follows on the connection is of no use.
    while (PGresult* rest = PQgetResult(m_conn))
        PQclear(rest);
    throw CppSQLiteException(code, message.c_str()).withExtendedCode(extended);
}

bool PostgresConnection::brokenWhileIdle()
{
    // An idle connection hears from the server when it goes away (a restart, an idle
    // time-out: its last words, then the end of the stream) or when the keepalives found
    // the peer dead: the socket is readable until that is read.
    for (int look = 0; look < 8 && PQstatus(m_conn) == CONNECTION_OK; ++look) {
        pollfd socketWait{};
        socketWait.fd = PQsocket(m_conn);
        socketWait.events = POLLIN;
        if (poll(&socketWait, 1, 0) <= 0)
            return false;
        if (!PQconsumeInput(m_conn))
            return true;
    }
    return PQstatus(m_conn) != CONNECTION_OK;
}

void PostgresConnection::drop()
{
    m_active = nullptr;
    m_sentAhead.clear();
    PQfinish(m_conn);
    m_conn = nullptr;
}

PGconn* PostgresConnection::ready()
{
    // A window shown during a lock wait must not start a statement on the same connection.
    if (m_receiving)
        throw CppSQLiteException(21, "another statement is still waiting for the server");
    if (m_active)
        m_active->putAside();
    // Nothing of the command has been sent yet, so it may go to a new connection; but not a
    // transaction's next statement, whose work so far went with the old one.
    if (m_conn && m_sentAhead.empty()) {
        const bool inTransaction = PQtransactionStatus(m_conn) != PQTRANS_IDLE;
        if (brokenWhileIdle()) {
            if (inTransaction)
                lost();
            drop();
        }
    }
    if (!m_conn)
        connect();
    return m_conn;
}

void PostgresConnection::runScript(const char* sql)
{
    // The simple protocol runs every statement of the text; the last error ends it.
    settle();
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
    settle();
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
    if (milliseconds == m_timeoutMs)
        return;
    m_timeoutMs = milliseconds;
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK)
        return;
    settle();
    runSetting("SET lock_timeout = " + std::to_string(lockTimeoutSetting()));
}

PostgresConnection::Queued::Queued(const char* text, const BoundValues* bound) : sql(text)
{
    if (!bound)
        return;
    for (const BoundValue& value : *bound)
        values.push_back(value.isNull() ? std::nullopt : std::optional<std::string>(value.text()));
}

bool PostgresConnection::Queued::matches(const char* text, const BoundValues* bound) const
{
    if (sql != text || values.size() != (bound ? bound->size() : 0))
        return false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const BoundValue& value = (*bound)[i];
        if (value.isNull() != !values[i] || (values[i] && *values[i] != value.text()))
            return false;
    }
    return true;
}

void PostgresConnection::runWithNext(const char* sql)
{
    m_withNext.emplace_back(sql, nullptr);
}

void PostgresConnection::sendAfterNext(const char* sql, const BoundValues* values)
{
    m_afterNext.emplace_back(sql, values);
}

std::unique_ptr<Statement> PostgresConnection::start(const char* sql, const BoundValues* values)
{
    // What was announced goes with this statement, whatever becomes of it.
    const std::vector<Queued> before = std::exchange(m_withNext, {});
    const std::vector<Queued> after = std::exchange(m_afterNext, {});
    ready();
    if (before.empty() && !m_sentAhead.empty() && m_sentAhead.front().matches(sql, values)) {
        m_sentAhead.pop_front();
        // The pipeline is still open: what follows this one goes out behind it at once.
        for (const Queued& statement : after) {
            if (!sendQueued(statement) || !PQpipelineSync(m_conn))
                lost();
            m_sentAhead.push_back(statement);
        }
        return takeAnswer();
    }
    dropSentAhead();
    std::vector<Queued> batch = before;
    batch.emplace_back(sql, values);
    batch.insert(batch.end(), after.begin(), after.end());
    sendTogether(batch);
    if (m_sentAhead.empty())
        return takeAnswer();
    // A BEGIN sent ahead of the statement fails only with the connection, and then nothing
    // behind it ran either.
    for (std::size_t i = 0; i < before.size(); ++i) {
        m_sentAhead.pop_front();
        takeAnswer();
    }
    m_sentAhead.pop_front();
    return takeAnswer();
}

bool PostgresConnection::sendQueued(const Queued& statement)
{
    // libpq sends each value as a C string; a server text cannot hold a NUL byte anyway.
    std::vector<const char*> pointers;
    for (const std::optional<std::string>& value : statement.values)
        pointers.push_back(value ? value->c_str() : nullptr);
    return PQsendQueryParams(m_conn, statement.sql.c_str(), static_cast<int>(pointers.size()), nullptr,
                             pointers.data(), nullptr, nullptr, 0)
           != 0;
}

void PostgresConnection::sendTogether(const std::vector<Queued>& batch)
{
    // The extended protocol runs exactly one statement per text; it runs only once it has
    // reached the server whole, so when not even the first could be sent, the batch is sent
    // again, once, on a new connection. In a batch each statement has its sync point.
    const bool together = batch.size() > 1;
    const auto sent = [&] {
        std::size_t count = 0;
        if (together && !PQenterPipelineMode(m_conn))
            return count;
        for (const Queued& statement : batch) {
            if (!sendQueued(statement) || (together && !PQpipelineSync(m_conn)))
                break;
            ++count;
        }
        return count;
    };
    const bool outsideTransaction = PQtransactionStatus(m_conn) == PQTRANS_IDLE;
    std::size_t count = sent();
    if (count == 0 && outsideTransaction) {
        drop();
        connect();
        count = sent();
    }
    if (count < batch.size())
        lost();
    if (together)
        m_sentAhead.assign(batch.begin(), batch.end());
}

std::unique_ptr<Statement> PostgresConnection::takeAnswer()
{
    m_answerEnded = false;
    PQsetSingleRowMode(m_conn);
    auto statement = std::make_unique<PostgresStatement>(shared_from_this());
    m_active = statement.get();
    statement->step();
    if (statement->isEmptyQuery())
        return nullptr;
    return statement;
}

void PostgresConnection::endAnswer()
{
    m_answerEnded = true;
    if (!m_conn || PQpipelineStatus(m_conn) == PQ_PIPELINE_OFF)
        return;
    // The server sends the sync point with the end of the answer; one that does not come
    // means the connection is gone.
    const long long deadline = nowMs() + kCancelTakenMs;
    while (PQisBusy(m_conn)) {
        pollfd socketWait{};
        socketWait.fd = PQsocket(m_conn);
        socketWait.events = POLLIN;
        const long long left = deadline - nowMs();
        const int ready = left > 0 ? poll(&socketWait, 1, static_cast<int>(left)) : 0;
        if ((ready < 0 && errno != EINTR) || ready == 0 || (ready > 0 && !PQconsumeInput(m_conn)))
            lost();
    }
    PGresult* sync = PQgetResult(m_conn);
    const bool atSync = sync && PQresultStatus(sync) == PGRES_PIPELINE_SYNC;
    PQclear(sync);
    if (!atSync || (m_sentAhead.empty() && !PQexitPipelineMode(m_conn)))
        lost();
}

void PostgresConnection::dropSentAhead()
{
    while (!m_sentAhead.empty()) {
        m_sentAhead.pop_front();
        m_answerEnded = false;
        // Nobody wants it: one still at work (waiting for a lock, say) is stopped, as a
        // statement released early is; what stands behind it is dropped too.
        if (!finishesWithin(kFinishMs))
            cancel();
        bool gaveUp = false;
        while (PGresult* result = receive(false, gaveUp))
            PQclear(result);
    }
}

void PostgresConnection::settle()
{
    ready();
    dropSentAhead();
    m_afterNext.clear();
    for (const Queued& statement : std::exchange(m_withNext, {}))
        start(statement.sql.c_str(), nullptr);
}

PGresult* PostgresConnection::receive(bool mayGiveUp, bool& gaveUp)
{
    if (!m_conn || m_answerEnded)
        return nullptr;
    m_receiving = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_receiving};
    const long long started = nowMs();
    bool waiting = false;
    std::unique_ptr<LockProbe> probe;
    int sliceMs = kWaitNoticeMs;
    while (PQisBusy(m_conn) || cancelOnItsWay()) {
        pollfd socketWait{};
        socketWait.fd = PQsocket(m_conn);
        socketWait.events = POLLIN;
        const int ready = poll(&socketWait, 1, sliceMs);
        if (ready < 0 && errno != EINTR)
            lost();
        if (ready > 0 && !PQconsumeInput(m_conn))
            lost();
        if (ready != 0)
            continue;
        const long long elapsed = nowMs() - started;
        if (elapsed < kWaitNoticeMs)
            continue;
        // Silence alone does not say why: past a moment the server is asked, beside, at the
        // address this connection reached (no name looked up with the window waiting).
        if (!probe && elapsed >= kAskWhyAfterMs) {
            probe = std::make_unique<LockProbe>(
                startConnecting(m_conninfo, m_applicationName, startupOptions(), m_conn), PQbackendPID(m_conn));
            ++m_connectionsMade;
        }
        const bool lock = probe && probe->waitsForLock(nowMs());
        sliceMs = m_host.waitSlice(lock ? CatalogueWait::lock : CatalogueWait::server, !waiting);
        waiting = true;
        if (sliceMs > 0)
            continue;
        sliceMs = kWaitNoticeMs;
        // At the time-out the server's lock_timeout ends the statement itself; before it,
        // the operator gave up (the time is read again: the window may have taken a while).
        // The window stays until the server answers the cancel.
        if (mayGiveUp && !gaveUp && nowMs() - started < m_timeoutMs) {
            gaveUp = true;
            cancel();
        }
    }
    PGresult* result = PQgetResult(m_conn);
    if (!result)
        endAnswer();
    return result;
}

bool PostgresConnection::finishesWithin(int milliseconds)
{
    if (m_answerEnded)
        return true;
    const long long deadline = nowMs() + milliseconds;
    while (m_conn && PQconsumeInput(m_conn)) {
        while (!PQisBusy(m_conn)) {
            PGresult* result = PQgetResult(m_conn);
            if (!result) {
                endAnswer();
                return true;
            }
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
    ++m_connectionsMade;
    m_cancelling = cancelBeside(m_conn);
    m_cancelSentMs = nowMs();
}

bool PostgresConnection::cancelOnItsWay()
{
    // A server that takes no new connections would hold the request for minutes: after a
    // while the command goes on without it.
    if (m_cancelling && (*m_cancelling || nowMs() - m_cancelSentMs > kCancelTakenMs))
        m_cancelling.reset();
    return m_cancelling != nullptr;
}

void PostgresConnection::lost()
{
    const std::string message = shownServerError(nullptr, m_conn ? PQerrorMessage(m_conn) : "no connection to the server");
    drop();
    throw CppSQLiteException(kCantOpen, message.c_str());
}

void PostgresConnection::traceMessages(std::FILE* file)
{
    m_trace = file;
    if (!m_conn)
        return;
    if (file) {
        PQtrace(m_conn, file);
        PQsetTraceFlags(m_conn, PQTRACE_SUPPRESS_TIMESTAMPS);
    } else {
        PQuntrace(m_conn);
    }
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
    m_sentAhead.clear();
    m_withNext.clear();
    m_afterNext.clear();
}


}  // namespace pg

std::shared_ptr<Connection> openPostgres(const char* conninfo, Access access, const char* applicationName,
                                         WaitHost& host, int busyTimeoutMs)
{
    // Said as what it is, before libpq's own words about a keyword could be taken for a server's.
    const std::string unreadable = connectionStringError(conninfo);
    if (!unreadable.empty())
        throw CppSQLiteException(pg::kCantOpen, unreadable.c_str());
    auto connection = std::make_shared<pg::PostgresConnection>(conninfo, access, applicationName, host, busyTimeoutMs);
    connection->connect();
    return connection;
}

}  // namespace kelvara::db
