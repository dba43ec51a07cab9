#include "CatalogueMigration.h"

#include "Catalogue.h"
#include "Command.h"
#include "Csv.h"
#include "Sqlite.h"

#include "Cp1250.h"
#include "Sqlite2Reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

namespace kelvara::dbtool {

namespace {

using Value = std::optional<std::string>;

// One row as it goes into the new file: its key (the id, or kolumny's rowid) and the other
// columns in the schema's order.
struct CopiedRow {
    long long key = 0;
    std::vector<Value> values;
};

struct CopiedTable {
    const TableShape* shape = nullptr;
    // kolumny has no id column; its rows are keyed by their rowid alone.
    bool keyIsId = false;
    std::vector<CopiedRow> rows;

    const char* keyName() const { return keyIsId ? shape->columns[0] : "rowid"; }
    const char* valueName(std::size_t index) const
    {
        return shape->columns[index + (keyIsId ? 1 : 0)];
    }
    std::size_t valueCount() const
    {
        return static_cast<std::size_t>(shape->columnCount) - (keyIsId ? 1 : 0);
    }
};

std::string plural(std::size_t count, const char* one, const char* many)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y)) {
            return false;
        }
    }
    return true;
}

bool isUtf8(std::string_view text)
{
    return findInvalidUtf8(text) == std::string_view::npos;
}

bool hasNonAscii(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// A value as a message shows it: quoted, control bytes (and every byte above ASCII when the
// text is not UTF-8) as \xNN, long texts cut short.
std::string shown(const Value& value)
{
    if (!value) {
        return "NULL";
    }
    constexpr std::size_t kLimit = 60;
    const bool utf8 = isUtf8(*value);
    std::string out = "'";
    std::size_t i = 0;
    for (; i < value->size(); ++i) {
        const auto byte = static_cast<unsigned char>((*value)[i]);
        // Stop before a character, never inside one.
        if (i >= kLimit && (byte & 0xC0) != 0x80) {
            break;
        }
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !utf8)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out + (i < value->size() ? "'..." : "'");
}

// Where a value sits, for messages: "Marki id_marki 3, marka".
std::string place(const CopiedTable& table, const CopiedRow& row, std::size_t index)
{
    return std::string(table.shape->name) + ' ' + table.keyName() + ' ' +
           std::to_string(row.key) + ", " + table.valueName(index);
}

// Ids are stored as text; only the plain decimal form ("12", "-3") can be kept as it is.
std::optional<long long> parseId(const Value& text)
{
    if (!text) {
        return std::nullopt;
    }
    const std::string& s = *text;
    const bool negative = !s.empty() && s[0] == '-';
    const std::size_t start = negative ? 1 : 0;
    const std::size_t digits = s.size() - start;
    if (digits == 0 || digits > 18 || (s[start] == '0' && (digits > 1 || negative))) {
        return std::nullopt;
    }
    long long value = 0;
    for (std::size_t i = start; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

// --- Reading the old file --------------------------------------------------------------

void checkOldFile(const std::string& path, const MigrationOptions& options,
                  const MigrationWarning& warn)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw ToolError(path + ": no such file");
    }
    if (std::filesystem::is_directory(path, ec)) {
        throw ToolError(path + " is a folder; name the old catalogue file in it, usually " +
                        (std::filesystem::path(path) / "database.db").string());
    }
    if (!sqlite2::hasSqlite2Header(path)) {
        char head[16] = {};
        std::ifstream(path, std::ios::binary).read(head, sizeof head);
        if (std::memcmp(head, "SQLite format 3", sizeof head) == 0) {
            throw ToolError(path + " is already an SQLite 3 database; Kelvara opens it as it "
                                   "is, there is nothing to migrate");
        }
        throw ToolError(path + " is not an SQLite 2 database (it does not begin with \"** This "
                               "file contains an SQLite 2.1 database **\")");
    }
    if (!sqlite2::hasHotJournal(path)) {
        return;
    }
    if (!options.force) {
        throw ToolError(
            path + "-journal is not empty: the SQLite 2 program stopped in the middle of a "
                   "write, and " + path + " may hold half of it. SQLite 2 undoes such a write "
                   "the next time it opens the file; this tool cannot. Start the old program "
                   "on the catalogue once and quit it, then migrate again; or use --force to "
                   "copy the file as it is now. Keep the journal beside the file until then");
    }
    warn(path + " may be half-written: " + path + "-journal is not empty, and the file is "
         "copied as it is (--force) without undoing the interrupted write. Check the new "
         "catalogue before relying on it");
}

CopiedTable readTable(const sqlite2::Database& db, const TableShape& shape,
                      const std::string& oldPath, const MigrationWarning& warn)
{
    const sqlite2::Table* table = db.findTable(shape.name);
    if (table == nullptr) {
        throw ToolError(oldPath + " has no table " + shape.name +
                        "; it is not a Kelvara catalogue");
    }
    // Columns are found by name, so their order in the old table does not matter.
    std::vector<std::size_t> source;
    for (int c = 0; c < shape.columnCount; ++c) {
        const auto found =
            std::find_if(table->columns.begin(), table->columns.end(),
                         [&](const sqlite2::Column& column) {
                             return sameName(column.name, shape.columns[c]);
                         });
        if (found == table->columns.end()) {
            throw ToolError(oldPath + ": table " + shape.name + " has no column " +
                            shape.columns[c] + "; it is not a Kelvara catalogue");
        }
        source.push_back(static_cast<std::size_t>(found - table->columns.begin()));
    }
    for (std::size_t c = 0; c < table->columns.size(); ++c) {
        if (std::find(source.begin(), source.end(), c) == source.end()) {
            warn("column " + std::string(shape.name) + "." + table->columns[c].name +
                 " is not part of the catalogue and was not copied");
        }
    }

    CopiedTable copied;
    copied.shape = &shape;
    copied.keyIsId = std::string_view(shape.name) != "kolumny";
    for (sqlite2::Row& row : db.readRows(*table)) {
        CopiedRow out;
        if (copied.keyIsId) {
            const Value& id = row.values[source[0]];
            const std::optional<long long> key = parseId(id);
            if (!key) {
                throw ToolError(oldPath + ": " + shape.name + " row with rowid " +
                                std::to_string(row.rowid) + " has " + shape.columns[0] + " " +
                                shown(id) + ", not a whole number; the ids cannot be kept");
            }
            out.key = *key;
        } else {
            out.key = row.rowid;
        }
        for (std::size_t c = copied.keyIsId ? 1 : 0; c < source.size(); ++c) {
            out.values.push_back(std::move(row.values[source[c]]));
        }
        copied.rows.push_back(std::move(out));
    }
    // Ids stored in the record (files older than INTEGER PRIMARY KEY) need not come in order.
    std::stable_sort(copied.rows.begin(), copied.rows.end(),
                     [](const CopiedRow& a, const CopiedRow& b) { return a.key < b.key; });
    const auto twice = std::adjacent_find(
        copied.rows.begin(), copied.rows.end(),
        [](const CopiedRow& a, const CopiedRow& b) { return a.key == b.key; });
    if (twice != copied.rows.end()) {
        throw ToolError(oldPath + ": " + shape.name + " has more than one row with " +
                        copied.keyName() + " " + std::to_string(twice->key) +
                        "; the ids cannot be kept");
    }
    return copied;
}

std::vector<CopiedTable> readOldCatalogue(const std::string& oldPath,
                                          const MigrationWarning& warn)
{
    try {
        const sqlite2::Database db = sqlite2::Database::openFile(oldPath);
        std::vector<CopiedTable> tables;
        for (const TableShape& shape : catalogueTables()) {
            tables.push_back(readTable(db, shape, oldPath, warn));
        }
        for (const sqlite2::Table& table : db.tables()) {
            const bool ours = std::any_of(
                catalogueTables().begin(), catalogueTables().end(),
                [&](const TableShape& shape) { return sameName(table.name, shape.name); });
            if (!ours) {
                warn("table " + table.name + " is not part of the catalogue and was not copied");
            }
        }
        return tables;
    } catch (const sqlite2::Error& e) {
        // A CorruptError's text names the page the damage was found on.
        throw ToolError(oldPath + ": " + e.what() + "; nothing was written");
    }
}

// --- Text and settings ------------------------------------------------------------------

// Counts values of one kind and remembers the first, for a warning.
struct Sighting {
    std::size_t count = 0;
    std::string first;

    void add(const std::string& what)
    {
        if (count++ == 0) {
            first = what;
        }
    }
};

std::size_t convertFromCp1250(std::vector<CopiedTable>& tables, const MigrationWarning& warn)
{
    std::size_t changed = 0;
    std::size_t undefinedBytes = 0;
    Sighting undefined;
    Sighting alreadyUtf8;
    for (CopiedTable& table : tables) {
        for (CopiedRow& row : table.rows) {
            for (std::size_t i = 0; i < row.values.size(); ++i) {
                Value& value = row.values[i];
                if (!value || !hasNonAscii(*value)) {
                    continue;
                }
                std::size_t bytes = 0;
                std::string converted = sqlite2::cp1250ToUtf8(*value, &bytes);
                if (bytes != 0) {
                    undefinedBytes += bytes;
                    undefined.add(place(table, row, i));
                }
                if (isUtf8(*value)) {
                    alreadyUtf8.add(place(table, row, i) + " " + shown(value) + " became " +
                                    shown(converted));
                }
                ++changed;
                value = std::move(converted);
            }
        }
    }
    if (undefinedBytes != 0) {
        warn(plural(undefinedBytes, "byte", "bytes") +
             " that code page 1250 leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) became "
             "U+FFFD, the replacement character (first in " + undefined.first + ")");
    }
    if (alreadyUtf8.count != 0) {
        warn(plural(alreadyUtf8.count, "value was", "values were") +
             " already UTF-8 and got converted all the same (first: " + alreadyUtf8.first +
             "); check them in the new catalogue");
    }
    return changed;
}

void noteForeignText(const std::vector<CopiedTable>& tables, const MigrationWarning& warn)
{
    Sighting foreign;
    for (const CopiedTable& table : tables) {
        for (const CopiedRow& row : table.rows) {
            for (std::size_t i = 0; i < row.values.size(); ++i) {
                if (row.values[i] && !isUtf8(*row.values[i])) {
                    foreign.add(place(table, row, i) + " " + shown(row.values[i]));
                }
            }
        }
    }
    if (foreign.count != 0) {
        warn(plural(foreign.count, "value is", "values are") +
             " not UTF-8 and will look garbled in Kelvara (first: " + foreign.first +
             "). If the old catalogue was typed on Windows in code page 1250, remove the new "
             "file and migrate again with --from-cp1250");
    }
}

void noteSettingsRows(const CopiedTable& settings, const MigrationWarning& warn)
{
    const std::size_t rows = settings.rows.size();
    if (rows == 0) {
        warn("kolumny has no row in the old file, so the new one has none either: Kelvara "
             "will not start on it until kolumny has one row, for instance "
             "INSERT INTO kolumny VALUES ('1','1','1','1','1','1','1','1','1')");
    } else if (rows > 1) {
        warn("kolumny has " + std::to_string(rows) + " rows in the old file and all were "
             "copied; Kelvara reads the first, and 'Set visible columns' changes them all");
    }
}

// Prices are written bare by the program, so one that is not a plain number is copied and
// shown, but editing its compressor is refused until it is corrected.
void notePrices(const CopiedTable& compressors, const MigrationWarning& warn)
{
    Sighting odd;
    const std::size_t firstPrice = compressors.valueCount() - 3;  // cena_zakl, kaucja_sku, netto
    for (const CopiedRow& row : compressors.rows) {
        for (std::size_t i = firstPrice; i < row.values.size(); ++i) {
            if (row.values[i] && !isPlainNumber(*row.values[i])) {
                odd.add(place(compressors, row, i) + " " + shown(row.values[i]));
            }
        }
    }
    if (odd.count != 0) {
        warn(plural(odd.count, "price is", "prices are") + " not a plain number (first: " +
             odd.first + "); copied as they are, but Kelvara asks for a number when such a "
             "compressor is edited ('kelvara-db check' lists them all)");
    }
}

// Rows whose parent is missing: Kelvara cannot list them, and in a catalogue kept by the old
// program they point at damage, since a changed id leaves no other trace in an SQLite 2 file.
void noteOrphans(const CopiedTable& parents, const CopiedTable& children, const char* what,
                 const char* parent, const MigrationWarning& warn)
{
    std::vector<long long> ids;
    for (const CopiedRow& row : parents.rows) {
        ids.push_back(row.key);  // sorted: readTable orders rows by key
    }
    Sighting orphans;
    for (const CopiedRow& row : children.rows) {
        // SQLite 2 compares numeric texts as numbers: a reference typed 007 finds id 7.
        const Value& text = row.values[0];
        char* end = nullptr;
        const long long id = text ? std::strtoll(text->c_str(), &end, 10) : 0;
        const bool number = text && !text->empty() && end == text->c_str() + text->size();
        if (!number || !std::binary_search(ids.begin(), ids.end(), id)) {
            orphans.add(place(children, row, 0) + " " + shown(row.values[0]));
        }
    }
    if (orphans.count != 0) {
        warn(plural(orphans.count, what, what) + " name a " + parent +
             " the old file does not hold (first: " + orphans.first +
             "); Kelvara cannot list them. If the old program listed them, the old file may "
             "be damaged: compare the new catalogue with it before relying on it");
    }
}

// --- Writing and checking the new file -------------------------------------------------

std::string columnList(const CopiedTable& table)
{
    std::string list = table.keyName();
    for (std::size_t i = 0; i < table.valueCount(); ++i) {
        list += std::string(", ") + table.valueName(i);
    }
    return list;
}

void writeTables(Connection& db, const std::vector<CopiedTable>& tables)
{
    Transaction transaction(db);
    // The schema's default settings row gives way to the old file's own rows.
    db.execute("DELETE FROM kolumny");
    for (const CopiedTable& table : tables) {
        std::string sql = std::string("INSERT INTO ") + table.shape->name + " (" +
                          columnList(table) + ") VALUES (?1";
        for (std::size_t i = 0; i < table.valueCount(); ++i) {
            sql += ", ?" + std::to_string(i + 2);
        }
        sql += ")";
        Statement insert = db.prepare(sql.c_str());
        for (const CopiedRow& row : table.rows) {
            insert.reset();
            insert.bindInteger(1, row.key);
            int parameter = 2;
            for (const Value& value : row.values) {
                if (value) {
                    insert.bindText(parameter, *value);
                } else {
                    insert.bindNull(parameter);
                }
                ++parameter;
            }
            insert.step();
        }
    }
    transaction.commit();
}

[[noreturn]] void mismatch(const std::string& newPath, const std::string& detail)
{
    throw ToolError("verification failed: " + detail + "; " + newPath + " was removed");
}

// Reads the new file back with a connection of its own and compares it with what was read.
void verifyTables(const std::string& workPath, const std::string& newPath,
                  const std::vector<CopiedTable>& tables)
{
    Connection db(workPath, Connection::Mode::ReadOnly);
    for (const CopiedTable& table : tables) {
        const std::string name = table.shape->name;
        Statement select = db.prepare(("SELECT " + columnList(table) + " FROM " + name +
                                       " ORDER BY " + table.keyName())
                                          .c_str());
        std::size_t count = 0;
        for (; select.step(); ++count) {
            if (count >= table.rows.size()) {
                continue;  // counted below
            }
            const CopiedRow& row = table.rows[count];
            if (select.isNull(0) || select.integer(0) != row.key) {
                mismatch(newPath, name + " row " + std::to_string(count + 1) + " has " +
                                      table.keyName() + " " +
                                      shown(Value(std::string(select.text(0)))) +
                                      " instead of " + std::to_string(row.key));
            }
            for (std::size_t i = 0; i < row.values.size(); ++i) {
                const int column = static_cast<int>(i) + 1;
                const Value stored =
                    select.isNull(column) ? Value() : Value(std::string(select.text(column)));
                if (stored != row.values[i]) {
                    mismatch(newPath, place(table, row, i) + " was " + shown(row.values[i]) +
                                          " but the new file holds " + shown(stored));
                }
            }
        }
        if (count != table.rows.size()) {
            mismatch(newPath, name + " has " + std::to_string(count) + " rows in the new file, " +
                                  std::to_string(table.rows.size()) + " were read");
        }
    }
}

}  // namespace

MigrationSummary migrateCatalogue(const std::string& oldPath, const std::string& newPath,
                                  const MigrationOptions& options, const MigrationWarning& warn)
{
    // Refuse before reading anything; creating the file exclusively below closes the race.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(newPath, ec))) {
        throw ToolError(newPath + " already exists; refusing to overwrite it");
    }
    checkOldFile(oldPath, options, warn);
    std::vector<CopiedTable> tables = readOldCatalogue(oldPath, warn);

    MigrationSummary summary;
    if (options.fromCp1250) {
        summary.converted = true;
        summary.valuesChanged = convertFromCp1250(tables, warn);
    } else {
        noteForeignText(tables, warn);
    }
    // In the order of catalogueTables(): Marki, Modele, kompresory, kolumny.
    notePrices(tables[2], warn);
    noteSettingsRows(tables[3], warn);
    noteOrphans(tables[0], tables[1], "model(s)", "manufacturer", warn);
    noteOrphans(tables[1], tables[2], "compressor(s)", "model", warn);

    NewCatalogue catalogue(newPath);
    try {
        writeTables(catalogue.connection(), tables);
    } catch (const ToolError& e) {
        throw ToolError("cannot write " + newPath + ": " + e.what() + "; it was removed");
    }
    verifyTables(catalogue.workPath(), newPath, tables);
    catalogue.keep();

    for (const CopiedTable& table : tables) {
        summary.tables.push_back({table.shape->name, table.rows.size()});
    }
    return summary;
}

}  // namespace kelvara::dbtool
