#pragma once

// The server engine's connection (db/ only): one libpq connection, re-opened when it broke
// before a statement was sent, with at most one statement reading from it at a time.

#include "Engine.h"

#include <libpq-fe.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvara::db::pg {

inline constexpr int kCantOpen = 14;
inline constexpr int kBusy = 5;
// A statement that has not answered within this time is a wait the session hears of; after
// the second, the server is asked whether it waits for a lock.
inline constexpr int kWaitNoticeMs = 20;
inline constexpr int kAskWhyAfterMs = 250;
// How long a statement released early may take to end by itself before it is cancelled.
inline constexpr int kFinishMs = 2;
// How long the next statement waits for a cancel request to be taken.
inline constexpr int kCancelTakenMs = 5000;

long long nowMs();
// libpq's text without its trailing line end, without the tab it indents a hint with (a
// message box would show it as a wide gap), and without lines quoting the statement.
std::string trimmed(const char* text);

class PostgresStatement;

class PostgresConnection : public Connection, public std::enable_shared_from_this<PostgresConnection> {
public:
    PostgresConnection(std::string conninfo, Access access, std::string applicationName, WaitHost& host,
                       int busyTimeoutMs)
        : m_conninfo(std::move(conninfo)),
          m_applicationName(std::move(applicationName)),
          m_access(access),
          m_host(host),
          m_timeoutMs(busyTimeoutMs)
    {
    }
    ~PostgresConnection() override { close(); }

    void connect();
    sql::Dialect dialect() const override { return sql::Dialect::postgres; }
    std::unique_ptr<Statement> start(const char* sql, const BoundValues* values) override;
    void runScript(const char* sql) override;
    void loadRows(const std::string& table, const std::vector<std::string>& columns,
                  const std::function<bool(BoundValues&)>& next) override;
    void setBusyTimeout(int milliseconds) override;
    void close() override;
    void traceMessages(std::FILE* file) override;
    long connectionsMade() const override { return m_connectionsMade; }

    // The next result of the statement in progress, waiting for the server as long as it
    // works; while it waits for a lock the session hears of it and may give up, which
    // cancels the statement. Null when the statement has no more results.
    PGresult* receive(bool mayGiveUp, bool& gaveUp);
    // Whether every result of the statement in progress arrives within a moment (a count's
    // end follows its row at once); what arrives meanwhile is discarded.
    bool finishesWithin(int milliseconds);
    void cancel();
    void release(PostgresStatement* statement)
    {
        if (m_active == statement)
            m_active = nullptr;
    }
    // The connection broke: it is dropped, and the next statement connects again.
    [[noreturn]] void lost();

private:
    std::string startupOptions() const;
    // 0 would mean no limit on the server.
    int lockTimeoutSetting() const { return m_timeoutMs > 0 ? m_timeoutMs : 1; }
    void runSetting(const std::string& sql);
    // The connection, ready for a statement: connected again if it broke, with the rows of
    // a statement still being read taken off it.
    PGconn* ready();
    bool brokenWhileIdle();
    void drop();
    bool cancelOnItsWay();
    [[noreturn]] void failWith(PGresult* result);
    void sendCopyData(const std::string& data);

    std::string m_conninfo;
    std::string m_applicationName;
    Access m_access;
    WaitHost& m_host;
    int m_timeoutMs;
    PGconn* m_conn = nullptr;
    PostgresStatement* m_active = nullptr;
    bool m_receiving = false;  // inside receive(), where the session's observer runs
    // A cancel request on its way: the server may signal the statement's backend once more
    // after it has answered, so nothing else is sent until the request has been taken.
    std::shared_ptr<std::atomic<bool>> m_cancelling;
    long long m_cancelSentMs = 0;
    std::FILE* m_trace = nullptr;
    long m_connectionsMade = 0;
};

}  // namespace kelvara::db::pg
