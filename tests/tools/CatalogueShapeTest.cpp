// Catalogues that are not what they claim, built from SQL: check names what is wrong and
// every other command refuses them before reading or writing a row.

#include "ToolTestSupport.h"

#include "CatalogueFixture.h"

#include <gtest/gtest.h>

namespace kelvara::dbtool::testing {
namespace {

struct Hostile {
    const char* name;
    std::string sql;
    std::vector<std::string> faults;
};

// Recreates a table from its rows under another declaration.
std::string redeclared(const std::string& table, const std::string& columns, const std::string& extra = "")
{
    return "CREATE TABLE t2 (" + columns + "); INSERT INTO t2 SELECT * FROM " + table + ";" + extra + "DROP TABLE " + table
           + "; ALTER TABLE t2 RENAME TO " + table;
}

const Hostile kHostileFiles[] = {
    {"missing netto", "ALTER TABLE kompresory DROP COLUMN netto", {"table kompresory has no column netto"}},
    {"trigger",
     "CREATE TRIGGER eat AFTER INSERT ON kompresory BEGIN "
     "DELETE FROM kompresory WHERE id_kompresora = new.id_kompresora; UPDATE kompresory SET netto = '0.01'; END",
     {"trigger eat on kompresory is not the catalogue's own"}},
    {"view", "ALTER TABLE Marki RENAME TO m2; CREATE VIEW Marki AS SELECT * FROM m2", {"Marki is a view, not a table"}},
    {"duplicate ids", redeclared("Marki", "id_marki INTEGER, marka TEXT", "INSERT INTO t2 VALUES (3, 'Twin');"),
     {"table Marki: id_marki is not an INTEGER PRIMARY KEY", "table Marki: id_marki 3 is held by 2 rows"}},
    {"nocase", redeclared("Modele", "id_modelu INTEGER PRIMARY KEY, id_marki INTEGER, model TEXT COLLATE NOCASE"),
     {"table Modele compares texts with COLLATE NOCASE; the catalogue compares them byte for byte"}},
    {"foreign view", "CREATE VIEW cheap AS SELECT * FROM kompresory", {"view cheap is not the catalogue's own"}},
};

TEST(CatalogueShape, CheckNamesEachFaultAndEveryCommandRefusesIt)
{
    for (const Hostile& hostile : kHostileFiles) {
        SCOPED_TRACE(hostile.name);
        TempDir dir;
        const std::string db = dir.path("c.db");
        makeSample(db);
        execSql(db, hostile.sql);
        const std::string before = readFile(db);

        std::string expected;
        for (const std::string& fault : hostile.faults)
            expected += fault + '\n';
        const std::size_t count = hostile.faults.size();
        const RunResult checked = runTool({"check", db});
        EXPECT_EQ(checked.status, 1);
        EXPECT_EQ(checked.out, expected + db + ": " + std::to_string(count) + (count == 1 ? " problem" : " problems") + " found\n");

        makeSample(dir.path("sample.db"));
        writeFile(dir.path("in.csv"), runTool({"export", dir.path("sample.db")}).out);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"export", db}, {"import", dir.path("in.csv"), db}, {"copy", db, dir.path("copy.db")},
              {"backup", dir.path("copy.db"), db}}) {
            const RunResult refused = runTool(command);
            EXPECT_EQ(refused.status, 1) << command[0];
            EXPECT_NE(refused.err.find(hostile.faults.front()), std::string::npos) << command[0] << ": " << refused.err;
            EXPECT_EQ(refused.out, "") << command[0];
        }
        EXPECT_FALSE(std::filesystem::exists(dir.path("copy.db")));
        EXPECT_EQ(readFile(db), before);
    }
}

TEST(CatalogueShape, BackupHoldsAPageCountAgainstTheBytesStored)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    // Header and length claim 65536 pages (256 MB); the rest of the file is a hole.
    std::string bytes = readFile(db);
    bytes.replace(28, 4, std::string("\x00\x01\x00\x00", 4));
    writeFile(db, bytes);
    std::filesystem::resize_file(db, 65536 * 4096);
    const RunResult refused = runTool({"backup", dir.path("copy.db"), db});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("claims 268435456 bytes of pages but stores only "), std::string::npos) << refused.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()), {}), 1);
}

class ServerShapeTest : public kelvara::test::CatalogueFixture {
protected:
    ServerShapeTest() : CatalogueFixture(kelvara::sql::Dialect::postgres) {}
};

TEST_F(ServerShapeTest, CheckNamesAMissingIdTriggerKeyOrConstraintAndCommandsRefuse)
{
    m_db.exec("alter table modele drop constraint modele_id_marki_fkey; alter table kompresory drop constraint "
              "kompresory_id_modelu_fkey; drop trigger modele_id on modele; alter table marki drop constraint marki_pkey; "
              "create function keep_quiet() returns trigger language plpgsql as $$ begin return null; end $$; "
              "create trigger quiet before insert on kompresory for each row execute function keep_quiet(); "
              "alter table kompresory alter column nrkv type text collate \"default\"");
    const RunResult checked = runTool({"check", m_catalogue.path()});
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.out, "table marki: id_marki is not its primary key\n"
                           "table modele has no id trigger modele_id: new rows would get no id\n"
                           "table kompresory: nrkv compares with collation \"default\"; the catalogue compares texts "
                           "byte for byte (\"C\")\n"
                           "trigger quiet on kompresory is not the catalogue's own\n"
                               + m_catalogue.path() + ": 4 problems found\n");
    EXPECT_NE(checked.err.find("warning: constraint kompresory_id_modelu_fkey ("), std::string::npos) << checked.err;
    const RunResult exported = runTool({"export", m_catalogue.path()});
    EXPECT_EQ(exported.status, 1);
    EXPECT_NE(exported.err.find("table modele has no id trigger modele_id"), std::string::npos) << exported.err;
}

}  // namespace
}  // namespace kelvara::dbtool::testing
