#pragma once

// Building blocks shared by the sample and the generated catalogues: plausible values for
// one compressor, and the rows they become.

#include "CatalogueRows.h"
#include "CatalogueTables.h"
#include "Random.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvara::dbtool {

using CompressorRow = db::CompressorFields<std::string>;

// "12345" cents → "123.45".
std::string formatCents(long long cents);

// Fills a part-number pattern: '#' becomes a digit, '@' a capital letter (no I or O, which
// read as digits), anything else stays.
std::string fillPattern(std::string_view pattern, Random& random);

// The Kelvara part number of the n-th compressor, "KV-10001" onwards.
std::string kelvaraPartNumber(long long serial);

// Jobber price, core deposit and the net price derived from the jobber price.
void fillPrices(CompressorRow& row, Random& random);

// Model years inside [first, last]: a start year and an end year a few years later.
void fillYears(CompressorRow& row, int first, int last, Random& random);

// The rows of a new catalogue, ids counted from 1.
CatalogueRow manufacturerRow(long long id, std::string_view name);
CatalogueRow modelRow(long long id, long long manufacturerId, std::string_view name);
CatalogueRow compressorRow(long long id, long long modelId, const CompressorRow& values);

}  // namespace kelvara::dbtool
