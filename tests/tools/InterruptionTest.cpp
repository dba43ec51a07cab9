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

// A disk that fills up during an import: a file system of 256 KB of the test's own, in a mount
// namespace of its own. The import says so and what became of its writes; the next command
// finds the catalogue as it was.
TEST(InterruptedWrite, AnImportStoppedByAFullDiskSaysSoAndKeepsNothing)
{
    if (shell("unshare -m true 2>/dev/null") != 0)
        GTEST_SKIP() << "a file system of the test's own needs a mount namespace (root with CAP_SYS_ADMIN)";
    TempDir dir;
    ASSERT_EQ(runBinary({"generate", "--compressors", "20000", "big.db"}, dir.dir().string()).status, 0);
    ASSERT_EQ(runBinary({"export", "--output", "big.csv", "big.db"}, dir.dir().string()).status, 0);
    fs::create_directory(dir.path("disk"));
    const std::string tool = shellQuote(binaryPath());
    const std::string script = "mount -t tmpfs -o size=256k tmpfs disk && " + tool + " init --sample disk/c.db && "
                               + tool + " export --output before.csv disk/c.db && { " + tool
                               + " import big.csv disk/c.db 2>import.err; echo $? >import.status; } && " + tool
                               + " export --output after.csv disk/c.db && ls disk >left";
    ASSERT_EQ(shell("cd " + shellQuote(dir.dir().string()) + " && unshare -m sh -c " + shellQuote(script)
                    + " >/dev/null"),
              0);
    EXPECT_EQ(readFile(dir.path("import.status")), "1\n");
    EXPECT_NE(readFile(dir.path("import.err")).find("database or disk is full; nothing this command wrote is kept"),
              std::string::npos)
        << readFile(dir.path("import.err"));
    EXPECT_EQ(readFile(dir.path("after.csv")), readFile(dir.path("before.csv")));
    EXPECT_EQ(readFile(dir.path("left")), "c.db\n");
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
