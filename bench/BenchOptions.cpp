#include "BenchOptions.h"

#include <cstdlib>

namespace kelvara::bench {

const char* const kUsage =
    "Usage: kelvara-bench [--short] [--repetitions N] [--server CONNINFO]\n"
    "       kelvara-bench --memory-rows N\n"
    "       kelvara-bench --huge-value MB\n"
    "\n"
    "Generates a catalogue (500 manufacturers, 5000 models, 100000 compressors) in a\n"
    "temporary directory and times the catalogue's own code paths on it, headless, each\n"
    "beside the same statements run bare through SQLite: start-up to a filled main window,\n"
    "the manufacturer list, picking a manufacturer, the search by car, the search by type,\n"
    "the dependency count of a model removal, opening a compressor for editing; type\n"
    "searches of 10%, 20% and 40% of the compressors; start-up against an empty catalogue.\n"
    "Figures are medians. Exit status 3 when a target is missed.\n"
    "\n"
    "  --help            show this help\n"
    "  --short           a small catalogue (50/500/10000), fewer repetitions; checks that\n"
    "                    every path runs, asserts no targets\n"
    "  --repetitions N   repetitions of every measurement (default 7; 5 and 3 with --short)\n"
    "  --server CONNINFO the same on a PostgreSQL server: CONNINFO names a server where the\n"
    "                    benchmark may create (and then drops) two databases; the bare\n"
    "                    statements run through libpq, streamed as the catalogue streams\n"
    "  --memory-rows N   only one type search that lists N rows, on a catalogue made for it;\n"
    "                    run under /usr/bin/time -v for the peak memory of such a result\n"
    "  --huge-value MB   only a car search whose rows hold one value of MB megabytes (written\n"
    "                    by another program), a repaint, and that compressor opened for\n"
    "                    editing; CPU time and peak memory of each\n";

namespace {

long long positiveNumber(const char* option, const char* text, long long limit)
{
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (!*text || *end || value < 1 || value > limit)
        throw UsageError(std::string(option) + " wants a number from 1 to " + std::to_string(limit));
    return value;
}

}  // namespace

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            options.help = true;
        } else if (arg == "--short") {
            options.shortRun = true;
        } else if (arg == "--server" && i + 1 < argc) {
            options.server = argv[++i];
        } else if (arg == "--huge-value" && i + 1 < argc) {
            options.hugeValueMb = positiveNumber("--huge-value", argv[++i], 500);
        } else if ((arg == "--memory-rows" || arg == "--repetitions") && i + 1 < argc) {
            if (arg == "--memory-rows")
                options.memoryRows = positiveNumber("--memory-rows", argv[++i], 10000000);
            else
                options.repetitions = static_cast<int>(positiveNumber("--repetitions", argv[++i], 1000));
        } else {
            throw UsageError("unknown or incomplete option: " + arg);
        }
    }
    if (options.memoryRows && (options.shortRun || options.repetitions || options.hugeValueMb))
        throw UsageError("--memory-rows runs one search and takes no other option");
    if (options.hugeValueMb && (options.shortRun || options.repetitions))
        throw UsageError("--huge-value runs its own steps and takes no other option");
    return options;
}

}  // namespace kelvara::bench
