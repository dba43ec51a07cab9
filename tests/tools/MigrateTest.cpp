// migrate: catalogues of the SQLite 2 program brought into new SQLite 3 catalogues.

#include "TestSupport.h"
#include "ToolTestSupport.h"
#include "sqlite2/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kelvara::dbtool::testing {
namespace {

using sqlite2::test::fixturePath;
using sqlite2::test::ImageBuilder;
using sqlite2::test::makeRecord;
using Values = sqlite2::test::Values;

const sqlite2::test::Dump& dump()
{
    static const sqlite2::test::Dump parsed =
        sqlite2::test::parseDump(readFile(fixturePath("catalogue-v2.sql")));
    return parsed;
}

// Every row of a query with NULL kept apart from text; no separators to be confused by.
std::vector<Values> rowsOf(const std::string& db, const std::string& sql)
{
    std::vector<Values> rows;
    if (!std::filesystem::exists(db)) {
        ADD_FAILURE() << "cannot open " << db;
        return rows;
    }
    try {
        for (kelvara::test::Row& row : kelvara::test::RawDb(db).query(sql)) {
            rows.emplace_back(row.begin(), row.end());
        }
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    return rows;
}

std::vector<Values> tableOf(const std::string& db, const std::string& table)
{
    return rowsOf(db, "SELECT * FROM " + table + " ORDER BY rowid");
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// No catalogue and no journal of one.
void expectNoFile(const std::string& path)
{
    EXPECT_FALSE(std::filesystem::exists(path)) << path;
    EXPECT_FALSE(std::filesystem::exists(path + "-journal")) << path;
}

// --- hand-built old catalogues -----------------------------------------------------------

// Short CREATE texts: the image builder keeps every sqlite_master row on page 2.
const char* const kMarki = "create table Marki(id_marki INTEGER PRIMARY KEY, marka text)";
const char* const kModele =
    "create table Modele(id_modelu INTEGER PRIMARY KEY, id_marki integer, model)";
const char* const kKompresory =
    "create table kompresory(id_kompresora INTEGER PRIMARY KEY, id_modelu integer, pojemnosc, od, "
    "do, typ, nr_f_s, nrkv, cena_zakl, kaucja_sku, netto)";
const char* const kKolumny = "create table kolumny(manufacturer, capacity, year, type, common, "
                             "kelvara, jobber, deposit, price)";

struct OldTable {
    std::string name;
    std::string sql;
    std::vector<ImageBuilder::Cell> rows;
};

// An SQLite 2 file with one leaf page per table (page 3 onwards).
void writeOldFile(const std::string& path, const std::vector<OldTable>& tables)
{
    ImageBuilder image(static_cast<std::uint32_t>(2 + tables.size()));
    std::vector<ImageBuilder::TableEntry> entries;
    std::uint32_t page = 3;
    for (const OldTable& table : tables) {
        image.writePage(page, 0, table.rows);
        entries.push_back({table.name, page++, table.sql});
    }
    image.writeMaster(entries);
    writeFile(path, std::string(image.bytes().begin(), image.bytes().end()));
}

ImageBuilder::Cell row(std::int32_t rowid, const Values& values)
{
    return {rowid, makeRecord(values)};
}

const std::optional<std::string> kId;  // the INTEGER PRIMARY KEY slot, read from the rowid

Values compressor(const std::string& model, const std::string& type)
{
    return {kId, model, "1.6", "1998", "2003", type, "OE-1", "KV-1", "12.50", "007", "1e3"};
}

// A small valid catalogue; each table can be swapped for a variant.
std::vector<OldTable> smallCatalogue()
{
    return {
        {"Marki", kMarki, {row(1, {kId, "Audi"})}},
        {"Modele", kModele, {row(1, {kId, "1", "A4"})}},
        {"kompresory", kKompresory, {row(1, compressor("1", "SD7V16"))}},
        {"kolumny", kKolumny, {row(1, {"1", "1", "1", "1", "1", "1", "1", "1", "1"})}},
    };
}

// --- the fixtures ------------------------------------------------------------------------

TEST(Migrate, BothFixturesEqualTheOldEnginesDumpFieldByField)
{
    ASSERT_EQ(dump().tableOrder,
              (std::vector<std::string>{"Marki", "Modele", "kompresory", "kolumny"}));
    for (const char* fixture : {"catalogue-v2.db", "catalogue-v2-bigendian.db"}) {
        SCOPED_TRACE(fixture);
        TempDir dir;
        const std::string db = dir.path("new.db");
        // The built program, as a user runs it.
        const RunResult result = runBinary({"migrate", fixturePath(fixture), db});
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "migrated " + fixturePath(fixture) + " to " + db +
                                  "\n"
                                  "  Marki       6 rows (manufacturers)\n"
                                  "  Modele      6 rows (models)\n"
                                  "  kompresory  7 rows (compressors)\n"
                                  "  kolumny     1 row (column settings)\n"
                                  "text: copied byte for byte, no conversion\n"
                                  "verified: " + db + " read back; every row and field equals "
                                  "what was read from " + fixturePath(fixture) + "\n");
        // The fixture holds cp1250 bytes, which are not UTF-8; the user hears of it.
        EXPECT_TRUE(contains(result.err, "warning: 5 values are not UTF-8")) << result.err;
        EXPECT_TRUE(contains(result.err, "--from-cp1250")) << result.err;

        for (const std::string& table : dump().tableOrder) {
            SCOPED_TRACE(table);
            // SELECT * gives the schema's column order, which is the old tables' order too.
            const std::vector<Values> rows = tableOf(db, table);
            const std::vector<Values>& expected = dump().rows.at(table);
            ASSERT_EQ(rows.size(), expected.size());
            for (std::size_t r = 0; r < rows.size(); ++r) {
                EXPECT_EQ(rows[r], expected[r]) << "row " << r + 1;
            }
        }
        // Numbers kept as typed, not as SQLite 3 would print them.
        EXPECT_EQ(querySql(db, "SELECT cena_zakl, kaucja_sku, netto FROM kompresory WHERE "
                               "id_kompresora = 1"),
                  "12.50|007|1e3");
        EXPECT_EQ(querySql(db, "SELECT typeof(cena_zakl), typeof(id_modelu) FROM kompresory "
                               "WHERE id_kompresora = 1"),
                  "text|integer");
        // Two prices were never numbers; copied all the same, and the user hears of them.
        EXPECT_TRUE(contains(result.err, "warning: 2 prices are not a plain number (first: "
                                         "kompresory id_kompresora 6, kaucja_sku 'abc')"))
            << result.err;
        // A catalogue like any other: the schema's indexes, and check finds those two prices
        // and the part number far longer than import would take, nothing else.
        EXPECT_EQ(querySql(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                               "name LIKE 'idx_%'"),
                  "5");
        const RunResult check = runTool({"check", db});
        EXPECT_EQ(check.status, 1);
        EXPECT_TRUE(contains(check.out, "compressor 5: Kelvara part # is 3000 bytes long"))
            << check.out;
        EXPECT_TRUE(contains(check.out + check.err, "3 problems found")) << check.out << check.err;
    }
}

TEST(Migrate, Cp1250TextIsConvertedOnRequestAndOnlyThen)
{
    TempDir dir;
    const std::string raw = dir.path("raw.db");
    const std::string converted = dir.path("converted.db");
    ASSERT_EQ(runTool({"migrate", fixturePath("catalogue-v2.db"), raw}).status, 0);
    const RunResult result =
        runTool({"migrate", "--from-cp1250", fixturePath("catalogue-v2-bigendian.db"), converted});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contains(result.out, "text: converted from code page 1250 to UTF-8 "
                                     "(9 values changed)\n"))
        << result.out;

    const struct {
        const char* sql;
        const char* stored;     // the old file's bytes
        const char* converted;  // the same text in UTF-8
    } cases[] = {
        {"SELECT marka FROM Marki WHERE id_marki = 3", "\x8akoda", "Škoda"},
        {"SELECT marka FROM Marki WHERE id_marki = 6", "\xa3""ada \xaf\xf3\xb3\xe6",
         "Łada Żółć"},
        {"SELECT model FROM Modele WHERE id_modelu = 3", "Fabia \xb9\xea", "Fabia ąę"},
        {"SELECT model FROM Modele WHERE id_modelu = 6", "Niva \x8c", "Niva Ś"},
        {"SELECT typ FROM kompresory WHERE id_kompresora = 4", "Sanden \xa3", "Sanden Ł"},
        // ASCII comes through either way.
        {"SELECT cena_zakl || '/' || kaucja_sku FROM kompresory WHERE id_kompresora = 1",
         "12.50/007", "12.50/007"},
        {"SELECT marka FROM Marki WHERE id_marki = 5", "Alfa \"Romeo\"", "Alfa \"Romeo\""},
        // Text that was UTF-8 already is converted all the same, as asked: Š (C5 A0) reads
        // as Ĺ and a no-break space in cp1250.
        {"SELECT marka FROM Marki WHERE id_marki = 2", "Škoda", "Ĺ\u00a0koda"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(querySql(raw, c.sql), c.stored);
        EXPECT_EQ(querySql(converted, c.sql), c.converted);
    }
    EXPECT_TRUE(contains(result.err, "warning: 4 values were already UTF-8 and got converted all "
                                     "the same (first: Marki id_marki 2, marka 'Škoda' became "
                                     "'Ĺ\u00a0koda')"))
        << result.err;
    EXPECT_FALSE(contains(result.err, "not UTF-8")) << result.err;
    EXPECT_FALSE(contains(result.err, "undefined")) << result.err;

    // Bytes the code page leaves undefined become U+FFFD, with a warning naming the first.
    auto tables = smallCatalogue();
    tables[0].rows = {row(1, {kId, "Audi"}), row(2, {kId, "X\x81Y\x98"})};
    writeOldFile(dir.path("odd.db"), tables);
    const RunResult odd =
        runTool({"migrate", "--from-cp1250", dir.path("odd.db"), dir.path("odd-new.db")});
    ASSERT_EQ(odd.status, 0) << odd.err;
    EXPECT_EQ(querySql(dir.path("odd-new.db"), "SELECT marka FROM Marki ORDER BY id_marki"),
              "Audi\nX\uFFFDY\uFFFD");
    EXPECT_TRUE(contains(odd.err, "warning: 2 bytes that code page 1250 leaves undefined"))
        << odd.err;
    EXPECT_TRUE(contains(odd.err, "first in Marki id_marki 2, marka")) << odd.err;
    EXPECT_TRUE(contains(odd.out, "(1 value changed)")) << odd.out;
}

// --- shapes the fixtures do not have -------------------------------------------------------

TEST(Migrate, KeepsIdsAndFindsColumnsByName)
{
    TempDir dir;
    auto tables = smallCatalogue();
    // Gaps in the ids, a column order of its own and a column the catalogue does not know.
    tables[0] = {"MARKI", "create table MARKI(Marka text, Note text, ID_MARKI integer primary key)",
                 {row(5, {"Audi", "a note", kId}), row(900, {"BMW", std::nullopt, kId}),
                  row(70000, {"", "x", kId})}};
    tables[1].rows = {row(12, {kId, "900", "X5"}), row(13, {kId, "5", std::nullopt})};
    tables[2].rows = {row(40, compressor("12", "SD7V16")), row(41, compressor("13", ""))};
    tables.push_back({"notes", "create table notes(text)", {row(1, {"hello"})}});
    writeOldFile(dir.path("old.db"), tables);

    const std::string db = dir.path("new.db");
    const RunResult result = runTool({"migrate", dir.path("old.db"), db});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(tableOf(db, "Marki"),
              (std::vector<Values>{{"5", "Audi"}, {"900", "BMW"}, {"70000", ""}}));
    EXPECT_EQ(tableOf(db, "Modele"),
              (std::vector<Values>{{"12", "900", "X5"}, {"13", "5", std::nullopt}}));
    EXPECT_EQ(querySql(db, "SELECT id_kompresora, id_modelu, typ FROM kompresory"),
              "40|12|SD7V16\n41|13|");
    EXPECT_TRUE(contains(result.err, "warning: column Marki.Note is not part of the catalogue "
                                     "and was not copied\n"))
        << result.err;
    EXPECT_TRUE(contains(result.err, "warning: table notes is not part of the catalogue and was "
                                     "not copied\n"))
        << result.err;
    // New rows continue after the highest id kept.
    execSql(db, "INSERT INTO Marki (marka) VALUES ('Next')");
    EXPECT_EQ(querySql(db, "SELECT id_marki FROM Marki WHERE marka = 'Next'"), "70001");
}

TEST(Migrate, RowsWhoseParentIsMissingAreCopiedWithAWarning)
{
    TempDir dir;
    auto tables = smallCatalogue();
    tables[1].rows.push_back(row(2, {kId, "7", "Lost"}));
    tables[2].rows.push_back(row(2, compressor(std::string("9"), "X")));
    tables[2].rows.push_back(row(3, compressor(std::string("2"), "Y")));
    writeOldFile(dir.path("old.db"), tables);
    const RunResult result = runTool({"migrate", dir.path("old.db"), dir.path("new.db")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contains(result.err, "warning: 1 model(s) name a manufacturer the old file does "
                                     "not hold (first: Modele id_modelu 2, id_marki '7')"))
        << result.err;
    EXPECT_TRUE(contains(result.err, "warning: 1 compressor(s) name a model the old file does "
                                     "not hold (first: kompresory id_kompresora 2, id_modelu '9')"))
        << result.err;
    EXPECT_EQ(countRows(dir.path("new.db"), "kompresory"), 3);
}

TEST(Migrate, SettingsRowsOfTheOldFileReplaceTheDefaultRow)
{
    TempDir dir;
    auto tables = smallCatalogue();
    const Values settings{"1", "0", "1", "0", "1", "0", "1", "0", std::nullopt};

    tables[3].rows = {row(1, settings)};
    writeOldFile(dir.path("one.db"), tables);
    const RunResult one = runTool({"migrate", dir.path("one.db"), dir.path("one-new.db")});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(tableOf(dir.path("one-new.db"), "kolumny"), std::vector<Values>{settings});
    EXPECT_EQ(one.err, "");

    // None: copied as it is (the old program could not start either), with a warning.
    tables[3].rows = {};
    writeOldFile(dir.path("none.db"), tables);
    const RunResult none = runTool({"migrate", dir.path("none.db"), dir.path("none-new.db")});
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(countRows(dir.path("none-new.db"), "kolumny"), 0);
    EXPECT_TRUE(contains(none.err, "warning: kolumny has no row in the old file")) << none.err;
    EXPECT_TRUE(contains(none.out, "  kolumny     0 rows (column settings)\n")) << none.out;

    // Several: all of them, in their order.
    const Values other{"0", "0", "0", "0", "0", "0", "0", "0", "1"};
    tables[3].rows = {row(3, settings), row(8, other)};
    writeOldFile(dir.path("two.db"), tables);
    const RunResult two = runTool({"migrate", dir.path("two.db"), dir.path("two-new.db")});
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(tableOf(dir.path("two-new.db"), "kolumny"), (std::vector<Values>{settings, other}));
    EXPECT_EQ(querySql(dir.path("two-new.db"), "SELECT rowid FROM kolumny"), "3\n8");
    EXPECT_TRUE(
        contains(two.err, "warning: kolumny has 2 rows in the old file and all were copied"))
        << two.err;
}

TEST(Migrate, AValueTheNewFileWouldChangeFailsTheVerificationAndLeavesNoFile)
{
    // A model's manufacturer reference typed as 007: SQLite 2 kept the text, the new
    // schema's INTEGER column stores the number 7. The read-back comparison catches it.
    TempDir dir;
    auto tables = smallCatalogue();
    tables[1].rows = {row(1, {kId, "1", "A4"}), row(2, {kId, "007", "A6"})};
    writeOldFile(dir.path("old.db"), tables);
    const std::string db = dir.path("new.db");
    const RunResult result = runTool({"migrate", dir.path("old.db"), db});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    // (Manufacturer 7 does not exist either, which a warning says first.)
    EXPECT_TRUE(contains(result.err, "\nkelvara-db migrate: verification failed: Modele id_modelu "
                                     "2, id_marki was '007' but the new file holds '7'; " +
                                         db + " was removed\n"))
        << result.err;
    expectNoFile(db);
}

TEST(Migrate, RefusesOldFilesThatAreNotACatalogue)
{
    TempDir dir;
    const struct {
        const char* what;
        std::size_t table;
        OldTable replacement;
        std::string message;
    } cases[] = {
        {"no kolumny", 3, {"other", "create table other(a)", {}},
         " has no table kolumny; it is not a Kelvara catalogue"},
        {"a column missing", 2,
         {"kompresory",
          "create table kompresory(id_kompresora INTEGER PRIMARY KEY, id_modelu)",
          {}},
         ": table kompresory has no column pojemnosc; it is not a Kelvara catalogue"},
        // Without the INTEGER PRIMARY KEY alias the id is an ordinary stored value.
        {"an id that is no number", 0,
         {"Marki", "create table Marki(id_marki int primary key, marka)",
          {row(1, {"1", "Audi"}), row(2, {"x2", "BMW"})}},
         ": Marki row with rowid 2 has id_marki 'x2', not a whole number; the ids cannot be kept"},
        {"an id with a leading zero", 0,
         {"Marki", "create table Marki(id_marki int primary key, marka)", {row(1, {"01", "Audi"})}},
         ": Marki row with rowid 1 has id_marki '01', not a whole number"},
        {"an id twice", 0,
         {"Marki", "create table Marki(id_marki int primary key, marka)",
          {row(1, {"4", "Audi"}), row(2, {"4", "BMW"})}},
         ": Marki has more than one row with id_marki 4; the ids cannot be kept"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto tables = smallCatalogue();
        tables[c.table] = c.replacement;
        const std::string old = dir.path("old.db");
        std::filesystem::remove(old);
        writeOldFile(old, tables);
        const RunResult result = runTool({"migrate", old, dir.path("new.db")});
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(contains(result.err, "kelvara-db migrate: " + old + c.message)) << result.err;
        expectNoFile(dir.path("new.db"));
    }

    // Ids stored out of rowid order are put in order, not refused.
    auto tables = smallCatalogue();
    tables[0] = {"Marki", "create table Marki(id_marki int primary key, marka)",
                 {row(1, {"9", "Late"}), row(2, {"3", "Early"})}};
    tables[1].rows = {row(1, {kId, "9", "M"})};
    const std::string old = dir.path("ordered.db");
    writeOldFile(old, tables);
    ASSERT_EQ(runTool({"migrate", old, dir.path("ordered-new.db")}).status, 0);
    EXPECT_EQ(querySql(dir.path("ordered-new.db"), "SELECT * FROM Marki ORDER BY rowid"),
              "3|Early\n9|Late");
}

// --- refusals ------------------------------------------------------------------------------

TEST(Migrate, NeverOverwritesAndRefusesFilesItCannotRead)
{
    TempDir dir;
    const std::string fixture = fixturePath("catalogue-v2.db");
    const std::string db = dir.path("new.db");

    // NEW exists: left exactly as it was, whatever it is.
    writeFile(db, "precious");
    const RunResult exists = runTool({"migrate", fixture, db});
    EXPECT_EQ(exists.status, 1);
    EXPECT_EQ(exists.err,
              "kelvara-db migrate: " + db + " already exists; refusing to overwrite it\n");
    EXPECT_EQ(readFile(db), "precious");
    std::filesystem::remove(db);

    // OLD is not an SQLite 2 file: the dump's text, an SQLite 3 catalogue, nothing at all.
    const RunResult text = runTool({"migrate", fixturePath("catalogue-v2.sql"), db});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, "kelvara-db migrate: " + fixturePath("catalogue-v2.sql") +
                            " is not an SQLite 2 database (it does not begin with \"** This file "
                            "contains an SQLite 2.1 database **\")\n");
    makeEmpty(dir.path("three.db"));
    const RunResult three = runTool({"migrate", dir.path("three.db"), db});
    EXPECT_EQ(three.status, 1);
    EXPECT_TRUE(contains(three.err, "three.db is already an SQLite 3 database; Kelvara opens it as "
                                    "it is, there is nothing to migrate"))
        << three.err;
    const RunResult folder = runTool({"migrate", dir.dir().string(), db});
    EXPECT_EQ(folder.err, "kelvara-db migrate: " + dir.dir().string() +
                              " is a folder; name the old catalogue file in it, usually " +
                              dir.path("database.db") + "\n");
    const RunResult missing = runTool({"migrate", dir.path("nothing.db"), db});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "kelvara-db migrate: " + dir.path("nothing.db") + ": no such file\n");
    expectNoFile(db);

    // Wrong usage.
    EXPECT_EQ(runTool({"migrate", fixture}).status, 2);
    EXPECT_EQ(runTool({"migrate", "--to-utf8", fixture, db}).status, 2);
    expectNoFile(db);
}

TEST(Migrate, AHotJournalNeedsForceAndIsWarnedAbout)
{
    TempDir dir;
    const std::string old = dir.path("old.db");
    const std::string db = dir.path("new.db");
    std::filesystem::copy_file(fixturePath("catalogue-v2.db"), old);

    // An empty journal is what SQLite 2 leaves after a clean commit on some systems: fine.
    writeFile(old + "-journal", "");
    ASSERT_EQ(runTool({"migrate", old, dir.path("clean.db")}).status, 0);

    const std::string journal = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd6" + std::string(1024, 'j');
    writeFile(old + "-journal", journal);
    const RunResult refused = runTool({"migrate", old, db});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(contains(refused.err, "kelvara-db migrate: " + old + "-journal is not empty: the "
                                      "SQLite 2 program stopped in the middle of a write"))
        << refused.err;
    EXPECT_TRUE(contains(refused.err, "--force")) << refused.err;
    expectNoFile(db);

    const RunResult forced = runTool({"migrate", "--force", old, db});
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_TRUE(contains(forced.err, "warning: " + old + " may be half-written: " + old +
                                     "-journal is not empty"))
        << forced.err;
    EXPECT_EQ(countRows(db, "kompresory"), 7);
    // The journal is the only way back to a consistent file; it stays where it was.
    EXPECT_EQ(readFile(old + "-journal"), journal);
}

TEST(Migrate, ADamagedOldFileNamesThePageAndLeavesNoNewFile)
{
    TempDir dir;
    const std::string whole = readFile(fixturePath("catalogue-v2.db"));
    ASSERT_EQ(whole.size(), 10240u);
    const struct {
        std::size_t size;
        std::string message;
    } cases[] = {
        // The long compressor row runs on into page 8.
        {7 * 1024,
         ": damaged SQLite 2 file at page 5: overflow link to page 8 is outside the file"},
        {9000, ": damaged SQLite 2 file at page 9: the file ends 808 bytes into this page"},
        // So short that even a table's root page is gone.
        {6 * 1024, ": damaged SQLite 2 file at page 2: table \"kolumny\" has root page 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string old = dir.path("cut-" + std::to_string(c.size) + ".db");
        writeFile(old, whole.substr(0, c.size));
        const std::string db = dir.path("new.db");
        const RunResult result = runTool({"migrate", old, db});
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(contains(result.err, "kelvara-db migrate: " + old + c.message)) << result.err;
        EXPECT_TRUE(contains(result.err, "; nothing was written\n")) << result.err;
        EXPECT_EQ(result.out, "");
        expectNoFile(db);
    }
}

}  // namespace
}  // namespace kelvara::dbtool::testing
