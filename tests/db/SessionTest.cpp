// The session and its cursors against real catalogue files.

#include "CppSQLiteException.h"
#include "SessionFixture.h"
#include "Statements.h"
#include "ThrownBy.h"

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using kelvara::test::RawDb;
using kelvara::test::Rows;
using kelvara::test::TempCatalogue;
using kelvara::test::TempDir;

namespace {


#define EXPECT_DB_ERROR(statement, text)                                              \
    EXPECT_STREQ(thrownBy([&] { (void)(statement); }).errorMessage(), text)

constexpr const char* kNotOpen = "CPPSQLITE_ERROR[1000]: Database not open";
constexpr const char* kNoStatement = "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer";
constexpr const char* kBadField = "CPPSQLITE_ERROR[1000]: Invalid field index requested";

class SessionTest : public SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        session.setStatementTrace([this](const char* sql) { trace.emplace_back(sql); });
    }

    Rows raw(const std::string& sql) { return m_db.query(sql); }

    std::vector<std::string> trace;
};

// The lock tests start their own session: a time-out is applied when the file is opened.
using SessionBusy = kelvara::test::CatalogueFixture;

TEST(SessionClosed, RefusesEveryStatementWithoutTouchingSQLite)
{
    CppSQLiteSession session;
    std::vector<std::string> trace;
    session.setStatementTrace([&](const char* sql) { trace.emplace_back(sql); });

    EXPECT_FALSE(session.isOpen());
    EXPECT_EQ(session.busyTimeout(), 60000);
    const auto error = thrownBy([&] { session.execute("select 1"); });
    EXPECT_EQ(error.errorCode(), 1000);
    EXPECT_STREQ(error.errorMessage(), kNotOpen);
    EXPECT_DB_ERROR(session.execute(std::string()), kNotOpen);
    EXPECT_DB_ERROR(session.execute(nullptr), kNotOpen);
    EXPECT_TRUE(trace.empty());

    // A time-out set while closed is kept for the next open; closing twice is harmless.
    session.applyBusyTimeout(250);
    EXPECT_EQ(session.busyTimeout(), 250);
    session.close();
    session.close();
    EXPECT_DB_ERROR(session.execute("select 1"), kNotOpen);
}

TEST(Cursor, WithoutStatementRefusesEveryOperation)
{
    CppSQLiteCursor cursor;
    EXPECT_DB_ERROR(cursor.atEnd(), kNoStatement);
    EXPECT_DB_ERROR(cursor.field(0), kNoStatement);
    EXPECT_DB_ERROR(cursor.advance(), kNoStatement);
    EXPECT_EQ(cursor.columnCount(), 0);
    EXPECT_NO_THROW(cursor.finalize());
}

TEST_F(SessionTest, ReadsRowsAndGuardsFieldIndexes)
{
    m_db.insertManufacturer("Audi");
    m_db.insertManufacturer("BMW");

    CppSQLiteCursor cursor = session.execute("select id_marki, marka, NULL from marki order by id_marki;");
    ASSERT_FALSE(cursor.atEnd());
    EXPECT_EQ(cursor.columnCount(), 3);
    EXPECT_STREQ(cursor.field(0), "1");
    EXPECT_STREQ(cursor.field(1), "Audi");
    EXPECT_EQ(cursor.field(2), nullptr);  // the last column, an SQL NULL
    EXPECT_DB_ERROR(cursor.field(-1), kBadField);
    EXPECT_DB_ERROR(cursor.field(3), kBadField);

    cursor.advance();
    ASSERT_FALSE(cursor.atEnd());
    EXPECT_STREQ(cursor.field(1), "BMW");

    cursor.advance();
    EXPECT_TRUE(cursor.atEnd());
    // At the end there is no row: reading one is an orderly error, not a stale value.
    EXPECT_DB_ERROR(cursor.field(0), kBadField);
    // Advancing further leaves it at its end rather than running the query again.
    cursor.advance();
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_NO_THROW(cursor.finalize());
    EXPECT_DB_ERROR(cursor.atEnd(), kNoStatement);
}

TEST_F(SessionTest, NullAndEmptyTextsDiffer)
{
    m_db.insertManufacturer(std::nullopt);
    m_db.insertManufacturer("");

    CppSQLiteCursor cursor = session.execute("select marka from marki order by id_marki");
    EXPECT_EQ(cursor.field(0), nullptr);
    cursor.advance();
    ASSERT_NE(cursor.field(0), nullptr);
    EXPECT_STREQ(cursor.field(0), "");
}

TEST_F(SessionTest, WritesAreCompleteWhenExecuteReturns)
{
    {
        CppSQLiteCursor cursor = session.execute(kelvara::sql::insertManufacturer(kelvara::sql::Dialect::sqlite, "Fiat"));
        EXPECT_TRUE(cursor.atEnd());
        EXPECT_EQ(cursor.columnCount(), 0);
        EXPECT_DB_ERROR(cursor.field(0), kBadField);
        // Visible to another connection while the cursor still exists.
        EXPECT_EQ(raw("select id_marki, marka from marki"), (Rows{{"1", "Fiat"}}));
        EXPECT_NO_THROW(cursor.finalize());
    }

    // Only the first statement of a text runs; the rest is ignored without complaint.
    session.execute("insert into Marki values (NULL, 'first'); insert into Marki values (NULL, 'second');");
    session.execute("delete from Marki where marka = 'Fiat'; this is not even SQL");
    EXPECT_EQ(raw("select marka from marki"), (Rows{{"first"}}));
}

TEST_F(SessionTest, TextWithoutStatementGivesCursorAtEnd)
{
    for (const char* text : {"", "   ", "-- only a comment", ";"}) {
        CppSQLiteCursor cursor = session.execute(text);
        EXPECT_TRUE(cursor.atEnd()) << '"' << text << '"';
        EXPECT_DB_ERROR(cursor.field(0), kBadField);
        EXPECT_NO_THROW(cursor.advance());
        EXPECT_TRUE(cursor.atEnd());
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"", "   ", "-- only a comment", ";"}));
}

TEST_F(SessionTest, TracesEveryTextBeforeCompilingIt)
{
    session.execute(kelvara::sql::selectManufacturers());
    EXPECT_DB_ERROR(session.execute("selec marka from marki"),
                    "SQLITE_ERROR[1]: near \"selec\": syntax error");
    session.execute(kelvara::sql::updateColumnFlag(0, false));
    EXPECT_EQ(trace, (std::vector<std::string>{"select marka from marki order by id_marki;",
                                               "selec marka from marki",
                                               "Update kolumny set manufacturer = 0"}));
}

TEST_F(SessionTest, FailuresCarrySQLiteCodeAndTextAndWriteNothing)
{
    m_db.insertManufacturer("Opel");

    EXPECT_DB_ERROR(session.execute("select marka from nowhere"),
                    "SQLITE_ERROR[1]: no such table: nowhere");
    EXPECT_DB_ERROR(session.execute("insert into Marki(id_marki, marka, extra) values (NULL, 'x', 1)"),
                    "SQLITE_ERROR[1]: table Marki has no column named extra");

    // A step that fails: the code is the one finalisation reports, with SQLite's text.
    const auto duplicate = thrownBy([&] { session.execute("insert into Marki values (1, 'again')"); });
    EXPECT_EQ(duplicate.errorCode(), 19);
    EXPECT_STREQ(duplicate.errorMessage(), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed: Marki.id_marki");
    EXPECT_EQ(raw("select id_marki, marka from marki"), (Rows{{"1", "Opel"}}));

    // A step that fails later, in advance: the cursor is left without a statement.
    CppSQLiteCursor cursor =
        session.execute("select abs(v) from (select 1 as v union all select -9223372036854775807 - 1)");
    EXPECT_STREQ(cursor.field(0), "1");
    EXPECT_DB_ERROR(cursor.advance(), "SQLITE_ERROR[1]: integer overflow");
    EXPECT_DB_ERROR(cursor.atEnd(), kNoStatement);

    // Nothing is left holding the file: another connection can take it over entirely.
    EXPECT_NO_THROW(m_db.exec("BEGIN EXCLUSIVE; ROLLBACK;"));
}

// A statement that has not run to its end keeps a read lock on the file, so another
// connection cannot take an exclusive lock until the statement is finalised.
bool otherConnectionCanLockExclusively(RawDb& other)
{
    try {
        other.exec("BEGIN EXCLUSIVE");
    } catch (const std::runtime_error&) {
        return false;
    }
    other.exec("ROLLBACK");
    return true;
}

TEST_F(SessionTest, AssignmentFinalisesTheStatementItReplaces)
{
    m_db.insertManufacturer("Audi");
    m_db.insertManufacturer("BMW");

    CppSQLiteCursor cursor = session.execute(kelvara::sql::selectManufacturers());
    ASSERT_FALSE(cursor.atEnd());
    ASSERT_FALSE(otherConnectionCanLockExclusively(m_db)) << "an open read should hold a lock";

    cursor = session.execute("select 42");
    EXPECT_TRUE(otherConnectionCanLockExclusively(m_db));
    // The temporary that handed over the new statement did not finalise it.
    ASSERT_FALSE(cursor.atEnd());
    EXPECT_STREQ(cursor.field(0), "42");

    // Moving hands the statement on; the source keeps none.
    cursor = session.execute(kelvara::sql::selectManufacturers());
    CppSQLiteCursor moved(std::move(cursor));
    EXPECT_DB_ERROR(cursor.atEnd(), kNoStatement);
    EXPECT_STREQ(moved.field(0), "Audi");
    EXPECT_FALSE(otherConnectionCanLockExclusively(m_db));
    moved.finalize();
    EXPECT_TRUE(otherConnectionCanLockExclusively(m_db));
}

TEST(SessionOpen, FailuresGiveSQLiteCodes)
{
    TempDir dir;
    CppSQLiteSession session;

    // A directory cannot be opened as a database.
    const auto cannotOpen = thrownBy([&] { session.open(dir.path().c_str()); });
    EXPECT_EQ(cannotOpen.errorCode(), 14);
    EXPECT_STREQ(cannotOpen.errorMessage(), "SQLITE_CANTOPEN[14]: unable to open database file");
    EXPECT_FALSE(session.isOpen());
    EXPECT_DB_ERROR(session.execute("select 1"), kNotOpen);

    // Any other file opens; it fails at its first statement that reads the file.
    const std::string junk = dir.file("notes.txt");
    std::ofstream(junk) << std::string(200, 'x') << "\nnot a catalogue\n";
    session.open(junk.c_str());
    EXPECT_TRUE(session.isOpen());
    const auto notADatabase = thrownBy([&] { session.execute(kelvara::sql::selectColumnFlags()); });
    EXPECT_EQ(notADatabase.errorCode(), 26);
    EXPECT_STREQ(notADatabase.errorMessage(), "UNKNOWN_ERROR[26]: file is not a database");

    // A missing file is created empty: it has none of the tables.
    const std::string fresh = dir.file("fresh.db");
    session.open(fresh.c_str());
    EXPECT_DB_ERROR(session.execute(kelvara::sql::selectColumnFlags()),
                    "SQLITE_ERROR[1]: no such table: kolumny");
    session.close();
    std::ifstream created(fresh);
    EXPECT_TRUE(created.good());
}

TEST(SessionOpen, DoubleQuotedTextsAreReadAsTexts)
{
    TempCatalogue catalogue;
    CppSQLiteSession session;
    session.open(catalogue.path().c_str());
    CppSQLiteCursor cursor = session.execute("select \"plain text\", count(*) from marki where marka = \"nobody\"");
    EXPECT_STREQ(cursor.field(0), "plain text");
    EXPECT_STREQ(cursor.field(1), "0");
}

using Clock = std::chrono::steady_clock;

TEST_F(SessionBusy, LockedFileFailsAfterTimeOutAndWritesNothing)
{
    RawDb& holder = m_db;
    CppSQLiteSession session;
    session.applyBusyTimeout(300);  // applied when the file is opened
    session.open(m_catalogue.path().c_str());

    holder.exec("BEGIN EXCLUSIVE");
    const auto started = Clock::now();
    const auto busy = thrownBy([&] { session.execute(kelvara::sql::insertManufacturer(kelvara::sql::Dialect::sqlite, "Seat")); });
    const auto waited = Clock::now() - started;
    holder.exec("ROLLBACK");

    EXPECT_EQ(busy.errorCode(), 5);
    EXPECT_STREQ(busy.errorMessage(), "SQLITE_BUSY[5]: database is locked");
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(20));
    EXPECT_EQ(holder.scalar("select count(*) from marki"), "0");

    // The same statement goes through once the lock is gone.
    session.execute(kelvara::sql::insertManufacturer(kelvara::sql::Dialect::sqlite, "Seat"));
    EXPECT_EQ(holder.scalar("select marka from marki"), "Seat");
}

TEST_F(SessionBusy, WaitsForALockReleasedWithinTheTimeOut)
{
    RawDb& holder = m_db;
    CppSQLiteSession session;
    session.open(m_catalogue.path().c_str());
    EXPECT_EQ(session.busyTimeout(), 60000);

    holder.exec("BEGIN EXCLUSIVE; insert into Marki values (NULL, 'held');");
    const auto started = Clock::now();
    std::thread releaser([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        holder.exec("COMMIT");
    });
    EXPECT_NO_THROW(session.execute(kelvara::sql::insertManufacturer(kelvara::sql::Dialect::sqlite, "waited")));
    const auto waited = Clock::now() - started;
    releaser.join();

    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_EQ(holder.query("select marka from marki order by id_marki"), (Rows{{"held"}, {"waited"}}));
}

}  // namespace

namespace {

// Records what a waiting window would be told, and gives up after giveUpAfterMs.
struct RecordingObserver : LockWaitObserver {
    int giveUpAfterMs;
    int calls = 0;
    int lastElapsed = -1;
    int ended = 0;
    explicit RecordingObserver(int giveUp) : giveUpAfterMs(giveUp) {}
    bool lockWaitContinues(int elapsedMs) override
    {
        ++calls;
        EXPECT_GE(elapsedMs, lastElapsed);
        lastElapsed = elapsedMs;
        return elapsedMs < giveUpAfterMs;
    }
    void lockWaitEnded() override { ++ended; }
};

TEST_F(SessionBusy, AnObserverSeesTheWaitAndCanEndItAsATimeOut)
{
    RawDb& holder = m_db;
    CppSQLiteSession session;
    session.open(m_catalogue.path().c_str());
    RecordingObserver observer(200);
    session.setLockWaitObserver(&observer);

    // No lock, no wait: the observer hears nothing.
    session.execute(kelvara::sql::insertManufacturer(kelvara::sql::Dialect::sqlite, "Seat"));
    EXPECT_EQ(observer.calls + observer.ended, 0);

    holder.exec("BEGIN EXCLUSIVE");
    const auto started = Clock::now();
    const auto busy = thrownBy([&] { session.execute(kelvara::sql::insertManufacturer(kelvara::sql::Dialect::sqlite, "Fiat")); });
    const auto waited = Clock::now() - started;
    holder.exec("ROLLBACK");

    // Given up long before the 60 s time-out, with the time-out's own outcome.
    EXPECT_STREQ(busy.errorMessage(), "SQLITE_BUSY[5]: database is locked");
    EXPECT_LT(waited, std::chrono::seconds(5));
    EXPECT_GE(observer.lastElapsed, 200);
    EXPECT_GT(observer.calls, 5);
    EXPECT_EQ(observer.ended, 1);
    EXPECT_EQ(holder.query("select marka from marki"), (Rows{{"Seat"}}));

    // A wait that the lock's release ends is reported ended once, and the statement runs.
    RecordingObserver patient(60000);
    session.setLockWaitObserver(&patient);
    holder.exec("BEGIN EXCLUSIVE");
    std::thread releaser([&holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        holder.exec("COMMIT");
    });
    session.execute(kelvara::sql::insertManufacturer(kelvara::sql::Dialect::sqlite, "Fiat"));
    releaser.join();
    EXPECT_GT(patient.calls, 0);
    EXPECT_EQ(patient.ended, 1);
    EXPECT_EQ(holder.scalar("select count(*) from marki"), "2");
}

}  // namespace
