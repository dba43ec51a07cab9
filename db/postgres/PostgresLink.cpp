#include "PostgresLink.h"

#include "CppSQLiteException.h"

#ifdef _WIN32
#include <winsock2.h>
#define poll WSAPoll
#else
#include <poll.h>
#endif

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace kelvara::db::pg {

PGconn* startConnecting(const std::string& conninfo, const std::string& applicationName, const std::string& options,
                        const PGconn* sameServerAs)
{
    // Keywords before dbname are defaults the connection string may change; those after it
    // are the catalogue's own. Keepalives notice a dead peer within about a minute, also
    // with a statement on its way (tcp_user_timeout), instead of the kernel's two hours.
    const std::string timeout = std::to_string(kConnectTimeoutSeconds);
    std::vector<const char*> keywords = {"keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
                                         "tcp_user_timeout"};
    std::vector<const char*> values = {"1", "30", "10", "3", "60000"};
    if (!std::getenv("PGCONNECT_TIMEOUT")) {
        keywords.push_back("connect_timeout");
        values.push_back(timeout.c_str());
    }
    for (const auto& [keyword, value] : {std::pair{"dbname", conninfo.c_str()},
                                         std::pair{"fallback_application_name", applicationName.c_str()},
                                         std::pair{"client_encoding", "UTF8"}, std::pair{"options", options.c_str()}}) {
        keywords.push_back(keyword);
        values.push_back(value);
    }
    // The name stays for TLS verification and the password file; an empty address (a Unix
    // socket) is no keyword at all.
    if (sameServerAs) {
        for (const auto& [keyword, value] : {std::pair{"host", PQhost(sameServerAs)},
                                             std::pair{"hostaddr", PQhostaddr(sameServerAs)},
                                             std::pair{"port", PQport(sameServerAs)}}) {
            keywords.push_back(keyword);
            values.push_back(value);
        }
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectStartParams(keywords.data(), values.data(), 1);
    if (!conn)
        throw std::bad_alloc();
    return conn;
}

int connectTimeoutMs(const std::string& conninfo)
{
    // As startConnecting has it: the connection string's, else PGCONNECT_TIMEOUT, else ours.
    const char* fromEnvironment = std::getenv("PGCONNECT_TIMEOUT");
    int seconds = fromEnvironment ? std::atoi(fromEnvironment) : kConnectTimeoutSeconds;
    if (PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), nullptr)) {
        for (const PQconninfoOption* option = options; option->keyword; ++option) {
            if (std::strcmp(option->keyword, "connect_timeout") == 0 && option->val)
                seconds = std::atoi(option->val);
        }
        PQconninfoFree(options);
    }
    // libpq takes 1 as 2 seconds; below that there is no limit.
    return seconds <= 0 ? 0 : (seconds < 2 ? 2 : seconds) * 1000;
}

bool connectionSocketReady(PGconn* conn, PostgresPollingStatusType polling, int sliceMs)
{
    pollfd socketWait{};
    socketWait.fd = PQsocket(conn);
    socketWait.events = polling == PGRES_POLLING_READING ? POLLIN : POLLOUT;
    // An error on the socket is for PQconnectPoll to report.
    return socketWait.fd < 0 || poll(&socketWait, 1, sliceMs) != 0;
}

std::shared_ptr<std::atomic<bool>> cancelBeside(PGconn* conn)
{
    PGcancel* request = PQgetCancel(conn);
    if (!request)
        return nullptr;
    auto taken = std::make_shared<std::atomic<bool>>(false);
    std::thread([request, taken] {
        char error[256];
        PQcancel(request, error, sizeof error);
        PQfreeCancel(request);
        *taken = true;
    }).detach();
    return taken;
}

struct ConnectingBeside::Attempt {
    std::mutex mutex;
    std::condition_variable ended;
    std::atomic<bool> givenUp{false};
    bool done = false;
    PGconn* conn = nullptr;  // null when done: out of memory
};

ConnectingBeside::ConnectingBeside(const std::string& conninfo, const std::string& applicationName,
                                   const std::string& options)
    : m_attempt(std::make_shared<Attempt>())
{
    std::thread([attempt = m_attempt, conninfo, applicationName, options] {
        PGconn* conn = nullptr;
        try {
            conn = startConnecting(conninfo, applicationName, options);
        } catch (const std::bad_alloc&) {
        }
        // Short slices: an attempt given up closes soon, unless a name lookup holds it.
        PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
        while (conn && polling != PGRES_POLLING_OK && polling != PGRES_POLLING_FAILED
               && PQstatus(conn) != CONNECTION_BAD && !attempt->givenUp) {
            if (connectionSocketReady(conn, polling, 50))
                polling = PQconnectPoll(conn);
        }
        std::lock_guard<std::mutex> lock(attempt->mutex);
        if (attempt->givenUp) {
            PQfinish(conn);
            return;
        }
        attempt->conn = conn;
        attempt->done = true;
        attempt->ended.notify_one();
    }).detach();
}

ConnectingBeside::~ConnectingBeside()
{
    std::lock_guard<std::mutex> lock(m_attempt->mutex);
    m_attempt->givenUp = true;
}

bool ConnectingBeside::ended(int sliceMs, PGconn*& conn)
{
    std::unique_lock<std::mutex> lock(m_attempt->mutex);
    if (!m_attempt->ended.wait_for(lock, std::chrono::milliseconds(sliceMs), [this] { return m_attempt->done; }))
        return false;
    conn = std::exchange(m_attempt->conn, nullptr);
    if (!conn)
        throw std::bad_alloc();
    return true;
}

bool LockProbe::waitsForLock(long long nowMs)
{
    if (!m_conn)
        return m_lock;
    if (!m_connected) {
        if (!connectionSocketReady(m_conn, m_polling, 0))
            return m_lock;
        m_polling = PQconnectPoll(m_conn);
        if (m_polling == PGRES_POLLING_FAILED)
            close();
        m_connected = m_polling == PGRES_POLLING_OK;
        return m_lock;
    }
    if (m_asking) {
        readAnswer();
    } else if (nowMs >= m_nextAskMs) {
        const char* values[] = {m_pid.c_str()};
        m_asking = PQsendQueryParams(m_conn,
                                     "select wait_event_type = 'Lock' from pg_catalog.pg_stat_activity where pid = $1",
                                     1, nullptr, values, nullptr, nullptr, 0) != 0;
        m_nextAskMs = nowMs + 1000;
        if (!m_asking)
            close();
    }
    return m_lock;
}

void LockProbe::readAnswer()
{
    pollfd socketWait{};
    socketWait.fd = PQsocket(m_conn);
    socketWait.events = POLLIN;
    if (poll(&socketWait, 1, 0) == 0)
        return;
    if (!PQconsumeInput(m_conn)) {
        close();
        return;
    }
    while (!PQisBusy(m_conn)) {
        PGresult* result = PQgetResult(m_conn);
        if (!result) {
            m_asking = false;
            return;
        }
        if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1)
            m_lock = std::strcmp(PQgetvalue(result, 0, 0), "t") == 0;
        PQclear(result);
    }
}

void LockProbe::close()
{
    PQfinish(m_conn);
    m_conn = nullptr;
}

}  // namespace kelvara::db::pg
