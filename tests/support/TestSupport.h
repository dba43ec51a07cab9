#pragma once

// Helpers for tests that need a real catalogue file.
//
//   kelvara::test::TempCatalogue cat;                 // <fresh temp dir>/database.db, from schema.sql
//   auto db = cat.connect();                          // a session of its own, not theDb
//   long long vw = db.insertManufacturer("VW");
//   long long golf = db.insertModel(vw, "Golf");
//   db.insertCompressor(golf, {"1.6", "1998", "2004", "SD7V16", "1135", "K-1", "310", "20", "290"});
//   ... run the code under test on cat.path() ...
//   auto rows = db.query("select marka from marki order by id_marki");   // rows[0][0] == "VW"
//
// A catalogue on the test server works the same way: TempCatalogue cat(Dialect::postgres) is a
// fresh database on the server named by KELVARA_TEST_PG (a libpq connection string), copied
// from its template database kelvara_template; cat.path() is its connection string.
//
// RawDb has a session of its own beside the program's theDb, and asks only bound questions
// ($1, $2… on both engines), so what it arranges and reads does not depend on the statement
// texts under test. Values are bound as text and stored byte for byte (quotes, column names,
// UTF-8 — anything but NUL needs no care). Failures throw std::runtime_error with the
// engine's message and the statement.

#include "CatalogueTables.h"
#include "Dialect.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

class CppSQLiteSession;

namespace kelvara::sql {
// The engine's name in test output.
inline void PrintTo(Dialect engine, std::ostream* out)
{
    *out << (engine == Dialect::postgres ? "postgres" : "sqlite");
}
}  // namespace kelvara::sql

namespace kelvara::test {

using Value = std::optional<std::string>;  // std::nullopt is SQL NULL
using Row = std::vector<Value>;
using Rows = std::vector<Row>;

// A new, empty directory under the system's temporary directory; removed with all its
// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    // path() joined with name.
    std::string file(const std::string& name) const;

private:
    std::string m_path;
};

// Creates the catalogue file at path from the compiled-in schema: the four tables, the one
// kolumny row (all nine columns shown) and the indexes. The file must not exist yet.
void createCatalogue(const std::string& path);

// The nine compressor values in table order (pojemnosc … netto), each stored as text or NULL.
using CompressorRow = kelvara::db::CompressorFields<Value>;

// The test server's connection string (KELVARA_TEST_PG), or nullopt with the reason in
// *why when there is no server to test against.
std::optional<std::string> testServer(std::string* why = nullptr);
// Whether a missing test server fails the server suites instead of skipping them
// (KELVARA_REQUIRE_PG=1, as in CI).
bool testServerRequired();
// In a fixture's SetUp (GoogleTest included): skips the test when catalogue (a TempCatalogue)
// could not be made on the server, or fails it when the server is required.
#define KELVARA_SKIP_UNLESS_MADE(catalogue)                                                             \
    if (!(catalogue).unavailable().empty()) {                                                        \
        if (kelvara::test::testServerRequired())                                                     \
            FAIL() << "PostgreSQL test server required (KELVARA_REQUIRE_PG=1): " << (catalogue).unavailable(); \
        GTEST_SKIP() << "server catalogue not tested: " << (catalogue).unavailable();              \
    }
// "sqlite" / "postgres", for test names.
std::string engineName(kelvara::sql::Dialect engine);

// A connection to a database file (created if missing), or to a server catalogue when path
// is a connection string. On a file it waits busyTimeoutMs for another's lock (by default a
// locked file fails at once). One made
// without a path is connected to nothing until another is moved into it.
class RawDb {
public:
    RawDb();
    explicit RawDb(const std::string& path, int busyTimeoutMs = 0);
    RawDb(RawDb&& other) noexcept;
    RawDb& operator=(RawDb&& other) noexcept;
    ~RawDb();

    // Runs every statement of sql.
    void exec(const std::string& sql);
    bool isServer() const;

    // Runs the first statement of sql with params bound as text to $1, $2…; every column of
    // every row comes back as text (NULL as std::nullopt).
    Rows query(const std::string& sql, const std::vector<Value>& params = {});
    // Column 0 of the first row; throws when there is no row.
    Value scalar(const std::string& sql, const std::vector<Value>& params = {});

    // Takes the catalogue's write lock as another program would: reading still works,
    // writing waits. "rollback" or "commit" ends it.
    void beginWriteLock();
    // From now on, operation ("insert", "update of year", "delete") on table fails with
    // message (an SQLite trigger, or a server trigger function).
    void refuse(const std::string& operation, const std::string& table, const std::string& message);

    // Insert one row with a new id and return that id.
    long long insertManufacturer(const Value& name);
    long long insertModel(long long manufacturerId, const Value& name);
    long long insertCompressor(long long modelId, const CompressorRow& row);

private:
    long long insertRow(const std::string& sql, const std::vector<Value>& params);
    CppSQLiteSession& session(const std::string& sql) const;

    std::unique_ptr<CppSQLiteSession> m_session;
};

// A catalogue file, database.db, created from the schema in its own temporary directory;
// or, for postgres, a new database on the test server (dropped again at the end) and an
// empty temporary directory. Without a test server, a postgres catalogue is unavailable()
// and its path() empty.
class TempCatalogue {
public:
    explicit TempCatalogue(kelvara::sql::Dialect engine = kelvara::sql::Dialect::sqlite);
    ~TempCatalogue();
    TempCatalogue(const TempCatalogue&) = delete;
    TempCatalogue& operator=(const TempCatalogue&) = delete;

    kelvara::sql::Dialect engine() const { return m_engine; }
    // Why the catalogue could not be made; empty when it was.
    const std::string& unavailable() const { return m_unavailable; }
    // The file's path, or the server database's connection string.
    const std::string& path() const { return m_path; }
    const std::string& directory() const { return m_dir.path(); }
    RawDb connect() const { return RawDb(m_path); }

private:
    kelvara::sql::Dialect m_engine;
    TempDir m_dir;
    std::string m_path;
    std::string m_database;  // on the server
    std::string m_unavailable;
};

}  // namespace kelvara::test
