// init, generate and backup: the commands that make new catalogue files.

#include "CatalogueBackup.h"
#include "Command.h"
#include "Generator.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

namespace kelvara::dbtool::testing {
namespace {

TEST(Init, CreatesAnEmptyCatalogueFromTheSchemaAndNeverOverwrites)
{
    TempDir dir;
    const std::string db = dir.path("new.db");
    const RunResult created = runTool({"init", db});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.out, "created " + db + " (empty catalogue)\n");
    EXPECT_EQ(querySql(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              "Marki\nModele\nkolumny\nkompresory");
    EXPECT_EQ(querySql(db, "SELECT * FROM kolumny"), "1|1|1|1|1|1|1|1|1");
    EXPECT_EQ(countRows(db, "Marki") + countRows(db, "Modele") + countRows(db, "kompresory"), 0);
    EXPECT_EQ(querySql(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                           "name LIKE 'idx_%'"),
              "5");

    // An existing catalogue, and any other file, stays exactly as it was.
    execSql(db, "INSERT INTO Marki VALUES (1, 'Keep me')");
    const std::string before = readFile(db);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"init", db}, std::vector<std::string>{"init", "--sample", db}}) {
        const RunResult again = runTool(args);
        EXPECT_EQ(again.status, 1);
        EXPECT_EQ(again.err, "kelvara-db init: " + db + " already exists; refusing to overwrite it\n");
    }
    EXPECT_EQ(readFile(db), before);

    writeFile(dir.path("notes.txt"), "");
    EXPECT_EQ(runTool({"init", dir.path("notes.txt")}).status, 1);
    EXPECT_EQ(readFile(dir.path("notes.txt")), "");

    const RunResult noDir = runTool({"init", dir.path("no/such/dir/x.db")});
    EXPECT_EQ(noDir.status, 1);
    EXPECT_NE(noDir.err.find("cannot create"), std::string::npos) << noDir.err;
}

TEST(Init, SampleIsTheSameEveryTimeAndLooksLikeAPriceList)
{
    TempDir dir;
    makeSample(dir.path("a.db"));
    makeSample(dir.path("b.db"));
    const RunResult a = runTool({"export", dir.path("a.db")});
    const RunResult b = runTool({"export", dir.path("b.db")});
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.out, b.out);

    const std::string db = dir.path("a.db");
    EXPECT_EQ(countRows(db, "Marki"), 15);
    EXPECT_EQ(countRows(db, "Modele"), 60);
    EXPECT_EQ(countRows(db, "kompresory"), 300);
    // Every model has compressors; types are upper case; Kelvara numbers are unique.
    EXPECT_EQ(querySql(db, "SELECT count(DISTINCT id_modelu) FROM kompresory"), "60");
    EXPECT_EQ(querySql(db, "SELECT count(*) FROM kompresory WHERE typ <> upper(typ)"), "0");
    EXPECT_EQ(querySql(db, "SELECT count(DISTINCT nrkv) FROM kompresory"), "300");
    EXPECT_EQ(querySql(db, "SELECT min(nrkv), max(nrkv) FROM kompresory"), "KV-10001|KV-10300");
    EXPECT_EQ(querySql(db, "SELECT count(*) FROM kompresory WHERE CAST(od AS INTEGER) > "
                           "CAST(do AS INTEGER)"),
              "0");

    // Plain numbers with two decimals: digits, a point, two digits.
    auto isPrice = [](const std::string& value) {
        const std::size_t point = value.find('.');
        if (point == std::string::npos || point == 0 || value.size() - point != 3) {
            return false;
        }
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (i != point && (value[i] < '0' || value[i] > '9')) {
                return false;
            }
        }
        return true;
    };
    const std::string prices = querySql(db, "SELECT cena_zakl, kaucja_sku, netto FROM kompresory");
    std::size_t checked = 0;
    for (std::size_t start = 0; start < prices.size();) {
        std::size_t end = prices.find_first_of("|\n", start);
        if (end == std::string::npos) {
            end = prices.size();
        }
        const std::string value = prices.substr(start, end - start);
        EXPECT_TRUE(isPrice(value)) << value;
        ++checked;
        start = end + 1;
    }
    EXPECT_EQ(checked, 900u);
    EXPECT_EQ(querySql(db, "SELECT count(*) FROM kompresory WHERE "
                           "CAST(netto AS REAL) >= CAST(cena_zakl AS REAL)"),
              "0");
}

TEST(Generate, GivesTheRequestedCountsAndTheTargetsItReports)
{
    TempDir dir;
    const std::string db = dir.path("g.db");
    const RunResult result = runTool({"generate", "--manufacturers", "40", "--models", "300",
                                      "--compressors=5000", "--seed", "7", db});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "created " + db +
                  "\n"
                  "catalogue: 40 manufacturers, 300 models, 5000 compressors (seed 7)\n"
                  "search by car: manufacturer \"Volkswagen\", model \"Golf\": 100 compressors\n"
                  "search by type: \"7SBU16C\": 1000 compressors\n"
                  "scaling types: \"10S17C\" 500, \"7SBU16C\" 1000, \"SD7V16\" 2000\n");

    EXPECT_EQ(countRows(db, "Marki"), 40);
    EXPECT_EQ(countRows(db, "Modele"), 300);
    EXPECT_EQ(countRows(db, "kompresory"), 5000);
    EXPECT_EQ(querySql(db, "SELECT count(*) FROM kompresory, Modele, Marki WHERE "
                           "kompresory.id_modelu = Modele.id_modelu AND Modele.id_marki = "
                           "Marki.id_marki AND marka = 'Volkswagen' AND model = 'Golf'"),
              "100");
    EXPECT_EQ(querySql(db, "SELECT typ, count(*) FROM kompresory WHERE typ IN "
                           "('10S17C', '7SBU16C', 'SD7V16') GROUP BY typ ORDER BY typ"),
              "10S17C|500\n7SBU16C|1000\nSD7V16|2000");
    // No other model and no other type comes near the targets.
    EXPECT_LT(std::stoll(querySql(db, "SELECT max(n) FROM (SELECT count(*) AS n FROM kompresory "
                                      "WHERE id_modelu <> 1 GROUP BY id_modelu)")),
              100);
    EXPECT_LT(std::stoll(querySql(db, "SELECT max(n) FROM (SELECT count(*) AS n FROM kompresory "
                                      "WHERE typ NOT IN ('10S17C', '7SBU16C', 'SD7V16') "
                                      "GROUP BY typ)")),
              500);
    // Unique names within a manufacturer, and every manufacturer has a model.
    EXPECT_EQ(querySql(db, "SELECT count(*) FROM (SELECT 1 FROM Modele GROUP BY id_marki, model "
                           "HAVING count(*) > 1)"),
              "0");
    EXPECT_EQ(querySql(db, "SELECT count(DISTINCT id_marki) FROM Modele"), "40");
    EXPECT_EQ(querySql(db, "SELECT count(DISTINCT marka) FROM Marki"), "40");
    EXPECT_EQ(runTool({"check", db}).status, 0);

    // --describe reports the same targets and creates nothing.
    const RunResult described = runTool({"generate", "--describe", "--manufacturers", "40",
                                         "--models", "300", "--compressors", "5000", "--seed", "7"});
    ASSERT_EQ(described.status, 0) << described.err;
    EXPECT_EQ("created " + db + "\n" + described.out, result.out);
}

TEST(Generate, SameSeedSameCatalogueOtherSeedOtherContentSameTargets)
{
    TempDir dir;
    const std::vector<std::string> options = {"--manufacturers", "30", "--models", "90",
                                              "--compressors", "2000"};
    auto generate = [&](const std::string& name, const std::string& seed) {
        std::vector<std::string> args = {"generate", "--seed", seed};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(dir.path(name));
        const RunResult result = runTool(args);
        EXPECT_EQ(result.status, 0) << result.err;
        return runTool({"export", dir.path(name)}).out;
    };
    const std::string first = generate("a.db", "11");
    const std::string again = generate("b.db", "11");
    const std::string other = generate("c.db", "12");
    EXPECT_GT(first.size(), 2000u * 40u);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    const std::string targets = "SELECT typ, count(*) FROM kompresory WHERE typ IN "
                                "('10S17C', '7SBU16C', 'SD7V16') GROUP BY typ";
    EXPECT_EQ(querySql(dir.path("a.db"), targets), querySql(dir.path("c.db"), targets));
}

TEST(Generate, EdgeCountsAndRefusals)
{
    TempDir dir;
    // One model takes everything; no compressors at all is a valid catalogue too.
    ASSERT_EQ(runTool({"generate", "--manufacturers", "1", "--models", "1", "--compressors", "10",
                       dir.path("one.db")})
                  .status,
              0);
    EXPECT_EQ(querySql(dir.path("one.db"), "SELECT marka, model, count(*) FROM kompresory "
                                           "JOIN Modele USING (id_modelu) JOIN Marki USING (id_marki)"),
              "Volkswagen|Golf|10");
    ASSERT_EQ(runTool({"generate", "--manufacturers", "5", "--models", "3", "--compressors", "0",
                       dir.path("none.db")})
                  .status,
              0);
    EXPECT_EQ(countRows(dir.path("none.db"), "Marki"), 5);
    EXPECT_EQ(countRows(dir.path("none.db"), "Modele"), 3);
    EXPECT_EQ(countRows(dir.path("none.db"), "kompresory"), 0);

    const std::string before = readFile(dir.path("one.db"));
    const RunResult exists = runTool({"generate", "--compressors", "5", dir.path("one.db")});
    EXPECT_EQ(exists.status, 1);
    EXPECT_NE(exists.err.find("already exists; refusing to overwrite it"), std::string::npos);
    EXPECT_EQ(readFile(dir.path("one.db")), before);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"generate", "--models", "0", dir.path("x.db")},
          {"generate", "--compressors", "-5", dir.path("x.db")},
          {"generate", "--compressors", "12k", dir.path("x.db")},
          {"generate", "--seed", dir.path("x.db")},
          {"generate"},
          {"generate", "--describe", dir.path("x.db")}}) {
        const RunResult bad = runTool(args);
        EXPECT_EQ(bad.status, 2) << bad.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path("x.db")));
    }
}

TEST(Generate, DefaultTargetsMatchTheBenchmarkSizes)
{
    const GenerationPlan plan = describeGeneration(GenerateOptions{});
    EXPECT_EQ(plan.carManufacturer, "Volkswagen");
    EXPECT_EQ(plan.carModel, "Golf");
    EXPECT_EQ(plan.carCompressors, 2000);
    EXPECT_EQ(plan.searchType.type, "7SBU16C");
    EXPECT_EQ(plan.searchType.compressors, 20000);
    ASSERT_EQ(plan.scalingTypes.size(), 3u);
    EXPECT_EQ(plan.scalingTypes[0].compressors, 10000);
    EXPECT_EQ(plan.scalingTypes[1].compressors, 20000);
    EXPECT_EQ(plan.scalingTypes[2].compressors, 40000);
}

// Comparing content rather than bytes: SQLite's header holds a change counter that a
// copy does not share.
std::string dumpCatalogue(const std::string& db)
{
    return querySql(db, "SELECT * FROM Marki ORDER BY 1") + "\n#\n" +
           querySql(db, "SELECT * FROM Modele ORDER BY 1") + "\n#\n" +
           querySql(db, "SELECT * FROM kompresory ORDER BY 1") + "\n#\n" +
           querySql(db, "SELECT * FROM kolumny") + "\n#\n" +
           querySql(db, "SELECT type, name, sql FROM sqlite_master ORDER BY name");
}

TEST(Backup, CopiesTheWholeCatalogueAndNeverOverwrites)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    execSql(db, "UPDATE kolumny SET price = '0'");
    const RunResult result = runTool({"backup", dir.path("copy.db"), db});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("copied " + db + " to " + dir.path("copy.db") + " (", 0), 0u);
    EXPECT_EQ(dumpCatalogue(dir.path("copy.db")), dumpCatalogue(db));
    EXPECT_EQ(runTool({"check", dir.path("copy.db")}).status, 0);

    const std::string before = readFile(dir.path("copy.db"));
    const RunResult again = runTool({"backup", dir.path("copy.db"), db});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already exists; refusing to overwrite it"), std::string::npos);
    EXPECT_EQ(readFile(dir.path("copy.db")), before);

    const RunResult missing = runTool({"backup", dir.path("other.db"), dir.path("none.db")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.path("other.db")));
}

// A writer on its own connection adds compressors in pairs, one transaction per pair,
// while backups are taken: every copy must hold whole pairs only.
TEST(Backup, TakesConsistentSnapshotsWhileAnotherConnectionWrites)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        sqlite3* handle = nullptr;
        sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(handle, 10000);
        // Without syncs a commit holds the file only for moments, so the writer keeps
        // writing throughout instead of leaving the copies long quiet gaps.
        sqlite3_exec(handle, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
        while (!stop) {
            const int rc = sqlite3_exec(
                handle,
                "BEGIN IMMEDIATE;"
                "INSERT INTO kompresory (id_modelu, typ, nrkv) VALUES (1, 'PAIR', 'a');"
                "INSERT INTO kompresory (id_modelu, typ, nrkv) VALUES (1, 'PAIR', 'b');"
                "COMMIT;",
                nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) {
                sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sqlite3_close(handle);
    });
    std::set<long long> seen;
    for (int i = 0; i < 8; ++i) {
        const std::string copy = dir.path("copy" + std::to_string(i) + ".db");
        EXPECT_NO_THROW(backupCatalogue(db, copy));
        const long long paired = std::stoll(querySql(copy, "SELECT count(*) FROM kompresory WHERE typ = 'PAIR'"));
        EXPECT_EQ(paired % 2, 0) << "copy " << i << " caught a transaction half done";
        EXPECT_EQ(countRows(copy, "kompresory"), 300 + paired);
        seen.insert(paired);
    }
    stop = true;
    writer.join();
    EXPECT_GT(seen.size(), 1u) << "no writes happened between the copies";
}

// A backup copies damage along with everything else; the copy says so and is kept only
// under a name that does.
TEST(Backup, ADamagedCatalogueIsKeptOnlyAsDamagedAndFails)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    const long long root = std::stoll(
        querySql(db, "SELECT rootpage FROM sqlite_master WHERE name = 'idx_kompresory_typ'"));
    const long long pageSize = std::stoll(querySql(db, "PRAGMA page_size"));
    std::string bytes = readFile(db);
    std::fill_n(bytes.begin() + (root - 1) * pageSize, pageSize, '\0');
    writeFile(db, bytes);

    const RunResult result = runTool({"backup", dir.path("copy.db"), db});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("damaged: the copy of " + db + " fails SQLite's integrity check"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("kept as " + dir.path("copy.db.damaged")), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path("copy.db")));
    EXPECT_TRUE(std::filesystem::exists(dir.path("copy.db.damaged")));
    EXPECT_TRUE(readFile(db) == bytes) << "the source must stay as it was";

    // Neither name is ever overwritten.
    const RunResult again = runTool({"backup", dir.path("copy.db"), db});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("copy.db.damaged already exists"), std::string::npos) << again.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("copy.db")));
}

TEST(Backup, WaitsForAWriterThatHoldsTheFileAndGivesUpCleanly)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);

    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open_v2(db.c_str(), &writer, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    // An exclusive lock keeps every reader out until it is released.
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE; INSERT INTO Marki (marka) VALUES ('Late');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);

    try {
        backupCatalogue(db, dir.path("impatient.db"), std::chrono::milliseconds(200));
        ADD_FAILURE() << "copied a file that was locked";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("stayed locked by another process"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("impatient.db")));

    std::thread release([writer] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(backupCatalogue(db, dir.path("patient.db"), std::chrono::seconds(20)));
    const auto waited = std::chrono::steady_clock::now() - start;
    release.join();
    sqlite3_close(writer);
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_EQ(querySql(dir.path("patient.db"), "SELECT count(*) FROM Marki WHERE marka = 'Late'"), "1");
}

}  // namespace
}  // namespace kelvara::dbtool::testing
