#include "ServerTraffic.h"

#include "CppSQLiteException.h"
#include "CppSQLiteSession.h"

#include <string_view>

namespace kelvara::db {

ServerTraffic trafficInTrace(const std::string& trace)
{
    ServerTraffic traffic;
    bool sent = false;
    std::size_t start = 0;
    while (start < trace.size()) {
        std::size_t end = trace.find('\n', start);
        if (end == std::string::npos)
            end = trace.size();
        const std::string_view line(trace.data() + start, end - start);
        start = end + 1;
        if (line.rfind("F\t", 0) == 0) {
            sent = true;
        } else if (line.rfind("B\t", 0) == 0) {
            traffic.roundTrips += sent ? 1 : 0;
            sent = false;
            traffic.errors += line.find("\tErrorResponse\t") != std::string_view::npos ? 1 : 0;
        }
    }
    return traffic;
}

ServerTrafficMeter::ServerTrafficMeter(CppSQLiteSession& session)
    : m_session(session), m_file(std::tmpfile()), m_connections(session.serverConnectionsMade())
{
    if (!m_file)
        throw CppSQLiteException(CppSQLiteException::kLayerError, "no temporary file for the server's trace");
    m_session.traceServerMessages(m_file);
}

ServerTrafficMeter::~ServerTrafficMeter()
{
    m_session.traceServerMessages(nullptr);
    std::fclose(m_file);
}

ServerTraffic ServerTrafficMeter::take()
{
    std::fflush(m_file);
    std::string text;
    if (std::fseek(m_file, m_read, SEEK_SET) == 0) {
        char chunk[4096];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, m_file)) > 0)
            text.append(chunk, got);
    }
    m_read += static_cast<long>(text.size());
    std::fseek(m_file, 0, SEEK_END);
    const long connections = m_session.serverConnectionsMade();
    ServerTraffic traffic = trafficInTrace(text);
    traffic.connections = connections - m_connections;
    m_connections = connections;
    return traffic;
}

}  // namespace kelvara::db
