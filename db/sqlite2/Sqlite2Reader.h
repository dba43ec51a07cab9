// Read-only access to catalogues written by SQLite 2.1 - 2.8 (1024-byte pages, text-only
// records). Nothing here writes: the migration reads every row and hands it to SQLite 3.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::sqlite2 {

// Everything the reader throws: unreadable file, not an SQLite 2 file, unknown table,
// a CREATE statement we cannot take apart.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file is damaged. page() is the page on which the fault was found (the page that holds
// the bad link, cell or record); the message names it too.
class CorruptError : public Error {
public:
    CorruptError(std::uint32_t page, const std::string& detail);
    std::uint32_t page() const noexcept { return m_page; }

private:
    std::uint32_t m_page;
};

enum class ByteOrder { LittleEndian, BigEndian };

struct Column {
    std::string name;  // as declared, quotes removed
    std::string type;  // declared type with whitespace collapsed; empty when none was given
};

struct TableDefinition {
    std::vector<Column> columns;
    int integerPrimaryKey = -1;  // column declared INTEGER PRIMARY KEY, -1 when none
};

// Column list of a "CREATE TABLE name(...)" text as stored in sqlite_master.
// Throws Error when the text is not such a statement.
TableDefinition parseCreateTable(std::string_view sql);

// The column names of a "CREATE [UNIQUE] INDEX name ON table(...)" text, in key order.
// Throws Error when the text is not such a statement.
std::vector<std::string> parseCreateIndex(std::string_view sql);

struct Table {
    std::string name;
    std::uint32_t rootPage = 0;
    std::string sql;              // CREATE statement exactly as typed
    std::vector<Column> columns;
    // The INTEGER PRIMARY KEY column, which SQLite 2 stores as NULL and reads from the rowid;
    // -1 when there is none. Files older than format 2 had no such alias and store it.
    int rowidColumn = -1;
};

struct Row {
    std::int32_t rowid = 0;
    // One entry per column: nullopt for NULL, otherwise the bytes exactly as stored (no NUL).
    std::vector<std::optional<std::string>> values;
};

class Database {
public:
    static constexpr std::size_t PageSize = 1024;

    // Reads the whole file into memory and checks its whole structure: page 1, every tree
    // with its records, indexes against their tables, the free list, and that every page
    // is accounted for exactly once. Throws CorruptError naming the page of the first fault.
    static Database openFile(const std::string& path);
    static Database fromBytes(std::vector<std::uint8_t> image);

    ByteOrder byteOrder() const noexcept { return m_byteOrder; }
    std::uint32_t fileFormat() const noexcept { return m_fileFormat; }
    std::uint32_t pageCount() const noexcept { return m_pageCount; }

    // User tables in sqlite_master order (indexes, views and triggers are left out).
    const std::vector<Table>& tables() const noexcept { return m_tables; }
    // Case-insensitive (ASCII) like SQLite 2 itself; nullptr when there is no such table.
    const Table* findTable(std::string_view name) const;

    // All rows in rowid order. Throws Error for an unknown name, CorruptError for damage.
    std::vector<Row> readRows(std::string_view tableName) const;
    std::vector<Row> readRows(const Table& table) const;

private:
    Database() = default;

    std::vector<std::uint8_t> m_image;
    ByteOrder m_byteOrder = ByteOrder::LittleEndian;
    std::uint32_t m_fileFormat = 0;
    std::uint32_t m_pageCount = 0;
    std::vector<Table> m_tables;
    std::vector<std::uint32_t> m_rootPages;  // every tree's root (sorted), including page 2
};

// True when the file starts with the SQLite 2 header text, so callers can tell an old
// catalogue apart from a damaged SQLite 3 one.
bool hasSqlite2Header(const std::string& path);

// True when "<path>-journal" exists and is not empty: SQLite 2 left a write half-done and
// would roll it back on the next open, so the file itself may be inconsistent.
bool hasHotJournal(const std::string& path);

}  // namespace kelvara::sqlite2
