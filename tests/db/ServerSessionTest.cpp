// The session on a catalogue on the PostgreSQL test server: what the file gives, the
// server gives the same way; its errors carry the codes the handlers know; rows are
// streamed; a lock wait can be given up; a lost connection is found again.

#include "CppSQLiteException.h"
#include "CatalogueName.h"
#include "PostgresConnection.h"
#include "PostgresErrors.h"
#include "SessionFixture.h"
#include "Statements.h"
#include "ThrownBy.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <utility>
#include <string>
#include <vector>

using kelvara::sql::Dialect;
using kelvara::test::Rows;
namespace sql = kelvara::sql;

namespace {

class ServerSessionTest : public SessionFixture {
protected:
    ServerSessionTest() : SessionFixture(Dialect::postgres) {}
};

// Gives up every wait at once, and counts what it heard.
class GiveUp : public LockWaitObserver {
public:
    bool lockWaitContinues(int) override
    {
        ++asked;
        return false;
    }
    void lockWaitEnded() override { ++ended; }
    int asked = 0;
    int ended = 0;
};

// Told of each wait, with the milliseconds waited; answers whether the wait goes on.
struct OnWait : LockWaitObserver {
    explicit OnWait(std::function<bool(int)> f) : each(std::move(f)) {}
    bool lockWaitContinues(int elapsedMs) override { return each(elapsedMs); }
    void lockWaitEnded() override {}
    std::function<bool(int)> each;
};

}  // namespace

TEST(ServerErrors, SqlStatesMapToTheCodesTheHandlersKnow)
{
    using kelvara::db::sqliteCodeForSqlState;
    EXPECT_EQ(sqliteCodeForSqlState("55P03"), 5);   // lock_timeout
    EXPECT_EQ(sqliteCodeForSqlState("40P01"), 5);   // deadlock
    EXPECT_EQ(sqliteCodeForSqlState("42501"), 8);   // insufficient privilege
    EXPECT_EQ(sqliteCodeForSqlState("25006"), 8);   // read-only transaction
    EXPECT_EQ(sqliteCodeForSqlState("53100"), 13);  // disk full
    EXPECT_EQ(sqliteCodeForSqlState("08006"), 14);  // connection failure
    EXPECT_EQ(sqliteCodeForSqlState("57P01"), 14);  // server shut down
    EXPECT_EQ(sqliteCodeForSqlState(nullptr), 14);  // no result at all: the connection broke
    EXPECT_EQ(sqliteCodeForSqlState("42P01"), 1);   // missing table
    EXPECT_EQ(sqliteCodeForSqlState("42703"), 1);   // missing column
    EXPECT_EQ(sqliteCodeForSqlState("23505"), 1);   // anything else
}

TEST(ServerErrors, ConnectionStringsAndFileNamesAreTold)
{
    using kelvara::db::isConnectionString;
    EXPECT_TRUE(isConnectionString("service=kelvara"));
    EXPECT_TRUE(isConnectionString("host=/run/postgresql dbname=shop"));
    EXPECT_TRUE(isConnectionString("postgresql://counter@server/shop"));
    EXPECT_FALSE(isConnectionString("database.db"));
    EXPECT_FALSE(isConnectionString("/home/shop/old=new.db"));
    EXPECT_FALSE(isConnectionString(""));
    EXPECT_TRUE(isConnectionString("servce=kelvara"));  // a mistyped keyword is still one
    EXPECT_FALSE(isConnectionString("./old=new.db"));

    // A connection string libpq cannot read is said to be one, and no file of its name appears.
    CppSQLiteSession typo;
    const auto unreadable = thrownBy([&] { typo.open("servce=kelvara"); });
    EXPECT_EQ(unreadable.errorCode(), 14);
    EXPECT_NE(std::string(unreadable.errorMessage()).find("not a valid connection string: invalid connection option"),
              std::string::npos) << unreadable.errorMessage();
    EXPECT_FALSE(std::filesystem::exists("servce=kelvara"));

    // No server there: code 14 with libpq's text; the session stays closed.
    CppSQLiteSession session;
    kelvara::test::TempDir nowhere;
    const auto error = thrownBy([&] { session.open(("host=" + nowhere.path() + " dbname=x").c_str()); });
    EXPECT_EQ(error.errorCode(), 14);
    EXPECT_EQ(std::string(error.errorMessage()).rfind("SQLITE_CANTOPEN[14]: connection to server on socket", 0), 0u)
        << error.errorMessage();
    // Its hint on a line of its own, without the tab libpq indents it with.
    EXPECT_NE(std::string(error.errorMessage()).find("\nIs the server running"), std::string::npos);
    EXPECT_FALSE(session.isOpen());
}

TEST_F(ServerSessionTest, ReadsAndWritesAsTheCatalogueFileDoes)
{
    EXPECT_EQ(session.dialect(), Dialect::postgres);
    session.execute(sql::insertManufacturer(session.dialect(), "O'Neil \"GT\""));
    session.execute(sql::insertManufacturer(session.dialect(), "Audi"));
    EXPECT_EQ(m_db.query("select id_marki, marka from marki order by id_marki"),
              (Rows{{"1", "O'Neil \"GT\""}, {"2", "Audi"}}));
    session.execute(sql::insertModel(session.dialect(), "2", "A4"));
    session.execute(sql::insertCompressor(session.dialect(), "1",
                                          {"1.6", "1998", "", "SD7V16", "OE", "KV", "12.50", "0", "1e3"}));

    CppSQLiteCursor cursor = session.execute(sql::loadCompressor(session.dialect(), "1"));
    ASSERT_FALSE(cursor.atEnd());
    EXPECT_STREQ(cursor.field(2), "");
    EXPECT_STREQ(cursor.field(6), "12.50");
    EXPECT_STREQ(cursor.field(8), "1000");
    EXPECT_STREQ(thrownBy([&] { cursor.field(9); }).errorMessage(),
                 "CPPSQLITE_ERROR[1000]: Invalid field index requested");

    cursor = session.execute(sql::selectColumnFlags());
    EXPECT_EQ(cursor.columnCount(), 9);
    EXPECT_STREQ(cursor.field(0), "1");
    cursor = session.execute("select null, 'x'");
    EXPECT_EQ(cursor.field(0), nullptr);
    cursor.advance();
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_TRUE(session.execute("  -- nothing").atEnd());

    // Two statements in one text: only ever one runs, so nothing of it does.
    const auto twice = thrownBy([&] { session.execute("delete from marki; delete from modele"); });
    EXPECT_EQ(twice.errorCode(), 1);
    EXPECT_EQ(m_db.scalar("select count(*) from marki"), "2");

    EXPECT_STREQ(thrownBy([&] { session.execute("select * from nowhere"); }).errorMessage(),
                 "SQLITE_ERROR[1]: relation \"nowhere\" does not exist");
}

TEST_F(ServerSessionTest, AStatementStartedWhileAnotherIsReadKeepsTheOthersRows)
{
    for (const char* name : {"A", "B", "C"})
        m_db.insertManufacturer(name);
    CppSQLiteCursor names = session.execute(sql::selectManufacturers());
    EXPECT_STREQ(names.field(0), "A");
    CppSQLiteCursor count = session.execute("select count(*) from marki");
    EXPECT_STREQ(count.field(0), "3");
    std::vector<std::string> rest;
    for (names.advance(); !names.atEnd(); names.advance())
        rest.emplace_back(names.field(0));
    EXPECT_EQ(rest, (std::vector<std::string>{"B", "C"}));
}

// The file's Edit statement joins nothing: every model and manufacturer with the one
// compressor. Released after its first row, it must not have the server build and send the rest.
TEST_F(ServerSessionTest, ACursorReleasedEarlyStopsTheServersWork)
{
    m_db.exec("insert into marki(id_marki, marka) select g, 'M' || g from generate_series(1, 5000) g");
    m_db.exec("insert into modele(id_modelu, id_marki, model) select g, g % 5000 + 1, 'Model ' || g "
             "from generate_series(1, 20000) g");
    m_db.exec("insert into kompresory(id_kompresora, id_modelu, typ) values (1, 1, 'T')");

    const auto start = std::chrono::steady_clock::now();
    {
        CppSQLiteCursor cursor = session.execute(sql::loadCompressor(Dialect::sqlite, "1"));
        EXPECT_STREQ(cursor.field(3), "T");
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // All 100 million rows take 20 seconds and more to read; a cancel, even on a busy
    // machine, about one.
    EXPECT_LT(elapsed, std::chrono::seconds(6));
    EXPECT_EQ(m_db.scalar("select count(*) from pg_stat_activity where state = 'active' "
                         "and query like 'select kompresory.pojemnosc%'"),
              "0");
    // The connection goes on at once.
    EXPECT_STREQ(session.execute("select count(*) from kompresory").field(0), "1");
}

// With a constant limit the planner expected the unjoined tables' millions of rows to hand
// over the first at once, and read every compressor to find it.
TEST_F(ServerSessionTest, TheEditsLoadFindsTheCompressorByItsKey)
{
    m_db.exec("insert into marki(id_marki, marka) select g, 'M' || g from generate_series(1, 500) g");
    m_db.exec("insert into modele(id_modelu, id_marki, model) select g, g % 500 + 1, 'Model ' || g "
             "from generate_series(1, 5000) g");
    m_db.exec("insert into kompresory(id_kompresora, id_modelu, typ) select g, g % 5000 + 1, 'T' "
             "from generate_series(1, 50000) g; analyze");
    std::string plan;
    for (const auto& line : m_db.query("explain " + sql::loadCompressor(Dialect::postgres, "49999")))
        plan += line[0].value_or("") + "\n";
    EXPECT_NE(plan.find("Index Scan using kompresory_pkey on kompresory"), std::string::npos) << plan;
}

TEST_F(ServerSessionTest, ALockWaitIsToldAndCanBeGivenUpWritingNothing)
{
    GiveUp observer;
    session.setLockWaitObserver(&observer);
    m_db.beginWriteLock();
    const auto error = thrownBy([&] { session.execute(sql::insertManufacturer(session.dialect(), "Volvo")); });
    m_db.exec("rollback");
    EXPECT_EQ(error.errorCode(), 5);
    EXPECT_STREQ(error.errorMessage(), "SQLITE_BUSY[5]: canceling statement due to user request");
    EXPECT_GE(observer.asked, 1);  // and again, the window lively, until the server answers the cancel
    EXPECT_EQ(observer.ended, 1);
    EXPECT_EQ(m_db.scalar("select count(*) from marki"), "0");

    // The lock's time-out is the session's.
    session.setLockWaitObserver(nullptr);
    session.applyBusyTimeout(150);
    m_db.beginWriteLock();
    EXPECT_STREQ(thrownBy([&] { session.execute("delete from marki"); }).errorMessage(),
                 "SQLITE_BUSY[5]: canceling statement due to lock timeout");
    m_db.exec("rollback");
    session.execute(sql::insertManufacturer(session.dialect(), "Volvo"));
    EXPECT_EQ(m_db.scalar("select count(*) from marki"), "1");
}

// Silence alone is not a lock: a slow statement is a wait for the server until the server,
// asked beside, says the statement waits for a lock. The connections are listed as kelvara.
TEST_F(ServerSessionTest, AWaitIsALockOnlyWhenTheServerSaysSo)
{
    std::vector<CatalogueWait> seen;
    OnWait recorder([&](int elapsedMs) {
        if (seen.empty() || seen.back() != session.currentWait())
            seen.push_back(session.currentWait());
        return session.currentWait() != CatalogueWait::lock && elapsedMs < 10000;
    });
    session.setLockWaitObserver(&recorder);
    EXPECT_STREQ(session.execute("select pg_sleep(0.6)::text").field(0), "");
    EXPECT_EQ(std::exchange(seen, {}), std::vector<CatalogueWait>{CatalogueWait::server});
    m_db.beginWriteLock();
    EXPECT_EQ(thrownBy([&] { session.execute(sql::insertManufacturer(session.dialect(), "Volvo")); }).errorCode(), 5);
    m_db.exec("rollback");
    EXPECT_EQ(seen, (std::vector<CatalogueWait>{CatalogueWait::server, CatalogueWait::lock}));
    EXPECT_EQ(m_db.scalar("select string_agg(distinct application_name, ',') from pg_stat_activity where "
                         "datname = current_database() and pid <> pg_backend_pid()"), "kelvara");
}

// A connection dropped while idle is found before anything is sent: the command runs on a new
// one without a word. One lost while its statement runs fails it; it is never sent again.
TEST_F(ServerSessionTest, ADroppedIdleConnectionIsReopenedSilentlyOneLostMidStatementFails)
{
    session.execute("select 1");
    const long connections = session.serverConnectionsMade();
    const auto dropSession = [&] {  // and waits until it is gone
        m_db.exec("select pg_terminate_backend(pid, 10000) from pg_stat_activity "
                 "where datname = current_database() and pid <> pg_backend_pid()");
    };
    dropSession();
    EXPECT_STREQ(session.execute("show lock_timeout").field(0), "1min");  // with the settings
    EXPECT_EQ(session.serverConnectionsMade(), connections + 1);
    session.execute("begin");
    session.execute(sql::insertManufacturer(session.dialect(), "Audi"));
    dropSession();  // a transaction's next statement never runs outside it on a new connection
    EXPECT_EQ(thrownBy([&] { session.execute(sql::insertManufacturer(session.dialect(), "BMW")); }).errorCode(), 14);

    // Dropped while the insert waits for the test's lock (not while a busy machine connects).
    OnWait dropOnce([&, dropped = false](int) mutable {
        if (session.currentWait() != CatalogueWait::connecting && !std::exchange(dropped, true))
            dropSession();
        return true;
    });
    session.setLockWaitObserver(&dropOnce);
    m_db.beginWriteLock();
    const auto error = thrownBy([&] { session.execute(sql::insertManufacturer(session.dialect(), "Volvo")); });
    m_db.exec("rollback");
    EXPECT_EQ(error.errorCode(), 14) << error.errorMessage();
    EXPECT_EQ(m_db.scalar("select count(*) from marki"), "0");
    EXPECT_EQ(session.serverConnectionsMade(), connections + 2);
    session.execute(sql::insertManufacturer(session.dialect(), "Volvo"));
    EXPECT_EQ(m_db.scalar("select count(*) from marki"), "1");

    // libpq quotes the statement under some errors; the operator is not shown it.
    EXPECT_EQ(kelvara::db::shownServerError(nullptr, "ERROR:  syntax error at or near \"x\"\nLINE 1: insert into x\n"
                                                            "                    ^\nHINT:  \tthe hint\n"),
              "ERROR:  syntax error at or near \"x\"\nHINT:  \tthe hint");
}

// A counters' role with the README's rights only; an intruder with CREATE on the database and
// on public (the default before PostgreSQL 15): neither its schema nor its function is reached.
TEST_F(ServerSessionTest, AnotherDatabaseUserCannotRedirectTheCatalogueOrRunCodeInIt)
{
    const std::string database = *m_db.scalar("select current_database()"), counter = database + "_counter",
                      intruder = database + "_intruder";
    m_db.exec("create role " + counter + " login; create role " + intruder + " login; grant select, insert, update, "
             "delete on marki, modele, kompresory to " + counter + "; grant select, update on kolumny to " + counter
             + "; grant usage, update on marki_id_seq, modele_id_seq, kompresory_id_seq to " + counter + "; grant "
             "create on database " + database + " to " + intruder + "; grant create on schema public to " + intruder);
    m_db.insertManufacturer("Audi");
    kelvara::test::RawDb(m_catalogue.path() + " user=" + intruder)
        .exec("create schema " + counter + "; grant usage on schema " + counter + " to public; create table " + counter
              + ".marki as select 1 id_marki, 'Hijacked' marka; grant all on " + counter + ".marki to public; create "
              "function public.to_jsonb(public.marki) returns jsonb language plpgsql as $$ begin raise exception "
              "'the intruder''s code ran'; end $$;");
    CppSQLiteSession asCounter;
    asCounter.open((m_catalogue.path() + " user=" + counter).c_str());
    asCounter.execute(sql::insertManufacturer(asCounter.dialect(), "Volvo"));
    EXPECT_STREQ(asCounter.execute("select string_agg(marka, ',' order by id_marki) from marki").field(0), "Audi,Volvo");
    EXPECT_EQ(m_db.query("select id_marki, marka from public.marki order by 1"), (Rows{{"1", "Audi"}, {"2", "Volvo"}}));
    asCounter.close();
    m_db.exec("drop schema " + counter + " cascade; drop function public.to_jsonb(public.marki);"
             "drop owned by " + counter + ", " + intruder + "; drop role " + counter + "; drop role " + intruder);
}
