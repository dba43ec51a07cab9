#pragma once

#include <chrono>
#include <string>

namespace kelvara::db {

// Copies every page of the catalogue file source into the empty file dest with SQLite's online
// backup: one step under one read lock, so the copy is consistent while others write. While a
// writer holds source it waits and retries, up to patience. Returns the number of pages. Pages
// are copied as they are, damage included. Throws CppSQLiteException, code 5 when source
// stayed locked.
int backupCatalogueFile(const std::string& source, const std::string& dest, std::chrono::milliseconds patience);

}  // namespace kelvara::db
