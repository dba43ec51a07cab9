#include "BenchReport.h"

#include "BareSql.h"


#include <cstdlib>
#include <iostream>
#include <thread>

namespace kelvara::bench {

void printMachine()
{
    std::cout << "build: " << KELVARA_BENCH_BUILD_TYPE << ", Qt " << KELVARA_BENCH_QT_VERSION << ", SQLite "
              << bareSqliteVersion() << ", " << std::thread::hardware_concurrency() << " hardware threads";
#if defined(__linux__) || defined(__APPLE__)
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::cout << ", load average " << load[0] << ' ' << load[1] << ' ' << load[2];
#endif
    std::cout << '\n';
}

void report(Run& run, const Comparison& c)
{
    printComparison(std::cout, c);
    if (c.targeted && c.ratio() > 2.0)
        run.missed.push_back(c.name + ": " + std::to_string(c.ratio()) + "x the bare SQL");
}

void printQueryPlans(std::ostream& out, BareSql& bare, Run& run)
{
    out << "\nquery plans (EXPLAIN QUERY PLAN). A scan of every compressor (SCAN kompresory, Seq Scan on\n"
           "kompresory) is a missed target: an index missing or not chosen. The edit statement lists\n"
           "modele and marki without joining them; only its first row is read, so those scans stop at\n"
           "their first row.\n";
    for (const auto& [what, text] : run.statements) {
        out << "  " << what << ":";
        const char* separator = " ";
        bool readsEveryCompressor = false;
        for (const std::string& line : bare.queryPlan(text)) {
            out << separator << line;
            separator = "; ";
            readsEveryCompressor = readsEveryCompressor || line.find("SCAN kompresory") != std::string::npos
                                   || line.find("Seq Scan on kompresory") != std::string::npos;
        }
        out << '\n';
        if (readsEveryCompressor)
            run.missed.push_back(what + ": reads every compressor");
    }
}

int printVerdict(const Run& run, bool shortRun)
{
    if (shortRun) {
        std::cout << "\nshort run: every path ran; targets are not asserted on a small catalogue\n";
        return 0;
    }
    if (run.missed.empty()) {
        std::cout << "\nall targets met\n";
        return 0;
    }
    std::cout << "\ntargets missed:\n";
    for (const std::string& m : run.missed)
        std::cout << "  " << m << '\n';
    return 3;
}

}  // namespace kelvara::bench
