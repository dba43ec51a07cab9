#include "CatalogueMigration.h"

#include "Catalogue.h"
#include "CatalogueRows.h"
#include "Csv.h"
#include "ToolError.h"

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

using Value = FieldValue;
using db::CatalogueTable;

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

std::vector<CatalogueRow> readTable(const sqlite2::Database& db, CatalogueTable which,
                                    const std::string& oldPath, const MigrationWarning& warn)
{
    const TableDescription& shape = catalogueTables()[which];
    const sqlite2::Table* table = db.findTable(shape.name);
    if (table == nullptr) {
        throw ToolError(oldPath + " has no table " + shape.name +
                        "; it is not a Kelvara catalogue");
    }
    // Columns are found by name, so their order in the old table does not matter.
    std::vector<std::size_t> source;
    for (const std::string& name : shape.columns) {
        const auto found =
            std::find_if(table->columns.begin(), table->columns.end(),
                         [&](const sqlite2::Column& column) { return sameName(column.name, name); });
        if (found == table->columns.end()) {
            throw ToolError(oldPath + ": table " + shape.name + " has no column " + name +
                            "; it is not a Kelvara catalogue");
        }
        source.push_back(static_cast<std::size_t>(found - table->columns.begin()));
    }
    for (std::size_t c = 0; c < table->columns.size(); ++c) {
        if (std::find(source.begin(), source.end(), c) == source.end()) {
            warn("column " + std::string(shape.name) + "." + table->columns[c].name +
                 " is not part of the catalogue and was not copied");
        }
    }

    std::vector<CatalogueRow> copied;
    for (sqlite2::Row& row : db.readRows(*table)) {
        CatalogueRow out;
        if (shape.keyIsId()) {
            const Value& id = row.values[source[0]];
            const std::optional<long long> key = parseId(id);
            if (!key) {
                throw ToolError(oldPath + ": " + shape.name + " row with rowid " +
                                std::to_string(row.rowid) + " has " + shape.key + " " +
                                shownValue(id) + ", not a whole number; the ids cannot be kept");
            }
            out.key = *key;
        } else {
            out.key = row.rowid;
        }
        for (std::size_t c : source) {
            out.values.push_back(std::move(row.values[c]));
        }
        copied.push_back(std::move(out));
    }
    // Ids stored in the record (files older than INTEGER PRIMARY KEY) need not come in order.
    std::stable_sort(copied.begin(), copied.end(),
                     [](const CatalogueRow& a, const CatalogueRow& b) { return a.key < b.key; });
    const auto twice = std::adjacent_find(
        copied.begin(), copied.end(),
        [](const CatalogueRow& a, const CatalogueRow& b) { return a.key == b.key; });
    if (twice != copied.end()) {
        throw ToolError(oldPath + ": " + shape.name + " has more than one row with " + shape.key +
                        " " + std::to_string(twice->key) + "; the ids cannot be kept");
    }
    return copied;
}

CatalogueRows readOldCatalogue(const std::string& oldPath, const MigrationWarning& warn)
{
    try {
        const sqlite2::Database db = sqlite2::Database::openFile(oldPath);
        CatalogueRows tables;
        for (std::size_t t = 0; t < db::kTableCount; ++t) {
            tables.tables[t] = readTable(db, static_cast<CatalogueTable>(t), oldPath, warn);
        }
        for (const sqlite2::Table& table : db.tables()) {
            const bool ours = std::any_of(
                catalogueTables().begin(), catalogueTables().end(),
                [&](const TableDescription& shape) { return sameName(table.name, shape.name); });
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

// Every value of every table with where it sits, for the checks below.
template <class Visit>
void forEachValue(CatalogueRows& catalogue, Visit visit)
{
    for (std::size_t t = 0; t < db::kTableCount; ++t) {
        for (CatalogueRow& row : catalogue.tables[t]) {
            for (std::size_t i = 0; i < row.values.size(); ++i) {
                visit(static_cast<CatalogueTable>(t), row, i);
            }
        }
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

std::size_t convertFromCp1250(CatalogueRows& tables, const MigrationWarning& warn)
{
    std::size_t changed = 0;
    std::size_t undefinedBytes = 0;
    Sighting undefined;
    Sighting alreadyUtf8;
    forEachValue(tables, [&](CatalogueTable table, CatalogueRow& row, std::size_t i) {
        Value& value = row.values[i];
        if (!value || !hasNonAscii(*value)) {
            return;
        }
        std::size_t bytes = 0;
        std::string converted = sqlite2::cp1250ToUtf8(*value, &bytes);
        if (bytes != 0) {
            undefinedBytes += bytes;
            undefined.add(placeOf(table, row, i));
        }
        if (isUtf8(*value)) {
            alreadyUtf8.add(placeOf(table, row, i) + " " + shownValue(value) + " became " +
                            shownValue(converted));
        }
        ++changed;
        value = std::move(converted);
    });
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

void noteForeignText(CatalogueRows& tables, const MigrationWarning& warn)
{
    Sighting foreign;
    forEachValue(tables, [&](CatalogueTable table, CatalogueRow& row, std::size_t i) {
        if (row.values[i] && !isUtf8(*row.values[i])) {
            foreign.add(placeOf(table, row, i) + " " + shownValue(row.values[i]));
        }
    });
    if (foreign.count != 0) {
        warn(plural(foreign.count, "value is", "values are") +
             " not UTF-8 and will look garbled in Kelvara (first: " + foreign.first +
             "). If the old catalogue was typed on Windows in code page 1250, remove the new "
             "file and migrate again with --from-cp1250");
    }
}

void noteSettingsRows(const std::vector<CatalogueRow>& settings, const MigrationWarning& warn)
{
    const std::size_t rows = settings.size();
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
void notePrices(const std::vector<CatalogueRow>& compressors, const MigrationWarning& warn)
{
    Sighting odd;
    for (const CatalogueRow& row : compressors) {
        for (std::size_t i = db::kFirstPriceColumn; i < row.values.size(); ++i) {
            if (row.values[i] && !isPlainNumber(*row.values[i])) {
                odd.add(placeOf(db::kCompressors, row, i) + " " + shownValue(row.values[i]));
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
void noteOrphans(const CatalogueRows& tables, CatalogueTable parent, CatalogueTable child,
                 const char* what, const char* parentName, const MigrationWarning& warn)
{
    std::vector<long long> ids;
    for (const CatalogueRow& row : tables.tables[parent]) {
        ids.push_back(row.key);  // sorted: readTable orders rows by key
    }
    Sighting orphans;
    constexpr std::size_t kReference = 1;  // the parent's id, after the row's own
    for (const CatalogueRow& row : tables.tables[child]) {
        // SQLite 2 compares numeric texts as numbers: a reference typed 007 finds id 7.
        const Value& text = row.values[kReference];
        char* end = nullptr;
        const long long id = text ? std::strtoll(text->c_str(), &end, 10) : 0;
        const bool number = text && !text->empty() && end == text->c_str() + text->size();
        if (!number || !std::binary_search(ids.begin(), ids.end(), id)) {
            orphans.add(placeOf(child, row, kReference) + " " + shownValue(text));
        }
    }
    if (orphans.count != 0) {
        warn(plural(orphans.count, what, what) + " name a " + parentName +
             " the old file does not hold (first: " + orphans.first +
             "); Kelvara cannot list them. If the old program listed them, the old file may "
             "be damaged: compare the new catalogue with it before relying on it");
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
    CatalogueRows tables = readOldCatalogue(oldPath, warn);

    MigrationSummary summary;
    if (options.fromCp1250) {
        summary.converted = true;
        summary.valuesChanged = convertFromCp1250(tables, warn);
    } else {
        noteForeignText(tables, warn);
    }
    notePrices(tables.tables[db::kCompressors], warn);
    noteSettingsRows(tables.tables[db::kColumnSettings], warn);
    noteOrphans(tables, db::kManufacturers, db::kModels, "model(s)", "manufacturer", warn);
    noteOrphans(tables, db::kModels, db::kCompressors, "compressor(s)", "model", warn);

    const CopiedCounts counts = writeNewCatalogue(newPath, tables);
    for (std::size_t t = 0; t < db::kTableCount; ++t) {
        summary.tables.push_back({catalogueTables()[t].name, counts.rows[t]});
    }
    return summary;
}

}  // namespace kelvara::dbtool
