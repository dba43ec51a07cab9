#include "CppSQLiteSession.h"

#include "CppSQLiteException.h"

#include <algorithm>
#include <chrono>

namespace {

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The session whose statement is waiting for a lock on this thread, if any.
thread_local CppSQLiteSession* t_waitingSession = nullptr;

// Ends the observer's wait when the statement that waited returns, however it returns. Another
// session's statement, run meanwhile on the same thread, leaves that wait alone.
struct WaitEnd {
    const CppSQLiteSession* session;
    ~WaitEnd()
    {
        if (t_waitingSession == session)
            CppSQLiteSession::endLockWait();
    }
};

}  // namespace

CppSQLiteSession::CppSQLiteSession() : m_nBusyTimeoutMs(kDefaultBusyTimeoutMs) {}

CppSQLiteSession::~CppSQLiteSession()
{
    close();
}

void CppSQLiteSession::open(const char* name, kelvara::db::Access access, const char* applicationName)
{
    close();
    const WaitEnd waitEnd{this};
    if (kelvara::db::isConnectionString(name)) {
        m_connection = kelvara::db::openPostgres(name, access, applicationName, *this, m_nBusyTimeoutMs);
    } else {
        m_connection = kelvara::db::openSqlite(name, access, *this, m_nBusyTimeoutMs);
    }
    m_dialect = m_connection->dialect();
    m_connection->traceMessages(m_serverTrace);
}

void CppSQLiteSession::applyBusyTimeout(int milliseconds)
{
    m_nBusyTimeoutMs = milliseconds;
    if (m_connection)
        m_connection->setBusyTimeout(milliseconds);
}

int CppSQLiteSession::waitSlice(CatalogueWait what, bool restart)
{
    const long long now = nowMs();
    m_waitFor = what;
    if (restart || !m_bWaiting) {
        if (!m_bWaiting) {
            m_bWaiting = true;
            t_waitingSession = this;
        }
        m_waitStartMs = now;
    }
    const long long elapsed = now - m_waitStartMs;
    // The window stays lively also past the time-out, while the server ends the statement.
    const bool goesOn = !m_pLockWait || m_pLockWait->lockWaitContinues(static_cast<int>(elapsed));
    if (elapsed >= m_nBusyTimeoutMs || !goesOn)
        return 0;
    // Short slices keep a waiting window lively.
    return static_cast<int>(std::max<long long>(1, std::min<long long>(m_nBusyTimeoutMs - elapsed, 10)));
}

void CppSQLiteSession::endLockWait()
{
    CppSQLiteSession* session = t_waitingSession;
    if (!session)
        return;
    t_waitingSession = nullptr;
    session->m_bWaiting = false;
    if (session->m_pLockWait)
        session->m_pLockWait->lockWaitEnded();
}

void CppSQLiteSession::requireOpen() const
{
    if (!m_connection)
        throw CppSQLiteException(CppSQLiteException::kLayerError, "Database not open");
}

CppSQLiteCursor CppSQLiteSession::execute(const char* sql)
{
    return start(sql, nullptr);
}

CppSQLiteCursor CppSQLiteSession::execute(const std::string& sql, const kelvara::db::BoundValues& values)
{
    return start(sql.c_str(), &values);
}

CppSQLiteCursor CppSQLiteSession::start(const char* sql, const kelvara::db::BoundValues* values)
{
    requireOpen();
    if (!sql)
        sql = "";
    if (m_trace)
        m_trace(sql);

    const WaitEnd waitEnd{this};  // compiling may wait too (reading the schema)
    std::unique_ptr<kelvara::db::Statement> statement = m_connection->start(sql, values);
    if (!statement)
        return CppSQLiteCursor::withoutStatement();
    return CppSQLiteCursor(std::move(statement));
}

void CppSQLiteSession::runWithNext(const char* sql)
{
    requireOpen();
    if (m_trace)
        m_trace(sql);
    const WaitEnd waitEnd{this};
    m_connection->runWithNext(sql);
}

void CppSQLiteSession::sendAfterNext(const std::string& sql, const kelvara::db::BoundValues& values)
{
    requireOpen();
    m_connection->sendAfterNext(sql.c_str(), &values);
}

void CppSQLiteSession::executeScript(const std::string& sql)
{
    requireOpen();
    if (m_trace)
        m_trace(sql.c_str());
    const WaitEnd waitEnd{this};
    m_connection->runScript(sql.c_str());
}

void CppSQLiteSession::loadRows(const std::string& table, const std::vector<std::string>& columns,
                                const std::function<bool(kelvara::db::BoundValues&)>& next)
{
    requireOpen();
    const WaitEnd waitEnd{this};
    m_connection->loadRows(table, columns, next);
}

void CppSQLiteSession::traceServerMessages(std::FILE* file)
{
    m_serverTrace = file;
    if (m_connection)
        m_connection->traceMessages(file);
}

void CppSQLiteSession::close()
{
    if (t_waitingSession == this)
        endLockWait();
    if (m_connection) {
        m_closedConnections += m_connection->connectionsMade();
        m_connection->close();
        m_connection.reset();
    }
    m_dialect = kelvara::sql::Dialect::sqlite;
}
