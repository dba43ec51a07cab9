#pragma once

// Helpers for tests that need a real catalogue file.
//
//   kelvara::test::TempCatalogue cat;                 // <fresh temp dir>/database.db, from schema.sql
//   auto db = cat.connect();                          // plain sqlite3 connection, not theDb
//   long long vw = db.insertManufacturer("VW");
//   long long golf = db.insertModel(vw, "Golf");
//   db.insertCompressor(golf, {"1.6", "1998", "2004", "SD7V16", "1135", "K-1", "310", "20", "290"});
//   ... run the code under test on cat.path() ...
//   auto rows = db.query("select marka from marki order by id_marki");   // rows[0][0] == "VW"
//
// Everything goes through the sqlite3 API directly, so a test can arrange and inspect rows
// independently of the database layer it is testing. Values are bound as text, so they are
// stored byte for byte (quotes, column names, UTF-8 — anything but NUL needs no care).
// Failures throw std::runtime_error with SQLite's message and the statement.

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

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
struct CompressorRow {
    Value capacity, yearFrom, yearTo, type, commonPartNo, partNo, jobber, coreDeposit, netPrice;
};

// A plain connection to a database file (created if missing). Busy time-out 0: a locked
// file fails at once.
class RawDb {
public:
    explicit RawDb(const std::string& path);
    RawDb(RawDb&& other) noexcept;
    RawDb& operator=(RawDb&& other) noexcept;
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;
    ~RawDb();

    sqlite3* handle() const { return m_db; }

    // Runs every statement of sql.
    void exec(const std::string& sql);
    // Runs the first statement of sql with params bound as text to ?1, ?2…; every column of
    // every row comes back as text (NULL as std::nullopt).
    Rows query(const std::string& sql, const std::vector<Value>& params = {});
    // Column 0 of the first row; throws when there is no row.
    Value scalar(const std::string& sql, const std::vector<Value>& params = {});

    // Insert one row with a new id and return that id.
    long long insertManufacturer(const Value& name);
    long long insertModel(long long manufacturerId, const Value& name);
    long long insertCompressor(long long modelId, const CompressorRow& row);

private:
    sqlite3* m_db = nullptr;
};

// A catalogue file, database.db, created from the schema in its own temporary directory.
class TempCatalogue {
public:
    TempCatalogue();

    const std::string& path() const { return m_path; }
    const std::string& directory() const { return m_dir.path(); }
    RawDb connect() const { return RawDb(m_path); }

private:
    TempDir m_dir;
    std::string m_path;
};

}  // namespace kelvara::test
