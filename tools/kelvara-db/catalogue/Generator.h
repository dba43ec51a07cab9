#pragma once

// Large, realistic, deterministic catalogues for benchmarks.
//
// The shape is fixed so that a benchmark knows what to search for:
//  - manufacturer 1 is "Volkswagen" and its first model "Golf" holds 2 % of all
//    compressors (2 000 of the default 100 000; an average model holds about 20);
//  - three compressor types cover exact shares of all compressors: "10S17C" 10 %,
//    "7SBU16C" 20 %, "SD7V16" 40 % (10 000, 20 000 and 40 000 by default), for a search
//    by type and for scaling runs;
//  - the remaining 30 % spread over about seventy other real compressor families, the
//    commonest of which stays well below 10 %.
// The seed changes names, years, part numbers, prices and which compressor gets which
// type, never the shares above or the names of the benchmark targets.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace kelvara::dbtool {

struct GenerateOptions {
    long long manufacturers = 500;
    long long models = 5000;
    long long compressors = 100000;
    std::uint64_t seed = 1;
};

struct TypeCount {
    std::string type;
    long long compressors = 0;
};

struct GenerationPlan {
    GenerateOptions options;
    // The one deliberately large model, for the search by manufacturer and model.
    std::string carManufacturer;
    std::string carModel;
    long long carCompressors = 0;
    // The type for the search by type (the 20 % one).
    TypeCount searchType;
    // 10 %, 20 % and 40 % of all compressors, in that order.
    std::vector<TypeCount> scalingTypes;
};

// What generateCatalogue() would create, without creating anything.
GenerationPlan describeGeneration(const GenerateOptions& options);

// Creates path (refusing an existing file), fills it in one transaction and reads it back to
// verify it, row by row, without holding the catalogue in memory.
GenerationPlan generateCatalogue(const std::string& path, const GenerateOptions& options);

void printGenerationPlan(std::ostream& out, const GenerationPlan& plan);

}  // namespace kelvara::dbtool
