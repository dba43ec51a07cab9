#pragma once

// What an action costs on a catalogue server, read from libpq's own trace of the session's
// connection: round trips (each time the program sent and then waited for an answer) and
// connections made (a reconnect, a cancel request). Used by tests and the benchmark.

#include <cstdio>
#include <string>

class CppSQLiteSession;

namespace kelvara::db {

struct ServerTraffic {
    int roundTrips = 0;
    long connections = 0;
    int errors = 0;  // statements the server answered with an error
};

// Read from a trace written with timestamps suppressed: a run of lines the client sent ("F")
// followed by one it received ("B") is one round trip.
ServerTraffic trafficInTrace(const std::string& trace);

// Traces the session's connections into a temporary file from construction to destruction;
// the session need not be open yet.
class ServerTrafficMeter {
public:
    explicit ServerTrafficMeter(CppSQLiteSession& session);
    ~ServerTrafficMeter();
    ServerTrafficMeter(const ServerTrafficMeter&) = delete;
    ServerTrafficMeter& operator=(const ServerTrafficMeter&) = delete;

    // The traffic since construction or the previous take().
    ServerTraffic take();

private:
    CppSQLiteSession& m_session;
    std::FILE* m_file;
    long m_read = 0;
    long m_connections;
};

}  // namespace kelvara::db
