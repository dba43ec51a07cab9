// kelvara-db on catalogues on the PostgreSQL test server: init, copy in both directions,
// and the file commands (check, export, import, backup) on a server catalogue.

#include "ToolTestSupport.h"

#include "CatalogueFixture.h"

#include <gtest/gtest.h>

namespace kelvara::dbtool::testing {
namespace {

using kelvara::sql::Dialect;
using kelvara::test::RawDb;
using kelvara::test::TempCatalogue;

// Every row of every table, every value as text, in id order.
kelvara::test::Rows everything(const std::string& catalogue)
{
    RawDb db(catalogue);
    kelvara::test::Rows all;
    for (const char* sql :
         {"select id_marki, marka from marki order by 1", "select id_modelu, id_marki, model from modele order by 1",
          "select id_kompresora, id_modelu, pojemnosc, od, \"do\", typ, nr_f_s, nrkv, cena_zakl, kaucja_sku, netto "
          "from kompresory order by 1",
          "select manufacturer, capacity, year, type, common, kelvara, jobber, deposit, price from kolumny"}) {
        for (auto& row : db.query(sql))
            all.push_back(std::move(row));
        all.push_back({"--"});
    }
    return all;
}

// The catalogue on the server is made from the template, as 'init' makes it.
class ServerCatalogueTest : public kelvara::test::CatalogueFixture {
protected:
    ServerCatalogueTest() : CatalogueFixture(Dialect::postgres) {}
    const TempCatalogue& server = m_catalogue;
    TempDir dir;
};

TEST_F(ServerCatalogueTest, CopyFileToServerToFileKeepsEveryField)
{
    const std::string first = dir.path("first.db");
    makeSample(first);
    // Values the server must carry byte for byte, prices with their decimals, a hidden column.
    execSql(first, "insert into Marki (marka) values ('O''Neil \"GT\" \\ ż'); update kolumny set year = '0'");
    execSql(first, "insert into kompresory (id_modelu, pojemnosc, nrkv, cena_zakl) values (1, '', 'KV-x', '12.50')");

    RunResult toServer = runTool({"copy", first, server.path()});
    ASSERT_EQ(toServer.status, 0) << toServer.err;
    EXPECT_NE(toServer.out.find("16 manufacturers, 60 models, 301 compressors (verified)"), std::string::npos)
        << toServer.out;
    const std::string last = dir.path("last.db");
    RunResult back = runTool({"copy", server.path(), last});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(everything(last), everything(first));

    // The server's next id follows the copied ones.
    RawDb db(server.path());
    EXPECT_EQ(db.insertManufacturer("Next"), 17);

    // Neither a server catalogue nor a file is ever overwritten.
    const auto before = everything(server.path());
    RunResult again = runTool({"copy", first, server.path()});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already holds a catalogue"), std::string::npos) << again.err;
    EXPECT_EQ(everything(server.path()), before);
    EXPECT_EQ(runTool({"copy", server.path(), first}).status, 1);
}

TEST_F(ServerCatalogueTest, InitCreatesTheCatalogueInAnEmptyDatabaseOnly)
{
    RawDb db(server.path());
    db.exec("drop schema public cascade; create schema public");
    RunResult made = runTool({"init", server.path()});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(db.query("select manufacturer, price from kolumny"), (kelvara::test::Rows{{"1", "1"}}));
    EXPECT_EQ(db.insertManufacturer("First"), 1);
    RunResult twice = runTool({"init", server.path()});
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(db.scalar("select marka from marki"), "First");
    EXPECT_EQ(runTool({"init", "--sample", server.path()}).status, 2);

    // A generated catalogue goes onto an empty server database the same way.
    db.exec("drop schema public cascade; create schema public");
    RunResult generated = runTool({"generate", "--manufacturers", "3", "--models", "6", "--compressors", "20",
                                   server.path()});
    ASSERT_EQ(generated.status, 0) << generated.err;
    EXPECT_EQ(db.scalar("select count(*) from kompresory"), "20");
    EXPECT_EQ(runTool({"generate", server.path()}).status, 1);
}

TEST_F(ServerCatalogueTest, CheckExportImportAndBackupWorkOnTheServer)
{
    const std::string sample = dir.path("sample.db");
    makeSample(sample);
    ASSERT_EQ(runTool({"copy", sample, server.path()}).status, 0);

    RunResult checked = runTool({"check", server.path()});
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.out, "ok: " + server.path() + ": 15 manufacturers, 60 models, 300 compressors\n");

    RunResult fromServer = runTool({"export", server.path()});
    ASSERT_EQ(fromServer.status, 0) << fromServer.err;
    EXPECT_EQ(fromServer.out, runTool({"export", sample}).out);

    // Imported rows land on the server; the file import would give the same catalogue.
    const std::string csv = dir.path("more.csv");
    writeFile(csv, fromServer.out.substr(0, fromServer.out.find('\n') + 1) +
                       "Volvo,V70,2.4,2000,2007,SD7V16,OE-9,KV-99,310.00,25.00,285.00\n");
    ASSERT_EQ(runTool({"import", csv, server.path()}).status, 0);
    ASSERT_EQ(runTool({"import", csv, sample}).status, 0);

    const std::string backup = dir.path("backup.db");
    RunResult saved = runTool({"backup", backup, server.path()});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(everything(backup), everything(sample));
    EXPECT_EQ(runTool({"backup", backup, server.path()}).status, 1);
}

TEST_F(ServerCatalogueTest, ImportNumbersNewRowsFromTheServersSequences)
{
    const std::string sample = dir.path("sample.db"), csv = dir.path("more.csv");
    makeSample(sample);
    ASSERT_EQ(runTool({"copy", sample, server.path()}).status, 0);
    // Another counter adds a manufacturer and a compressor and removes them: their ids are used up.
    const long long gone = m_db.insertCompressor(1, {}), maker = m_db.insertManufacturer("X");
    m_db.exec("delete from kompresory where id_kompresora = " + std::to_string(gone) + "; delete from marki where id_marki = " + std::to_string(maker));
    const std::string exported = runTool({"export", sample}).out;
    writeFile(csv, exported.substr(0, exported.find('\n') + 1) + "Tatra,T613,2.4,2000,2007,SD7V16,OE-9,KV-99,3,2,1\n");
    ASSERT_EQ(runTool({"import", csv, server.path()}).status, 0);
    EXPECT_EQ(m_db.query("select k.id_kompresora, m.id_marki from kompresory k, modele o, marki m where k.id_modelu"
                         " = o.id_modelu and o.id_marki = m.id_marki and m.marka = 'Tatra'"),
              (kelvara::test::Rows{{std::to_string(gone + 1), "17"}}));
}

TEST_F(ServerCatalogueTest, CopyInitAndConstrainRefuseWhatTheServerWouldNotKeepWhole)
{
    const std::string sample = dir.path("sample.db"), orphan = "compressor 301: its model (id_modelu 999) does not exist";
    makeSample(sample);
    execSql(sample, "insert into kompresory (id_modelu) values (999); update kompresory set netto = 'abc' where id_kompresora = 7");
    EXPECT_NE(runTool({"copy", sample, server.path()}).err.find("kompresory id_kompresora 7: invalid input syntax"), std::string::npos);
    execSql(sample, "update kompresory set netto = 1 where id_kompresora = 7");
    EXPECT_NE(runTool({"copy", sample, server.path()}).err.find(orphan), std::string::npos);
    execSql(sample, "delete from kompresory where id_kompresora = 301");
    ASSERT_EQ(runTool({"copy", sample, server.path()}).status, 0);

    // A catalogue made before the foreign keys and the pinned id function, with an orphan there.
    m_db.exec("alter function catalogue_next_id() reset search_path; "
              "alter table kompresory drop constraint kompresory_id_modelu_fkey; "
              "insert into kompresory (id_kompresora, id_modelu) values (301, 999)");
    EXPECT_NE(runTool({"constrain", server.path()}).err.find(orphan), std::string::npos);
    m_db.exec("delete from kompresory where id_kompresora = 301");
    EXPECT_EQ(runTool({"constrain", server.path()}).out,
              server.path() + ": foreign keys added; id trigger function pinned to pg_catalog\n");
    EXPECT_EQ(m_db.scalar("select array_to_string(proconfig, ',') from pg_proc where proname = 'catalogue_next_id'"),
              "search_path=pg_catalog, pg_temp");
    EXPECT_THROW(m_db.exec("delete from modele"), std::runtime_error);
    const std::string latin1 = server.path().substr(server.path().find("dbname=") + 7) + "_latin1";
    m_db.exec("CREATE DATABASE " + latin1 + " ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
    const std::string refused = runTool({"init", server.path() + "_latin1"}).err;
    m_db.exec("DROP DATABASE " + latin1);
    EXPECT_NE(refused.find("createdb -E UTF8 -T template0"), std::string::npos) << refused;
}

}  // namespace
}  // namespace kelvara::dbtool::testing
