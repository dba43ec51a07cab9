#pragma once

#include <chrono>
#include <string>

namespace kelvara::dbtool {

// Copies the database at source into a new file dest with SQLite's online backup. The
// whole copy is taken in one step under one read lock, so it is a consistent snapshot even
// while another process writes. While a writer holds the file the copy waits and retries,
// for up to patience. dest must not exist; on failure it is removed again. Returns the
// number of pages copied.
int backupCatalogue(const std::string& source, const std::string& dest,
                    std::chrono::milliseconds patience = std::chrono::seconds(60));

}  // namespace kelvara::dbtool
