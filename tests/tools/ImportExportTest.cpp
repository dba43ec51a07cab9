#include "Csv.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kelvara::dbtool::testing {
namespace {

const std::string kHeader =
    "Manufacturer,Model,Engine capacity,Model year from,Model year to,Compressor type,"
    "Common part #,Kelvara part #,Kelvara Jobber $,Core deposit,Net price\r\n";

TEST(Export, SampleRoundTripThroughAnEmptyCatalogueKeepsEveryByte)
{
    TempDir dir;
    makeSample(dir.path("sample.db"));
    const RunResult first = runTool({"export", "--output", dir.path("first.csv"), dir.path("sample.db")});
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string csv = readFile(dir.path("first.csv"));
    ASSERT_EQ(csv.compare(0, kHeader.size(), kHeader), 0);
    // 300 rows and a header, every line ended by CRLF and nothing else.
    std::size_t crlf = 0;
    std::size_t lf = 0;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        lf += csv[i] == '\n';
        crlf += csv[i] == '\n' && i > 0 && csv[i - 1] == '\r';
    }
    EXPECT_EQ(lf, 301u);
    EXPECT_EQ(crlf, lf);

    makeEmpty(dir.path("copy.db"));
    const RunResult import = runTool({"import", dir.path("first.csv"), dir.path("copy.db")});
    ASSERT_EQ(import.status, 0) << import.err;
    EXPECT_EQ(import.out, "created 15 manufacturers, 60 models and 300 compressors\n");

    const RunResult second = runTool({"export", dir.path("copy.db")});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, csv);
    EXPECT_FALSE(std::filesystem::exists(dir.path("first.csv.partial")));
}

// Texts a spreadsheet would run as formulas leave with an apostrophe in front and come back
// without it; prices stay plain numbers. Export -> import -> export gives the same bytes.
TEST(Export, FormulaTriggersAreGuardedAndComeBackExactly)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeEmpty(db);
    const std::vector<std::string> texts = {
        "=HYPERLINK(\"http://x\",\"y\")", "+cmd", "-1.6", "@SUM(A1)", "\tTab", "\rCR", "'=x",
        "''+y", "'abc", "'", "plain", "=" + std::string(255, 'z')};
    execSql(db, "INSERT INTO Marki VALUES (1, '=1+1');"
                "INSERT INTO Modele VALUES (1, 1, '@model');");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string values = "'" + std::to_string(i + 1) + "', '1'";
        for (int column = 0; column < 6; ++column) {
            std::string text = texts[(i + static_cast<std::size_t>(column)) % texts.size()];
            std::string quoted;
            for (char c : text) {
                quoted += c == '\'' ? "''" : std::string(1, c);
            }
            values += ", '" + quoted + "'";
        }
        execSql(db, "INSERT INTO kompresory VALUES (" + values + ", '-5', '+1', '-1e3');");
    }

    const RunResult first = runTool({"export", db});
    ASSERT_EQ(first.status, 0) << first.err;
    CsvReader reader(first.out);
    CsvRecord record;
    std::size_t records = 0;
    while (reader.next(record)) {
        if (++records == 1) {
            continue;  // the header
        }
        for (std::size_t i = 0; i < record.fields.size(); ++i) {
            const std::string& text = record.fields[i].text;
            if (i >= 8) {
                EXPECT_TRUE(text == "-5" || text == "+1" || text == "-1e3") << text;
            } else if (!text.empty()) {
                EXPECT_EQ(std::string("=+-@\t\r").find(text[0]), std::string::npos) << text;
            }
        }
    }
    EXPECT_EQ(records, texts.size() + 1);

    writeFile(dir.path("out.csv"), first.out);
    makeEmpty(dir.path("copy.db"));
    ASSERT_EQ(runTool({"import", dir.path("out.csv"), dir.path("copy.db")}).status, 0);
    EXPECT_EQ(querySql(dir.path("copy.db"), "SELECT group_concat(typ, '|') FROM kompresory"),
              querySql(db, "SELECT group_concat(typ, '|') FROM kompresory"));
    EXPECT_EQ(querySql(dir.path("copy.db"), "SELECT marka FROM Marki"), "=1+1");
    EXPECT_EQ(runTool({"export", dir.path("copy.db")}).out, first.out);
}

// Old prices that are no numbers (migrate keeps them) are guarded like any text.
TEST(Export, PricesThatAreNoNumbersAreGuardedToo)
{
    TempDir dir;
    makeEmpty(dir.path("c.db"));
    execSql(dir.path("c.db"), "INSERT INTO Marki VALUES (1, 'A'); INSERT INTO Modele VALUES (1, 1, 'B');"
                              "INSERT INTO kompresory (id_modelu, cena_zakl, kaucja_sku, netto) "
                              "VALUES (1, '=HYPERLINK(\"x\")', '@SUM(A1)', '-2')");
    EXPECT_EQ(runTool({"export", dir.path("c.db")}).out, kHeader + "A,B,,,,,,,\"'=HYPERLINK(\"\"x\"\")\",'@SUM(A1),-2\r\n");
}

TEST(Export, OrdersByIdsWritesNullAsEmptyAndLeavesOutOrphans)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeEmpty(db);
    execSql(db,
            "INSERT INTO Marki VALUES (1, 'Zastava'), (2, 'Alfa, \"Romeo\"');"
            "INSERT INTO Modele VALUES (5, 2, '159'), (3, 1, 'Yugo'), (4, 1, 'Florida');"
            // Inserted out of id order on purpose.
            "INSERT INTO kompresory VALUES (9, 5, '1.9 JTD', '2005', '2011', 'SD7V16', "
            "  'line1\nline2', 'KV-1', '12.50', NULL, '');"
            "INSERT INTO kompresory VALUES (2, 4, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
            "INSERT INTO kompresory VALUES (7, 3, '1.1', '1985', '2008', 'SD5H09', '', 'KV-2', '007', '0', '-1e3');"
            "INSERT INTO kompresory VALUES (1, 3, '1.3', '1990', '1999', 'SD5H09', 'x', 'KV-3', '1', '2', '3');"
            "INSERT INTO kompresory VALUES (8, 77, 'orphan', '', '', '', '', '', '', '', '');");
    const RunResult result = runTool({"export", db});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              kHeader +
                  "Zastava,Yugo,1.3,1990,1999,SD5H09,x,KV-3,1,2,3\r\n"
                  "Zastava,Yugo,1.1,1985,2008,SD5H09,\"\",KV-2,007,0,-1e3\r\n"
                  "Zastava,Florida,,,,,,,,,\r\n"
                  "\"Alfa, \"\"Romeo\"\"\",159,1.9 JTD,2005,2011,SD7V16,\"line1\nline2\",KV-1,12.50,,\"\"\r\n");
    EXPECT_NE(result.err.find("warning: 1 compressors left out"), std::string::npos) << result.err;
}

TEST(Import, FindsExistingNamesCreatesMissingOnesAndKeepsExactBytes)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeEmpty(db);
    // Two manufacturers share a name: the one with the lower id is used. "Focus" exists
    // under the second Ford only, so the first Ford gets a new Focus.
    execSql(db,
            "INSERT INTO Marki VALUES (4, 'Ford'), (2, 'Ford'), (3, 'Opel');"
            "INSERT INTO Modele VALUES (10, 4, 'Focus'), (11, 2, 'Mondeo'), (12, 3, 'Astra');");
    const std::string csv =
        kHeader +
        "Ford,Mondeo,2.0,1996,2000,VS16,,KV-1,12.50,007,\r\n"
        "Ford,Focus,1.6,1998,2004,FS10,\"\",KV-2,,,1e3\r\n"
        "Opel,Astra,1.7 CDTI,2004,2009,CVC,13 12 34,KV-3,-5,+4,.5\r\n"
        "opel,Astra,1.4,2004,2009,CVC,x,KV-4,1,1,1\r\n"
        "Opel,Corsa,1.2,2000,2006,V5,y,KV-5,1,1,1\r\n"
        "Opel,Corsa,1.3,2000,2006,V5,z,KV-6,1,1,1\r\n";
    writeFile(dir.path("in.csv"), csv);

    const RunResult dry = runTool({"import", "--dry-run", dir.path("in.csv"), db});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out,
              "would create 1 manufacturers, 3 models and 6 compressors (dry run: nothing "
              "written)\n");

    const RunResult result = runTool({"import", dir.path("in.csv"), db});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "created 1 manufacturers, 3 models and 6 compressors\n");

    EXPECT_EQ(querySql(db, "SELECT id_marki, marka FROM Marki ORDER BY id_marki"),
              "2|Ford\n3|Opel\n4|Ford\n5|opel");
    EXPECT_EQ(querySql(db, "SELECT id_modelu, id_marki, model FROM Modele ORDER BY id_modelu"),
              "10|4|Focus\n11|2|Mondeo\n12|3|Astra\n13|2|Focus\n14|5|Astra\n15|3|Corsa");
    EXPECT_EQ(querySql(db,
                       "SELECT id_modelu, nrkv, quote(nr_f_s), quote(cena_zakl), "
                       "quote(kaucja_sku), quote(netto) FROM kompresory ORDER BY id_kompresora"),
              "11|KV-1|NULL|'12.50'|'007'|NULL\n"
              "13|KV-2|''|NULL|NULL|'1e3'\n"
              "12|KV-3|'13 12 34'|'-5'|'+4'|'.5'\n"
              "14|KV-4|'x'|'1'|'1'|'1'\n"
              "15|KV-5|'y'|'1'|'1'|'1'\n"
              "15|KV-6|'z'|'1'|'1'|'1'");
}

TEST(Import, LfAndCrlfFilesImportTheSame)
{
    TempDir dir;
    const std::string rows =
        "Kia,Rio,1.4,2005,2011,HS15,\"multi\nline\",KV-1,1.00,2.00,3.00\n"
        "Kia,Ceed,1.6,2007,2012,HS18,p,KV-2,4.00,5.00,6.00\n";
    std::string crlfRows;
    for (char c : rows) {
        crlfRows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    std::string lfHeader = kHeader.substr(0, kHeader.size() - 2) + "\n";
    writeFile(dir.path("lf.csv"), lfHeader + rows);
    writeFile(dir.path("crlf.csv"), kHeader + crlfRows);
    makeEmpty(dir.path("lf.db"));
    makeEmpty(dir.path("crlf.db"));
    ASSERT_EQ(runTool({"import", dir.path("lf.csv"), dir.path("lf.db")}).status, 0);
    ASSERT_EQ(runTool({"import", dir.path("crlf.csv"), dir.path("crlf.db")}).status, 0);

    const std::string query = "SELECT id_kompresora, id_modelu, pojemnosc, od, do, typ, nrkv, "
                              "cena_zakl, kaucja_sku, netto FROM kompresory ORDER BY 1";
    EXPECT_EQ(querySql(dir.path("lf.db"), query), querySql(dir.path("crlf.db"), query));
    // Line ends inside a quoted field are data and are kept as they were written.
    EXPECT_EQ(querySql(dir.path("lf.db"), "SELECT hex(nr_f_s) FROM kompresory WHERE nrkv = 'KV-1'"),
              "6D756C74690A6C696E65");
    EXPECT_EQ(querySql(dir.path("crlf.db"), "SELECT hex(nr_f_s) FROM kompresory WHERE nrkv = 'KV-1'"),
              "6D756C74690D0A6C696E65");
}

TEST(Import, RefusesABadRowWithItsLineAndLeavesTheCatalogueUntouched)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    const std::string before = readFile(db);
    const std::string good = "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00,3.00\r\n";

    const struct {
        std::string body;  // after the header unless it starts with the header itself
        std::string expected;
    } cases[] = {
        {good + "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00\r\n",
         "line 3: expected 11 fields, found 10"},
        {good + good + "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00,3.00,extra\r\n",
         "line 4: expected 11 fields, found 12"},
        {good + "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,\"12,50\",2.00,3.00\r\n",
         "line 3: Kelvara Jobber $ \"12,50\" is not a plain number"},
        {"Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1.00,$2,3.00\r\n",
         "line 2: Core deposit \"$2\" is not a plain number"},
        {"Ford,Focus,1.6,1998,2004,FS10,\"multi\r\nline\",KV-9,1.00,2.00,\" 3\"\r\n",
         "line 3: Net price \" 3\" is not a plain number"},
        {"Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00,\"\"\r\n",
         "line 2: Net price \"\" is not a plain number"},
        {good + ",Focus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00,3.00\r\n",
         "line 3: the manufacturer name is missing"},
        {good + "Ford,\"\",1.6,1998,2004,FS10,x,KV-9,1.00,2.00,3.00\r\n",
         "line 3: the model name is missing"},
        {good + "Ford,Focus,1.6,1998,2004,FS10,\"open,KV-9,1.00,2.00,3.00\r\n" + good,
         "line 3: unterminated quoted field"},
        {good + good + "Ford,Focus,1.6,1998,2004,\"FS\xC3\r\n10\",x,KV-9,1.00,2.00,3.00\r\n",
         "line 4: invalid UTF-8"},
        {good + "Ford,Fo\"cus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00,3.00\r\n",
         "line 3: quote character inside an unquoted field"},
        {good + "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00,1e999\r\n",
         "line 3: Net price \"1e999\" is too large: a price is less than 10^15"},
        {good + "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,-1E+400,2.00,3.00\r\n",
         "line 3: Kelvara Jobber $ \"-1E+400\" is too large: a price is less than 10^15"},
        {good + "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1,2,1e-99999999999999999999\r\n",
         "line 3: Net price \"1e-99999999999999999999\" is too small: a price other than 0 is at least 10^-20"},
        {good + "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1,0." + std::string(20'000'000, '0') + ",3\r\n",
         "line 3: Core deposit \"0." + std::string(38, '0') + "...\" is longer than 32 characters"},
        {good + "Ford," + std::string(257, 'M') + ",1.6,1998,2004,FS10,x,KV-9,1,2,3\r\n",
         "line 3: Model is 257 bytes long; at most 256 are allowed"},
        {good + "Ford,Focus,1.6,1998,2004,FS10,x,\"'" + std::string(257, '=') + "\",1,2,3\r\n",
         "line 3: Kelvara part # is 257 bytes long; at most 256 are allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        writeFile(dir.path("bad.csv"), kHeader + c.body);
        for (bool dryRun : {false, true}) {
            std::vector<std::string> args = {"import", dir.path("bad.csv"), db};
            if (dryRun) {
                args.insert(args.begin() + 1, "--dry-run");
            }
            const RunResult result = runTool(args);
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, "kelvara-db import: " + dir.path("bad.csv") + ": " +
                                      c.expected + "; nothing was imported\n");
        }
    }
    EXPECT_EQ(readFile(db), before) << "a refused import must not change a byte";
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));
}

TEST(Import, RefusesAWrongHeaderOrAnEmptyFile)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeEmpty(db);
    const std::string before = readFile(db);
    const std::string row = "Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1.00,2.00,3.00\r\n";
    // What a spreadsheet's "Unicode text" writes: UTF-16, little- or big-endian.
    const auto utf16 = [&](std::string mark, bool little) {
        for (char c : kHeader + row) {
            mark += little ? std::string{c, '\0'} : std::string{'\0', c};
        }
        return mark;
    };
    const std::string utf16Message = "line 1: the file is in UTF-16 (what a spreadsheet's "
                                     "\"Unicode text\" writes), not UTF-8; in the spreadsheet "
                                     "save it as \"CSV UTF-8";
    const struct {
        std::string file;
        std::string expected;
    } cases[] = {
        {utf16("\xFF\xFE", true), utf16Message},
        {utf16("", true), utf16Message},
        {utf16("\xFE\xFF", false), utf16Message},
        {row, "line 1: the header row must be: Manufacturer,Model,"},
        {"manufacturer" + kHeader.substr(12), "line 1: the header row must be"},
        {kHeader.substr(0, kHeader.size() - 12) + "\r\n" + row, "line 1: the header row must be"},
        {"", "line 1: the file is empty; a header row is expected"},
        {"\r\n\r\n", "line 1: the file is empty"},
    };
    for (const auto& c : cases) {
        writeFile(dir.path("bad.csv"), c.file);
        const RunResult result = runTool({"import", dir.path("bad.csv"), db});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.expected), std::string::npos) << result.err;
    }
    EXPECT_EQ(readFile(db), before);

    // A header alone is a valid file with nothing in it.
    writeFile(dir.path("header.csv"), kHeader);
    const RunResult empty = runTool({"import", dir.path("header.csv"), db});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out, "created 0 manufacturers, 0 models and 0 compressors\n");
}

TEST(Import, DryRunWritesNothingAndReportsWhatWouldBeCreated)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    ASSERT_EQ(runTool({"export", "--output", dir.path("all.csv"), db}).status, 0);
    const std::string before = readFile(db);
    std::string csv = readFile(dir.path("all.csv"));
    csv += "Volkswagen,Golf,1.4,2000,2004,PXE16,x,KV-1,1,1,1\r\n";      // both exist
    csv += "Volkswagen,ID.3,EV,2020,2024,ES27C,y,KV-2,1,1,1\r\n";        // new model
    csv += "Rover,75,2.0 CDT,1999,2005,SD7V16,z,KV-3,1,1,1\r\n";         // new make and model
    csv += "Rover,75,1.8,1999,2005,SD7V16,z,KV-4,1,1,1\r\n";             // same again
    writeFile(dir.path("more.csv"), csv);

    const RunResult dry = runTool({"import", "--dry-run", dir.path("more.csv"), db});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out,
              "would create 1 manufacturers, 2 models and 304 compressors (dry run: nothing "
              "written)\n");
    EXPECT_EQ(readFile(db), before);
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));

    const RunResult real = runTool({"import", dir.path("more.csv"), db});
    ASSERT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(real.out, "created 1 manufacturers, 2 models and 304 compressors\n");
    EXPECT_EQ(countRows(db, "kompresory"), 604);
    EXPECT_EQ(countRows(db, "Marki"), 16);
    EXPECT_EQ(countRows(db, "Modele"), 62);
}

TEST(Import, NeedsAnExistingCatalogue)
{
    TempDir dir;
    writeFile(dir.path("in.csv"), kHeader);
    const RunResult missing = runTool({"import", dir.path("in.csv"), dir.path("nope.db")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nope.db: no such file"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("nope.db")));

    execSql(dir.path("other.db"), "CREATE TABLE t (x)");
    const RunResult other = runTool({"import", dir.path("in.csv"), dir.path("other.db")});
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("is not a Kelvara catalogue"), std::string::npos) << other.err;

    const RunResult noCsv = runTool({"import", dir.path("none.csv"), dir.path("other.db")});
    EXPECT_EQ(noCsv.status, 1);
    EXPECT_NE(noCsv.err.find("cannot read"), std::string::npos) << noCsv.err;
}

}  // namespace
}  // namespace kelvara::dbtool::testing
