#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CppSQLiteSession;

namespace kelvara::dbtool {

struct CheckReport {
    // One line per fault found; empty when the catalogue is sound.
    std::vector<std::string> problems;
    // What the catalogue lacks without being unsound (see ShapeReport::notes).
    std::vector<std::string> notes;
    // Row counts, known when the three catalogue tables could be read.
    bool counted = false;
    long long manufacturers = 0;
    long long models = 0;
    long long compressors = 0;
};

// Looks for everything that keeps the catalogue program from working on a catalogue: damage
// (integrity check), a shape other than the catalogue's (catalogueShape), a kolumny table
// without exactly one row,
// models whose manufacturer is missing, compressors whose model is missing, and prices
// that are neither NULL nor a plain number. Opens the file read-only. A file that cannot
// be read at all is reported as a problem; only a missing file throws ToolError. path may
// be a server's connection string: its schema is checked there, its rows in a snapshot.
CheckReport checkCatalogue(const std::string& path);

// Models without their manufacturer and compressors without their model in an open
// catalogue (file or server), one line each as check lists them; empty when there are none.
std::vector<std::string> orphansIn(CppSQLiteSession& db);

// At most this many lines are listed per kind of fault; the rest are counted.
constexpr std::size_t kProblemsListedPerKind = 50;

}  // namespace kelvara::dbtool
