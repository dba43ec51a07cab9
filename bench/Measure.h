#pragma once

// Timing: wall-clock milliseconds of one call, medians of repetitions, and the report.

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class CppSQLiteSession;

namespace kelvara::bench {

template <class F>
double millisecondsOf(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values);

// One operation of the program beside the same statements run bare.
struct Comparison {
    std::string name;
    long long rows = 0;          // rows the operation lists (0: none)
    double program = 0;          // median ms
    double bare = 0;             // median ms
    double leftover = 0;         // median ms of one more event-loop turn after the timed region
    bool targeted = false;       // held to program <= 2 x bare
    int roundTrips = -1;         // on a server: one more run of the program, traced
    long connections = -1;
    double ratio() const { return bare > 0 ? program / bare : 0; }
};

// Runs setup (untimed), then program and bare (each timed), repetitions times, alternating
// so that a noisy moment hurts both alike. leftoverTurn, when given, runs right after each
// program call and is timed on its own: work the program left for later shows there.
Comparison compare(const std::string& name, int repetitions, const std::function<void()>& setup,
                   const std::function<void()>& program, const std::function<void()>& bare,
                   const std::function<void()>& leftoverTurn = {});

// On a server, compare() runs the program once more, untimed, with libpq's trace of session
// on, for its round trips and the connections it made; printed with the time it would take
// across a link of kSlowLinkMs round trip. Null (a file): nothing to count.
inline constexpr double kSlowLinkMs = 20;
void meterServerTraffic(CppSQLiteSession* session);
// On a server, runs run once, traced, and notes its round trips and connections in c.
void meterRun(Comparison& c, const std::function<void()>& run);

void printComparisonHeader(std::ostream& out);
void printComparison(std::ostream& out, const Comparison& c);

}  // namespace kelvara::bench
