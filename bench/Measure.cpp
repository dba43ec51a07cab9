#include "Measure.h"

#include "ServerTraffic.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <stdexcept>

namespace kelvara::bench {

double median(std::vector<double> values)
{
    if (values.empty())
        throw std::invalid_argument("median of nothing");
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

namespace {

CppSQLiteSession* g_metered = nullptr;

}  // namespace

void meterServerTraffic(CppSQLiteSession* session)
{
    g_metered = session;
}

void meterRun(Comparison& c, const std::function<void()>& run)
{
    if (!g_metered)
        return;
    kelvara::db::ServerTrafficMeter meter(*g_metered);
    run();
    const kelvara::db::ServerTraffic traffic = meter.take();
    c.roundTrips = traffic.roundTrips;
    c.connections = traffic.connections;
}

Comparison compare(const std::string& name, int repetitions, const std::function<void()>& setup,
                   const std::function<void()>& program, const std::function<void()>& bare,
                   const std::function<void()>& leftoverTurn)
{
    std::vector<double> programTimes;
    std::vector<double> bareTimes;
    std::vector<double> leftoverTimes;
    for (int i = 0; i < repetitions; ++i) {
        if (setup)
            setup();
        programTimes.push_back(millisecondsOf(program));
        if (leftoverTurn)
            leftoverTimes.push_back(millisecondsOf(leftoverTurn));
        bareTimes.push_back(millisecondsOf(bare));
    }
    Comparison c;
    c.name = name;
    c.program = median(programTimes);
    c.bare = median(bareTimes);
    c.leftover = leftoverTimes.empty() ? 0 : median(leftoverTimes);
    if (g_metered && setup)
        setup();
    meterRun(c, program);
    return c;
}

void printComparisonHeader(std::ostream& out)
{
    char line[160];
    std::snprintf(line, sizeof line, "%-44s %7s %11s %11s %7s %9s  %-14s", "operation", "rows", "program ms",
                  "bare SQL ms", "ratio", "next turn", "target");
    out << line;
    if (g_metered)
        out << " trips  conns  at 20 ms";
    out << '\n';
}

void printComparison(std::ostream& out, const Comparison& c)
{
    const char* verdict = !c.targeted ? "-" : c.ratio() <= 2.0 ? "<= 2x: met" : "<= 2x: MISSED";
    char line[200];
    std::snprintf(line, sizeof line, "%-44s %7lld %11.3f %11.3f %7.2f %9.3f  %-14s", c.name.c_str(), c.rows,
                  c.program, c.bare, c.ratio(), c.leftover, verdict);
    out << line;
    if (c.roundTrips >= 0) {
        std::snprintf(line, sizeof line, " %5d %6ld %9.1f", c.roundTrips, c.connections,
                      c.program + c.roundTrips * kSlowLinkMs);
        out << line;
    }
    out << '\n';
}

}  // namespace kelvara::bench
