#pragma once

// A small, realistic catalogue: real manufacturers and models with the compressor
// families, engines and part-number styles typical of each.

#include "Sqlite.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kelvara::dbtool {

struct MakeModel {
    const char* name;
    int firstYear;
    int lastYear;
};

struct MakeProfile {
    const char* name;
    std::vector<MakeModel> models;
    std::vector<std::string> capacities;
    std::vector<std::string> types;
    std::vector<std::string> partPatterns;  // see fillPattern()
};

// The fifteen manufacturers of the sample, four models each.
const std::vector<MakeProfile>& sampleMakes();

constexpr std::size_t kSampleCompressorsPerModel = 5;

struct SampleCounts {
    std::size_t manufacturers = 0;
    std::size_t models = 0;
    std::size_t compressors = 0;
};

// Adds the sample to a catalogue (normally a new, empty one) in one transaction. The
// content is always the same.
SampleCounts fillSampleCatalogue(Connection& db);

}  // namespace kelvara::dbtool
