// Opening a file: its header, the schema in sqlite_master, and the check of the whole
// structure before anything is handed out. Tree walking and records live in their own units.
#include "Sqlite2Reader.h"
#include "Sqlite2Header.h"
#include "Sqlite2Records.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kelvara::sqlite2 {

namespace detail {

void corrupt(std::uint32_t page, const std::string& detail)
{
    throw CorruptError(page, detail);
}

std::string inQuotes(std::string_view name)
{
    return "\"" + std::string(name) + "\"";
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace detail

namespace {

using namespace detail;

// 47 characters and a NUL; identical in every file from 2.1 to 2.8.
constexpr std::uint32_t ByteOrderMagic = 0xDAE37528u;

// The number of whole pages, after the checks that need nothing but the image's size.
std::uint32_t checkedPageCount(const std::vector<std::uint8_t>& image)
{
    if (!db::startsAsSqlite2(image.data(), image.size()))
        throw Error("not an SQLite 2 database (the header text is missing)");
    if (image.size() / PageSize >= 0xFFFFFFFFu)
        throw Error("file too large for an SQLite 2 database");
    // SQLite 2 would take a short file as empty; for a catalogue that only means a broken copy.
    if (image.size() < PageSize || image.size() % PageSize != 0)
        corrupt(static_cast<std::uint32_t>(image.size() / PageSize + 1),
                "the file ends " + std::to_string(image.size() % PageSize) +
                    " bytes into this page (truncated copy?)");
    return static_cast<std::uint32_t>(image.size() / PageSize);
}

ByteOrder byteOrderOf(const std::vector<std::uint8_t>& image)
{
    const std::uint8_t* m = image.data() + 48;
    const std::uint32_t asLittle = std::uint32_t{m[0]} | (std::uint32_t{m[1]} << 8) |
                                   (std::uint32_t{m[2]} << 16) | (std::uint32_t{m[3]} << 24);
    const std::uint32_t asBig = std::uint32_t{m[3]} | (std::uint32_t{m[2]} << 8) |
                                (std::uint32_t{m[1]} << 16) | (std::uint32_t{m[0]} << 24);
    if (asLittle == ByteOrderMagic)
        return ByteOrder::LittleEndian;
    if (asBig != ByteOrderMagic)
        corrupt(1, "the byte-order mark at offset 48 is missing");
    return ByteOrder::BigEndian;
}

std::uint32_t fileFormatOf(const std::vector<std::uint8_t>& image, ByteOrder order)
{
    const std::uint8_t* f = image.data() + 64;
    return order == ByteOrder::BigEndian
               ? (std::uint32_t{f[0]} << 24) | (std::uint32_t{f[1]} << 16) |
                     (std::uint32_t{f[2]} << 8) | f[3]
               : (std::uint32_t{f[3]} << 24) | (std::uint32_t{f[2]} << 16) |
                     (std::uint32_t{f[1]} << 8) | f[0];
}

// Root page numbers are stored as decimal text; nullopt unless it is plain digits.
std::optional<std::uint32_t> parsePageNumber(const std::optional<std::string>& text)
{
    if (!text || text->empty() || text->size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : *text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

// What sqlite_master lists, with every root page named in it (page 2 included).
struct Schema {
    std::vector<Table> tables;
    std::vector<IndexDefinition> indexes;
    std::vector<std::uint32_t> roots;
};

// A root must be a page of the file other than page 1 and sqlite_master's page 2.
void checkRoot(const char* kind, const std::string& name, const std::optional<std::string>& text,
               std::optional<std::uint32_t> root, std::uint32_t pageCount)
{
    if (!root || *root < 3 || *root > pageCount)
        corrupt(MasterRoot, kind + (" " + inQuotes(name)) + " has root page " +
                                text.value_or("NULL") + ", not a page of this " +
                                std::to_string(pageCount) + "-page file");
}

IndexDefinition indexFromEntry(const Row& entry, const std::string& label, std::uint32_t pageCount)
{
    const auto& name = entry.values[1];
    if (!name || !entry.values[2])
        corrupt(MasterRoot, label + " is an index without a name or a table");
    const auto root = parsePageNumber(entry.values[3]);
    checkRoot("index", *name, entry.values[3], root, pageCount);
    return {*name, *root, *entry.values[2], entry.values[4]};
}

Table tableFromEntry(const Row& entry, const std::string& label, std::uint32_t pageCount,
                     std::uint32_t fileFormat)
{
    const auto& name = entry.values[1];
    if (!name)
        corrupt(MasterRoot, label + " is a table without a name");
    const auto root = parsePageNumber(entry.values[3]);
    checkRoot("table", *name, entry.values[3], root, pageCount);
    if (!entry.values[4])
        corrupt(MasterRoot, "table " + inQuotes(*name) + " has no CREATE statement");

    TableDefinition definition;
    try {
        definition = parseCreateTable(*entry.values[4]);
    } catch (const Error& e) {
        throw Error("table " + inQuotes(*name) + ": " + e.what());
    }
    Table table;
    table.name = *name;
    table.rootPage = *root;
    table.sql = *entry.values[4];
    table.columns = std::move(definition.columns);
    // Before format 2 an INTEGER PRIMARY KEY was an ordinary stored column.
    table.rowidColumn = fileFormat >= 2 ? definition.integerPrimaryKey : -1;
    return table;
}

// Views and triggers are left out; they own no pages.
Schema readSchema(const std::vector<Row>& master, std::uint32_t pageCount, std::uint32_t fileFormat)
{
    Schema schema;
    schema.roots.push_back(MasterRoot);
    for (const Row& entry : master) {
        const auto& type = entry.values[0];
        const std::string label = "schema entry of rowid " + std::to_string(entry.rowid);
        if (type && *type == "index") {
            schema.indexes.push_back(indexFromEntry(entry, label, pageCount));
            schema.roots.push_back(schema.indexes.back().root);
        } else if (type && *type == "table") {
            schema.tables.push_back(tableFromEntry(entry, label, pageCount, fileFormat));
            schema.roots.push_back(schema.tables.back().rootPage);
        }
    }
    std::sort(schema.roots.begin(), schema.roots.end());
    const auto twice = std::adjacent_find(schema.roots.begin(), schema.roots.end());
    if (twice != schema.roots.end())
        corrupt(MasterRoot, "two tables or indexes share root page " + std::to_string(*twice));
    return schema;
}

// Every table with its records, every index against its table, then the free list; after
// that no page may be left that nothing claimed.
void checkContents(TreeWalker& accounting, const Database& db,
                   const std::vector<IndexDefinition>& indexes)
{
    const std::vector<Table>& tables = db.tables();
    std::vector<std::vector<Row>> rows;
    for (const Table& table : tables)
        rows.push_back(readTree(accounting, table.rootPage, table.name, table.columns.size(),
                                table.rowidColumn));
    for (const IndexDefinition& index : indexes) {
        const Table* table = db.findTable(index.table);
        if (!table)
            corrupt(MasterRoot, "index " + inQuotes(index.name) + " belongs to table " +
                                    inQuotes(index.table) + ", which the file does not hold");
        checkIndex(accounting, index, *table, rows[static_cast<std::size_t>(table - tables.data())]);
    }
    checkFreeList(accounting, accounting.u32(1, 52), accounting.u32(1, 56));
    if (const std::uint32_t stray = accounting.firstUnread())
        corrupt(stray, "page belongs to no table, index, overflow chain or the free list");
}

}  // namespace

CorruptError::CorruptError(std::uint32_t page, const std::string& detail)
    : Error("damaged SQLite 2 file at page " + std::to_string(page) + ": " + detail), m_page(page)
{
}

Database Database::openFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("cannot open " + path);
    std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad())
        throw Error("cannot read " + path);
    return fromBytes(std::move(image));
}

Database Database::fromBytes(std::vector<std::uint8_t> image)
{
    Database db;
    db.m_pageCount = checkedPageCount(image);
    db.m_byteOrder = byteOrderOf(image);
    db.m_fileFormat = fileFormatOf(image, db.m_byteOrder);
    db.m_image = std::move(image);
    if (db.m_pageCount == 1) {
        // Created but never written to: no sqlite_master yet.
        if (db.m_fileFormat > 4)
            corrupt(1, "unknown file format " + std::to_string(db.m_fileFormat));
        return db;
    }
    if (db.m_fileFormat < 1 || db.m_fileFormat > 4)
        corrupt(1, "unknown file format " + std::to_string(db.m_fileFormat) +
                       " (SQLite 2 writes 1 to 4)");

    // One walker for the whole file: every page from 2 on must belong to exactly one table
    // or index tree, overflow chain or the free list. Damage that drops rows from a walk
    // leaves pages unclaimed or breaks an invariant of the page that holds it, so the whole
    // structure is checked here, before anything is read for use.
    // The walker sees m_rootPages by reference: once the schema fills it, roots are protected.
    TreeWalker accounting(db.m_image, db.m_byteOrder, db.m_pageCount, db.m_rootPages);
    const std::vector<Row> master =
        readTree(accounting, MasterRoot, "sqlite_master", MasterFields, -1);
    Schema schema = readSchema(master, db.m_pageCount, db.m_fileFormat);
    db.m_tables = std::move(schema.tables);
    db.m_rootPages = std::move(schema.roots);
    checkContents(accounting, db, schema.indexes);
    return db;
}

const Table* Database::findTable(std::string_view name) const
{
    for (const Table& table : m_tables)
        if (equalsIgnoreCase(table.name, name))
            return &table;
    return nullptr;
}

std::vector<Row> Database::readRows(std::string_view tableName) const
{
    const Table* table = findTable(tableName);
    if (!table)
        throw Error("no table " + inQuotes(tableName) + " in the SQLite 2 file");
    return readRows(*table);
}

std::vector<Row> Database::readRows(const Table& table) const
{
    TreeWalker walker(m_image, m_byteOrder, m_pageCount, m_rootPages);
    return readTree(walker, table.rootPage, table.name, table.columns.size(), table.rowidColumn);
}

bool hasSqlite2Header(const std::string& path)
{
    return db::isSqlite2File(path);
}

bool hasHotJournal(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path journal(path + "-journal");
    if (!std::filesystem::is_regular_file(journal, error))
        return false;
    const auto size = std::filesystem::file_size(journal, error);
    return !error && size > 0;
}

}  // namespace kelvara::sqlite2
