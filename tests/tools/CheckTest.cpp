#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kelvara::dbtool::testing {
namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

TEST(Check, PassesASoundCatalogue)
{
    TempDir dir;
    makeSample(dir.path("sample.db"));
    makeEmpty(dir.path("empty.db"));

    const RunResult sample = runTool({"check", dir.path("sample.db")});
    EXPECT_EQ(sample.status, 0) << sample.out;
    EXPECT_EQ(sample.out,
              "ok: " + dir.path("sample.db") + ": 15 manufacturers, 60 models, 300 compressors\n");

    // NULL prices, numbers written bare (stored as text by the TEXT columns) and names
    // that differ in case from the declared columns are all fine.
    execSql(dir.path("empty.db"),
            "INSERT INTO Marki VALUES (1, 'Ford');"
            "INSERT INTO Modele VALUES (1, 1, 'Ka');"
            "INSERT INTO kompresory VALUES (1, 1, '', '', '', '', '', '', NULL, 12.5, -3);");
    const RunResult empty = runTool({"check", dir.path("empty.db")});
    EXPECT_EQ(empty.status, 0) << empty.out;
    EXPECT_EQ(empty.out.rfind("ok: ", 0), 0u) << empty.out;
}

TEST(Check, FindsEachPlantedFaultOnItsOwnLine)
{
    const struct {
        const char* name;
        const char* sql;
        std::string expected;
    } faults[] = {
        {"missing table", "DROP TABLE kolumny", "table kolumny is missing"},
        {"missing column",
         "ALTER TABLE kompresory DROP COLUMN netto",
         "table kompresory has no column netto"},
        {"two settings rows", "INSERT INTO kolumny SELECT * FROM kolumny",
         "table kolumny holds 2 rows; exactly one is expected"},
        {"no settings row", "DELETE FROM kolumny",
         "table kolumny holds 0 rows; exactly one is expected"},
        {"orphan model", "INSERT INTO Modele VALUES (900, 777, 'Lost')",
         "model 900 \"Lost\": its manufacturer (id_marki 777) does not exist"},
        {"model without manufacturer id", "INSERT INTO Modele VALUES (901, NULL, 'Nobody')",
         "model 901 \"Nobody\": its manufacturer (id_marki none) does not exist"},
        {"orphan compressor",
         "INSERT INTO kompresory (id_kompresora, id_modelu) VALUES (5000, 4242)",
         "compressor 5000: its model (id_modelu 4242) does not exist"},
        {"bad jobber price", "UPDATE kompresory SET cena_zakl = '12,50' WHERE id_kompresora = 7",
         "compressor 7: Kelvara Jobber $ \"12,50\" is not a plain number"},
        {"bad core deposit", "UPDATE kompresory SET kaucja_sku = '' WHERE id_kompresora = 8",
         "compressor 8: Core deposit \"\" is not a plain number"},
        {"bad net price", "UPDATE kompresory SET netto = x'3132' WHERE id_kompresora = 9",
         "compressor 9: Net price \"12\" is not a plain number"},
        {"infinite price stored as text", "UPDATE kompresory SET netto = '1e999' WHERE id_kompresora = 10",
         "compressor 10: Net price \"1e999\" is too large: a price is less than 10^15"},
        {"infinite price stored as a number", "UPDATE kompresory SET netto = 1e999 WHERE id_kompresora = 11",
         "compressor 11: Net price \"Inf\" is not a plain number"},
        {"long part number", "UPDATE kompresory SET nrkv = printf('%.300c', 'x') WHERE id_kompresora = 12",
         "compressor 12: Kelvara part # is 300 bytes long; at most 256 are allowed"},
        {"long manufacturer name", "UPDATE Marki SET marka = zeroblob(1000) WHERE id_marki = 3",
         "manufacturer 3: Manufacturer is 1000 bytes long; at most 256 are allowed"},
        {"long model name", "UPDATE Modele SET model = printf('%.257c', 'x') WHERE id_modelu = 4",
         "model 4: Model is 257 bytes long; at most 256 are allowed"},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        TempDir dir;
        const std::string db = dir.path("c.db");
        makeSample(db);
        execSql(db, fault.sql);
        const RunResult result = runTool({"check", db});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(lines(result.out),
                  (std::vector<std::string>{fault.expected, db + ": 1 problem found"}));
    }
}

TEST(Check, ReportsDamagedAndForeignFiles)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    // Overwrite the middle of the file, where the compressor pages are.
    std::string bytes = readFile(db);
    ASSERT_GT(bytes.size(), 8192u);
    for (std::size_t i = 4096; i < 4096 + 2048; ++i) {
        bytes[i] = static_cast<char>(0xA5);
    }
    writeFile(db, bytes);
    const RunResult damaged = runTool({"check", db});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.out.rfind("damaged file: ", 0), 0u) << damaged.out;

    writeFile(dir.path("text.db"), "Manufacturer,Model\r\nthis is no database at all\r\n");
    const RunResult text = runTool({"check", dir.path("text.db")});
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find("file is not a database"), std::string::npos) << text.out;

    writeFile(dir.path("old.db"),
              "** This file contains an SQLite 2.1 database **" + std::string(1000, '\0'));
    // check and backup name the command that converts it, as Kelvara's start-up does.
    const RunResult old = runTool({"check", dir.path("old.db")});
    EXPECT_EQ(old.status, 1);
    const std::string convert = "written by SQLite 2, which this tool and Kelvara cannot open. "
                                "Convert it once with\n    kelvara-db migrate " +
                                dir.path("old.db") + " new.db\n";
    EXPECT_NE(old.out.find(convert), std::string::npos) << old.out;
    const RunResult backup = runTool({"backup", dir.path("copy.db"), dir.path("old.db")});
    EXPECT_EQ(backup.status, 1);
    EXPECT_NE(backup.err.find(convert), std::string::npos) << backup.err;

    const RunResult folder = runTool({"check", dir.dir().string()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.out.find(" is a folder, not a catalogue file"), std::string::npos);

    const RunResult missing = runTool({"check", dir.path("missing.db")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("missing.db: no such file"), std::string::npos);
}

TEST(Check, ListsMixedFaultsAndCapsLongLists)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    execSql(db,
            "UPDATE kompresory SET netto = 'n/a' WHERE id_kompresora <= 60;"
            "UPDATE kompresory SET id_modelu = 999 WHERE id_kompresora = 300;"
            "INSERT INTO kolumny SELECT * FROM kolumny;");
    const RunResult result = runTool({"check", db});
    EXPECT_EQ(result.status, 1);
    const auto out = lines(result.out);
    // 1 settings + 1 orphan + 50 prices + "... and 10 more" + summary
    ASSERT_EQ(out.size(), 54u) << result.out;
    EXPECT_EQ(out[0], "table kolumny holds 2 rows; exactly one is expected");
    EXPECT_EQ(out[1], "compressor 300: its model (id_modelu 999) does not exist");
    EXPECT_EQ(out[2], "compressor 1: Net price \"n/a\" is not a plain number");
    EXPECT_EQ(out[51], "compressor 50: Net price \"n/a\" is not a plain number");
    EXPECT_EQ(out[52], "... and 10 more prices out of bounds or not plain numbers");
    EXPECT_EQ(out[53], db + ": 53 problems found");
}

TEST(Check, OpensTheCatalogueReadOnly)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    execSql(db, "DROP TABLE Marki");
    const std::string before = readFile(db);
    const RunResult result = runTool({"check", db});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(lines(result.out),
              (std::vector<std::string>{"table Marki is missing", db + ": 1 problem found"}));
    EXPECT_EQ(readFile(db), before);
}

}  // namespace
}  // namespace kelvara::dbtool::testing
