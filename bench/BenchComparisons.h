#pragma once

// The benchmark proper: every measured action of the catalogue beside the same statements
// run bare, on a generated catalogue and an empty one.

#include "BenchOptions.h"

namespace kelvara::bench {

// Returns the exit status: 0, or 3 when a target was missed (never with --short).
int runComparisons(const Options& options);

}  // namespace kelvara::bench
