#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace kelvara::dbtool {

struct BackupResult {
    int pages = 0;
    // What SQLite's integrity check found wrong with the copy; empty when it is sound.
    std::vector<std::string> damage;
    // Where the copy was kept: dest, or dest + kDamagedSuffix when damage was found.
    std::string savedAs;
};

inline const char* const kDamagedSuffix = ".damaged";

// Copies the database at source into a new file dest with SQLite's online backup. The
// whole copy is taken in one step under one read lock, so it is a consistent snapshot even
// while another process writes. While a writer holds the file the copy waits and retries,
// for up to patience. The copy is built under a temporary name and checked with
// PRAGMA integrity_check: a sound copy becomes dest, a damaged one dest.damaged. Neither
// name is ever overwritten; after a failure nothing is left.
BackupResult backupCatalogue(const std::string& source, const std::string& dest,
                             std::chrono::milliseconds patience = std::chrono::seconds(60));

}  // namespace kelvara::dbtool
