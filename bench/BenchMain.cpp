// kelvara-bench: the catalogue's own code paths, headless, on a generated catalogue, each
// beside the same statements run bare through SQLite. The window is driven through the test
// seam exactly as the operator drives it, and every timed region ends only when the view
// has caught up (rows published, laid out and painted).

#include "BenchComparisons.h"
#include "BenchMemory.h"
#include "BenchOptions.h"

#include "ResourceIds.h"
#include "TestSeam.h"

#include <exception>
#include <iostream>

using namespace kelvara::bench;

int main(int argc, char** argv)
{
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "kelvara-bench: " << e.what() << "\n\n" << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    platform::test::TestApplication app(argc, argv);
    res::RegisterResources();
    try {
#ifdef KELVARA_BENCH_HAS_RUSAGE
        if (options.hugeValueMb)
            return runHugeValue(options);
#endif
        return options.memoryRows ? runMemory(options) : runComparisons(options);
    } catch (const std::exception& e) {
        std::cerr << "kelvara-bench: " << e.what() << '\n';
        return 1;
    }
}
