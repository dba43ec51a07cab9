#pragma once

// The runs that look at one action's time and memory on a catalogue made for it, instead
// of comparing the catalogue's paths with bare SQL.

#include "BenchOptions.h"

#if __has_include(<sys/resource.h>)
#define KELVARA_BENCH_HAS_RUSAGE 1
#endif

namespace kelvara::bench {

// One type search listing options.memoryRows rows, on a catalogue made for it; nothing else.
int runMemory(const Options& options);

#ifdef KELVARA_BENCH_HAS_RUSAGE
// A car search whose rows hold one value of options.hugeValueMb megabytes, as a catalogue
// written by another program may, then a repaint, then that compressor opened for editing.
int runHugeValue(const Options& options);
#endif

}  // namespace kelvara::bench
