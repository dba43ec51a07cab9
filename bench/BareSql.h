#pragma once

// The yardstick: statements run straight through the SQLite API on a connection of our
// own, with nothing of the catalogue in between — prepare, step, copy every column's text
// into a std::string, finalize.

#include <cstddef>
#include <string>
#include <vector>

struct sqlite3;
struct pg_conn;

namespace kelvara::bench {

// The SQLite library the yardstick (and the program) run on.
const char* bareSqliteVersion();

// One statement as a handler runs it: every row, or only the first (a handler that reads a
// single row never steps further, and neither may the yardstick).
struct BareStatement {
    std::string sql;
    bool firstRowOnly = false;
    std::string bound = {};  // the text bound to $1, where sql has it
};

class BareSql {
public:
    // Opens the file read-write, as the catalogue does, with double-quoted literals on; or,
    // for a connection string, the server catalogue, streaming rows as the catalogue does.
    explicit BareSql(const std::string& path);
    ~BareSql();
    BareSql(const BareSql&) = delete;
    BareSql& operator=(const BareSql&) = delete;

    // Runs one statement; returns the rows read. Throws std::runtime_error on failure.
    std::size_t run(const BareStatement& statement);
    // Runs them in order; returns the rows of the last.
    std::size_t run(const std::vector<BareStatement>& statements);
    // How the engine runs sql: the detail lines of EXPLAIN QUERY PLAN (SQLite) or EXPLAIN.
    std::vector<std::string> queryPlan(const std::string& sql);

private:
    std::size_t runOnServer(const BareStatement& statement);

    sqlite3* m_db = nullptr;
    pg_conn* m_pg = nullptr;
};

}  // namespace kelvara::bench
