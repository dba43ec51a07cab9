#pragma once

// The catalogue as CSV: one row per compressor with its manufacturer and model names.

#include "CppSQLiteSession.h"

#include <array>
#include <cstddef>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvara::dbtool {

constexpr std::size_t kCsvColumnCount = 11;

// The header row's names, in column order.
const std::array<const char*, kCsvColumnCount>& csvHeader();

struct ExportSummary {
    std::size_t compressors = 0;
    // Compressors left out because their model or its manufacturer does not exist.
    std::size_t orphans = 0;
};

// Writes the header and every compressor ordered by manufacturer id, model id and
// compressor id. NULL is an empty field; an empty text is "".
ExportSummary exportCatalogue(CppSQLiteSession& db, const std::string& path, std::ostream& out);

// A row of the file that cannot be imported.
class ImportError : public std::runtime_error {
public:
    ImportError(std::size_t line, const std::string& reason);
    std::size_t line() const { return m_line; }
    const std::string& reason() const { return m_reason; }

private:
    std::size_t m_line;
    std::string m_reason;
};

struct ImportSummary {
    std::size_t manufacturersCreated = 0;
    std::size_t modelsCreated = 0;
    std::size_t compressors = 0;
};

// Reads every row of csv first and refuses the whole file (ImportError, nothing written)
// at the first row that is wrong; then reads it again from its start (csv must be able to seek
// back) and, in one transaction, finds each manufacturer by its
// exact name (the one with the lowest id) and each model by exact name within that
// manufacturer, creating those that are missing, and adds the compressors. Values are
// bound as text, byte for byte; an empty unquoted field stores NULL. With dryRun the
// database is opened read-only and only the counts are worked out.
ImportSummary importCatalogue(std::istream& csv, const std::string& dbPath, bool dryRun);

}  // namespace kelvara::dbtool
