// Any bytes as the shape of a catalogue file: tables, columns, views, triggers and rows made
// from the bytes as SQL text on top of the real schema. The check never throws for a file
// that exists; a table that is not there at all is named among the problems; a catalogue
// that only gained well-formed rows passes with the counts it holds.

#include "CatalogueCheck.h"
#include "FuzzCheck.h"
#include "Schema.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char* const kTables[] = {"Marki", "Modele", "kompresory", "kolumny"};

std::string scratchPath()
{
    const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    return (dir / ("kelvara-check-fuzz-" + std::to_string(getpid()) + ".db")).string();
}

std::string literal(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

// What a fuzzed step did to the file.
struct Shape {
    bool wellFormed = true;
    long long manufacturers = 0, models = 0, compressors = 0;
};

void step(sqlite3* db, FuzzedDataProvider& in, Shape& shape)
{
    const std::string table = kTables[in.ConsumeIntegralInRange<int>(0, 3)];
    const int kind = in.ConsumeIntegralInRange<int>(0, 7);
    std::string text = in.ConsumeRandomLengthString(80);
    text.resize(std::min(text.size(), text.find('\0')));
    std::string sql;
    switch (kind) {
    case 0: {  // a manufacturer, a model and a compressor as the program would write them
        static const char* const prices[] = {"NULL", "12", "12.50", "-3", "1e3", "'007'", "0.5"};
        const char* price = prices[in.ConsumeIntegralInRange<int>(0, 6)];
        sql = "INSERT INTO Marki(marka) VALUES (" + literal(text.substr(0, 40)) + ");"
              "INSERT INTO Modele(id_marki, model) VALUES (last_insert_rowid(), " + literal(text) + ");"
              "INSERT INTO kompresory(id_modelu, typ, cena_zakl, kaucja_sku, netto) VALUES "
              "(last_insert_rowid(), " + literal(text.substr(0, 10)) + ", " + price + ", " + price + ", " + price + ");";
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) {
            ++shape.manufacturers;
            ++shape.models;
            ++shape.compressors;
        } else {
            shape.wellFormed = false;
        }
        return;
    }
    case 1: sql = "DROP TABLE " + table + ";"; break;
    case 2: sql = "CREATE TABLE \"" + text + "\" (" + in.ConsumeRandomLengthString(80) + ");"; break;
    case 3: sql = "ALTER TABLE " + table + " RENAME COLUMN " + text + " TO x" + std::to_string(kind) + ";"; break;
    case 4: sql = "CREATE VIEW \"" + text + "\" AS SELECT " + in.ConsumeRandomLengthString(80) + ";"; break;
    case 5:
        sql = "CREATE TRIGGER t" + std::to_string(in.ConsumeIntegral<std::uint16_t>()) + " AFTER INSERT ON " + table
              + " BEGIN " + text + "; END;";
        break;
    case 6: sql = text; break;
    default: sql = "INSERT INTO " + table + " VALUES (" + text + ");"; break;
    }
    shape.wellFormed = false;
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// The empty catalogue's bytes, made once and written for each input, so that no input
// creates the schema.
const std::string& emptyImage(const std::string& path)
{
    static const std::string image = [&] {
        std::filesystem::remove(path);
        sqlite3* db = nullptr;
        CHECK(sqlite3_open(path.c_str(), &db) == SQLITE_OK);
        CHECK(sqlite3_exec(db, kelvara::catalogueSchemaSql().c_str(), nullptr, nullptr, nullptr) == SQLITE_OK);
        sqlite3_close(db);
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return image;
}

// Which of kTables the file holds as a table or view, by one query.
void present(sqlite3* db, bool (&found)[4])
{
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT lower(name) = 'marki', lower(name) = 'modele', lower(name) = 'kompresory', "
                       "lower(name) = 'kolumny' FROM sqlite_master WHERE type IN ('table', 'view')",
                       -1, &query, nullptr);
    for (bool& f : found)
        f = false;
    while (sqlite3_step(query) == SQLITE_ROW)
        for (int i = 0; i < 4; ++i)
            found[i] = found[i] || sqlite3_column_int(query, i) != 0;
    sqlite3_finalize(query);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = scratchPath();
    const std::string& image = emptyImage(path);
    // A stream retries a write that libFuzzer's timer interrupts.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << image;
    FuzzedDataProvider in(data, size);
    sqlite3* db = nullptr;
    CHECK(sqlite3_open(path.c_str(), &db) == SQLITE_OK);
    // This connection's writes need no journal file, no sync and no lock taken again for each
    // step: nothing else reads the file meanwhile, nor survives a crash. No setting is kept in
    // the file.
    CHECK(sqlite3_exec(db, "PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; PRAGMA locking_mode = EXCLUSIVE",
                       nullptr, nullptr, nullptr)
          == SQLITE_OK);
    Shape shape;
    for (int i = 0; i < 12 && in.remaining_bytes() > 0; ++i)
        step(db, in, shape);
    bool found[4];
    present(db, found);
    sqlite3_close(db);

    kelvara::dbtool::CheckReport report;
    try {
        report = kelvara::dbtool::checkCatalogue(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "thrown: %s\n", e.what());
        CHECK(!"the check throws for a file that exists");
    }
    for (const std::string& problem : report.problems)
        CHECK(!problem.empty());
    for (int i = 0; i < 4; ++i) {
        if (found[i])
            continue;
        bool named = false;
        for (const std::string& problem : report.problems)
            named = named || problem.find(kTables[i]) != std::string::npos;
        CHECK(named);
    }
    if (shape.wellFormed) {
        CHECK(report.problems.empty());
        CHECK(report.counted && report.manufacturers == shape.manufacturers && report.models == shape.models
              && report.compressors == shape.compressors);
    }
    std::filesystem::remove(path);
    return 0;
}
