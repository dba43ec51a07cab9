#pragma once

// Reaching the catalogue server without blocking the window's thread: a connection started
// and then driven a step at a time, a cancel request sent beside the caller, and a second
// connection that asks the server whether a slow statement waits for a lock.

#include <libpq-fe.h>

#include <atomic>
#include <memory>
#include <string>

namespace kelvara::db::pg {

// How long a connection may take to come up when the connection string (or PGCONNECT_TIMEOUT)
// does not say.
inline constexpr int kConnectTimeoutSeconds = 15;

// Starts a connection with the catalogue's start-up settings; never null (out of memory
// throws). The connection string wins over the defaults for time-outs and keepalives.
// Given sameServerAs, it goes to the address that connection reached, with no name to look up.
PGconn* startConnecting(const std::string& conninfo, const std::string& applicationName, const std::string& options,
                        const PGconn* sameServerAs = nullptr);
// The connect_timeout in milliseconds a connection by conninfo gets; 0 means none.
int connectTimeoutMs(const std::string& conninfo);

// A connection made on a thread of its own, from the start to its end (ready or failed).
// libpq looks host names up with its thread waiting, and a name server that does not answer
// (a dead VPN) would hold the caller for the resolver's whole time-out, window and Cancel
// included. The thread keeps its own copies; one given up is closed by the thread.
class ConnectingBeside {
public:
    ConnectingBeside(const std::string& conninfo, const std::string& applicationName, const std::string& options);
    ~ConnectingBeside();
    ConnectingBeside(const ConnectingBeside&) = delete;
    ConnectingBeside& operator=(const ConnectingBeside&) = delete;

    // Whether the attempt ended within sliceMs; then conn is the caller's (out of memory throws).
    bool ended(int sliceMs, PGconn*& conn);

    struct Attempt;

private:
    std::shared_ptr<Attempt> m_attempt;
};
// Whether the socket is ready for what PQconnectPoll last asked for, within sliceMs.
bool connectionSocketReady(PGconn* conn, PostgresPollingStatusType polling, int sliceMs);

// Asks the server to cancel what conn is running. The request needs a connection of its
// own, which a dead network can hold up: it is sent on a thread of its own. The flag
// returned turns true once the server has taken the request (null: none was sent).
std::shared_ptr<std::atomic<bool>> cancelBeside(PGconn* conn);

// A connection of its own that asks, about once a second, whether the backend of the
// connection it was made for waits for a lock (another counter or program holds the
// catalogue). It never blocks; it closes with the object.
class LockProbe {
public:
    LockProbe(PGconn* probe, int backendPid) : m_conn(probe), m_pid(std::to_string(backendPid)) {}
    ~LockProbe() { PQfinish(m_conn); }
    LockProbe(const LockProbe&) = delete;
    LockProbe& operator=(const LockProbe&) = delete;

    // Takes the next step that needs no waiting; whether the server last said "a lock".
    bool waitsForLock(long long nowMs);

private:
    void readAnswer();
    void close();

    PGconn* m_conn;
    std::string m_pid;
    PostgresPollingStatusType m_polling = PGRES_POLLING_WRITING;
    bool m_connected = false;
    bool m_asking = false;
    long long m_nextAskMs = 0;
    bool m_lock = false;
};

}  // namespace kelvara::db::pg
