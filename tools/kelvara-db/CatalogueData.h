#pragma once

// Building blocks shared by the sample and the generated catalogues: plausible values for
// one compressor and a writer that inserts rows with bound parameters.

#include "Random.h"
#include "Sqlite.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvara::dbtool {

struct CompressorRow {
    std::string capacity;
    std::string yearFrom;
    std::string yearTo;
    std::string type;
    std::string commonPartNo;
    std::string partNo;
    std::string jobber;
    std::string coreDeposit;
    std::string netPrice;
};

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

// Inserts catalogue rows through prepared statements; ids come from the database.
class CatalogueWriter {
public:
    explicit CatalogueWriter(Connection& db);
    long long addManufacturer(std::string_view name);
    long long addModel(long long manufacturerId, std::string_view name);
    void addCompressor(long long modelId, const CompressorRow& row);

private:
    Connection& m_db;
    Statement m_manufacturer;
    Statement m_model;
    Statement m_compressor;
};

}  // namespace kelvara::dbtool
