#pragma once

// A small, realistic catalogue: real manufacturers and models with the compressor
// families, engines and part-number styles typical of each.

#include "CatalogueRows.h"

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

// The sample's rows, always the same; the new catalogue keeps the schema's column settings.
CatalogueRows sampleCatalogue();

}  // namespace kelvara::dbtool
