// Another program's unfinished write, its lock, and a signal that stops the tool half-way.

#include "CatalogueFixture.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

namespace kelvara::dbtool::testing {
namespace {

namespace fs = std::filesystem;
using kelvara::test::RawDb;

// Another program's write, begun and held: every reader waits until it goes.
constexpr const char* kExclusiveLock = "BEGIN EXCLUSIVE; UPDATE kolumny SET year = year";

TEST(InterruptedWrite, EveryReadingCommandRollsItBackWhereTheFileMayBeWritten)
{
    TempDir dir;
    const std::string db = dir.path("0.db");
    makeSample(db);
    const std::string clean = runBinary({"export", db}).out;
    writeFile(dir.path("in.csv"), clean);
    // Files as a killed import leaves them: a cache of two pages spills changed pages into the
    // file, the old ones are in its journal.
    {
        RawDb killed(db);
        killed.exec("PRAGMA cache_size = 2; BEGIN; UPDATE kompresory SET typ = hex(zeroblob(1500))");
        for (const char* copy : {"1.db", "2.db", "3.db", "4.db", "5.db"})
            for (const char* end : {"", "-journal"})
                fs::copy_file(db + end, dir.path(copy) + end);
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"export", "1.db"}, {"check", "2.db"}, {"backup", "b.db", "3.db"},
          {"copy", "4.db", "c.db"}, {"import", "--dry-run", "in.csv", "5.db"}}) {
        const RunResult result = runBinary(args, dir.dir().string());
        EXPECT_EQ(result.status, 0) << args[0] << ": " << result.err;
        EXPECT_EQ(runBinary({"export", args.back() == "c.db" ? "4.db" : args.back()}, dir.dir().string()).out, clean);
    }
}

TEST(Lock, IsReportedAsALockAfterTheDocumentedSixtySeconds)
{
    TempDir dir;
    makeSample(dir.path("c.db"));
    RawDb writer(dir.path("c.db"));
    writer.exec(kExclusiveLock);
    const auto start = std::chrono::steady_clock::now();
    const RunResult check = runBinary({"check", "c.db"}, dir.dir().string());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(check.out + check.err, "kelvara-db check: c.db is locked by another program (waited 60 seconds); "
                                     "try again once it has finished writing\n");
    EXPECT_TRUE(waited > std::chrono::seconds(59) && waited < std::chrono::seconds(90));
}

class Interrupted : public ::testing::TestWithParam<int> {};

TEST_P(Interrupted, ANewFileLeavesNoPartialCopyBehind)
{
    TempDir dir;
    makeSample(dir.path("c.db"));
    // The backup makes its temporary and then waits for the lock: the signal finds it there.
    RawDb writer(dir.path("c.db"));
    writer.exec(kExclusiveLock);
    const int pid = startBinary({"backup", "copy.db", "c.db"}, dir.dir().string());
    ASSERT_NE(awaitEntry(dir.dir(), "copy.db.partial-", pid), "") << "the backup ended early";
    EXPECT_EQ(signalAndReap(pid, GetParam()), GetParam());
    EXPECT_EQ(awaitEntry(dir.dir(), "copy.db", 0), "");
}

INSTANTIATE_TEST_SUITE_P(Tool, Interrupted, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

class InterruptedOnServer : public kelvara::test::CatalogueFixture {
protected:
    InterruptedOnServer() : CatalogueFixture(kelvara::sql::Dialect::postgres) {}
};

TEST_F(InterruptedOnServer, TheTemporaryCopyIsPrivateAndRemoved)
{
    TempDir tmp;
    m_db.exec("begin; lock table kompresory in access exclusive mode");
    const int pid = startBinary({"export", m_catalogue.path()}, tmp.dir().string(), "TMPDIR=" + shellQuote(tmp.dir()));
    const std::string copy = awaitEntry(tmp.dir(), "snapshot.db.partial-", pid);
    ASSERT_NE(copy, "") << "the export ended early";
    EXPECT_EQ(fs::status(fs::path(copy).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(copy).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(signalAndReap(pid, SIGINT), SIGINT);
    EXPECT_TRUE(fs::is_empty(tmp.dir()));
}

}  // namespace
}  // namespace kelvara::dbtool::testing
