// What kelvara-db writes into an existing catalogue, on both engines: ids that adopt no
// orphans, and a value the server refuses reported as what it is.

#include "ToolTestSupport.h"

#include "CatalogueFixture.h"

#include <gtest/gtest.h>

namespace kelvara::dbtool::testing {
namespace {

using kelvara::test::Rows;

const std::string kHeader = "Manufacturer,Model,Engine capacity,Model year from,Model year to,Compressor type,"
                            "Common part #,Kelvara part #,Kelvara Jobber $,Core deposit,Net price\r\n";

class CatalogueWritesTest : public kelvara::test::OnBothEngines<kelvara::test::CatalogueFixture> {
protected:
    void SetUp() override
    {
        CatalogueFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        makeSample(dir.path("sample.db"));
        writeFile(dir.path("sample.csv"), runTool({"export", dir.path("sample.db")}).out);
        ASSERT_EQ(runTool({"import", dir.path("sample.csv"), m_catalogue.path()}).status, 0);
    }
    RunResult import(const std::string& rows)
    {
        writeFile(dir.path("new.csv"), kHeader + rows);
        return runTool({"import", dir.path("new.csv"), m_catalogue.path()});
    }
    TempDir dir;
};

TEST_P(CatalogueWritesTest, NewIdsLieAboveEveryIdUsedOrReferred)
{
    // The highest manufacturer and the highest model removed; their dependants stay.
    m_db.exec(std::string(onServer() ? "alter table modele drop constraint modele_id_marki_fkey; alter table kompresory "
                                       "drop constraint kompresory_id_modelu_fkey; " : "")
              + "delete from marki where id_marki = 15; delete from modele where id_modelu = 60");
    const RunResult added = import("New,Car,1.6,1998,2004,FS10,x,KV-9,1,2,3\r\n");
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(m_db.query("select id_marki from marki where marka = 'New'"), (Rows{{"16"}}));
    EXPECT_EQ(m_db.query("select id_modelu, id_marki from modele where model = 'Car'"), (Rows{{"61", "16"}}));
    const RunResult checked = runTool({"check", m_catalogue.path()});
    EXPECT_NE(checked.out.find("its model (id_modelu 60) does not exist"), std::string::npos) << checked.out;
    // A copy makes the server's foreign keys, and names such rows instead.
    if (onServer()) {
        execSql(dir.path("sample.db"), "DELETE FROM Modele WHERE id_modelu = 60");
        m_db.exec("drop schema public cascade; create schema public");
        EXPECT_NE(runTool({"copy", dir.path("sample.db"), m_catalogue.path()}).err.find("(id_modelu 60) does not exist"),
                  std::string::npos);
    }
}

TEST_P(CatalogueWritesTest, AValueTheServerRefusesIsNoConflict)
{
    if (!onServer())
        GTEST_SKIP() << "a file stores every price import accepts";
    m_db.exec("alter table kompresory alter column netto type numeric(5, 2)");
    const RunResult refused = import("Ford,Focus,1.6,1998,2004,FS10,x,KV-9,1,2,1000\r\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("numeric field overflow"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("try again"), std::string::npos) << refused.err;
}

TEST_P(CatalogueWritesTest, OfTwoInitsAtOnceTheLoserIsTold)
{
    if (!onServer())
        GTEST_SKIP() << "a file is made under a temporary name of its own";
    m_db.exec("drop schema public cascade; create schema public");
    // The other init, between finding the database empty and committing its tables.
    kelvara::test::RawDb other(m_catalogue.path());
    other.exec("begin; select pg_advisory_xact_lock(hashtext('kelvara-db: creating the catalogue'))");
    const RunResult loser = runTool({"init", m_catalogue.path()});
    EXPECT_EQ(loser.status, 1);
    EXPECT_NE(loser.err.find("a catalogue is already being created there"), std::string::npos) << loser.err;
    other.exec("rollback");
    EXPECT_EQ(runTool({"init", m_catalogue.path()}).status, 0);
}

KELVARA_ON_BOTH_ENGINES(CatalogueWritesTest);

}  // namespace
}  // namespace kelvara::dbtool::testing
