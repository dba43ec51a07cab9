#pragma once

// The command line of kelvara-bench.

#include <stdexcept>
#include <string>

namespace kelvara::bench {

extern const char* const kUsage;

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    bool help = false;
    bool shortRun = false;
    long long memoryRows = 0;
    long long hugeValueMb = 0;
    int repetitions = 0;  // 0: the mode's default
    std::string server;   // empty: catalogue files
};

// Throws UsageError for anything it does not understand.
Options parseOptions(int argc, char** argv);

}  // namespace kelvara::bench
