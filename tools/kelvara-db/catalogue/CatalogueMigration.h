#pragma once

// Bringing a catalogue written by the SQLite 2 program into a new SQLite 3 catalogue.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kelvara::dbtool {

struct MigrationOptions {
    // Convert text from Windows code page 1250 to UTF-8; otherwise bytes are copied as they are.
    bool fromCp1250 = false;
    // Read the old file even though a hot journal lies beside it.
    bool force = false;
};

struct MigratedTable {
    std::string name;
    std::size_t rows = 0;
};

struct MigrationSummary {
    std::vector<MigratedTable> tables;  // Marki, Modele, kompresory, kolumny
    bool converted = false;
    std::size_t valuesChanged = 0;  // values the conversion changed
};

// One line of advice for the user; the migration goes on.
using MigrationWarning = std::function<void(const std::string&)>;

// Reads Marki, Modele, kompresory and kolumny from the SQLite 2 file oldPath and writes them
// into newPath, a new catalogue created from the schema, in one transaction: ids (and
// kolumny's rowids) kept, every other value bound as text or NULL. Then newPath is read back
// and compared with what was read, row for row and byte for byte. newPath is never
// overwritten and is removed again on any failure, which is a ToolError.
MigrationSummary migrateCatalogue(const std::string& oldPath, const std::string& newPath,
                                  const MigrationOptions& options,
                                  const MigrationWarning& warn);

}  // namespace kelvara::dbtool
