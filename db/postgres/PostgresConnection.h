#pragma once

// The server engine's connection (db/ only): one libpq connection, re-opened when it broke
// before a statement was sent, with at most one statement reading from it at a time.
// Statements the caller announced go out together in one trip (libpq's pipeline mode, a
// sync point after each, so each runs and fails as if sent alone); their answers are taken
// in order.

#include "Engine.h"

#include <libpq-fe.h>

#include <atomic>
#include <deque>
#include <optional>
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
    void runWithNext(const char* sql) override;
    void sendAfterNext(const char* sql, const BoundValues* values) override;
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
    // Answers of statements sent ahead wait behind the active statement's: a cancel request
    // could reach one of those instead.
    bool answersWaitBehind() const { return !m_sentAhead.empty(); }
    void release(PostgresStatement* statement)
    {
        if (m_active == statement)
            m_active = nullptr;
    }
    // The connection broke: it is dropped, and the next statement connects again.
    [[noreturn]] void lost();

private:
    // A statement kept to be sent later, with copies of its values.
    struct Queued {
        Queued(const char* text, const BoundValues* bound);
        std::string sql;
        std::vector<std::optional<std::string>> values;
        bool matches(const char* text, const BoundValues* bound) const;
    };

    std::string startupOptions() const;
    // Sends batch in one trip, re-sent once on a new connection when the connection turned
    // out broken before any of it was taken and no transaction was open.
    void sendTogether(const std::vector<Queued>& batch);
    bool sendQueued(const Queued& statement);
    // The next answer on the connection is the active statement's: rows one at a time.
    std::unique_ptr<Statement> takeAnswer();
    // The active statement's answer has ended: in a pipeline its sync point follows.
    void endAnswer();
    // Reads and discards the answers sent ahead and never taken; runs now what was to go
    // with the next statement (before something sent outside a pipeline).
    void dropSentAhead();
    void settle();
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
    bool m_answerEnded = false;  // the active statement's answer has been read to its end
    std::vector<Queued> m_withNext;
    std::vector<Queued> m_afterNext;
    std::deque<Queued> m_sentAhead;  // sent, their answers behind the active statement's
    bool m_receiving = false;  // inside receive(), where the session's observer runs
    // A cancel request on its way: the server may signal the statement's backend once more
    // after it has answered, so nothing else is sent until the request has been taken.
    std::shared_ptr<std::atomic<bool>> m_cancelling;
    long long m_cancelSentMs = 0;
    std::FILE* m_trace = nullptr;
    long m_connectionsMade = 0;
};

}  // namespace kelvara::db::pg
