// Other programs and the user getting in the way: a write another program left unfinished,
// a lock it holds, and a signal that stops the tool half-way.

#include "Catalogue.h"
#include "CatalogueFixture.h"
#include "ToolError.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>

namespace kelvara::dbtool::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;
using std::chrono::steady_clock;

// Another program's connection to a catalogue file; closing it rolls back what it began.
class OtherProgram {
public:
    explicit OtherProgram(const std::string& db, const char* sql)
    {
        EXPECT_EQ(sqlite3_open_v2(db.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(m_db);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    ~OtherProgram() { sqlite3_close(m_db); }

private:
    sqlite3* m_db = nullptr;
};

// An exclusive lock keeps every reader out until it goes.
constexpr const char* kExclusiveLock = "BEGIN EXCLUSIVE; UPDATE kolumny SET year = year";

TEST(InterruptedWrite, EveryReadingCommandRollsItBackWhereTheFileMayBeWritten)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    const std::string clean = runBinary({"export", db}).out;
    writeFile(dir.path("in.csv"), clean);
    // Each command gets a file as a killed import leaves it: changed pages in the file, the
    // old ones in its journal. "@" stands for that file.
    const std::vector<std::vector<std::string>> commands = {
        {"export", "@"}, {"check", "@"}, {"backup", dir.path("b.db"), "@"},
        {"copy", "@", dir.path("c2.db")}, {"import", "--dry-run", dir.path("in.csv"), "@"}};
    {
        // A cache of two pages spills the update into the file long before a commit.
        const OtherProgram killed(db, "PRAGMA cache_size = 2; BEGIN; "
                                      "UPDATE kompresory SET typ = replace(hex(zeroblob(1500)), '0', 'x')");
        for (std::size_t i = 0; i < commands.size(); ++i) {
            fs::copy_file(db, dir.path("hot" + std::to_string(i) + ".db"));
            fs::copy_file(db + "-journal", dir.path("hot" + std::to_string(i) + ".db-journal"));
        }
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::string hot = dir.path("hot" + std::to_string(i) + ".db");
        std::vector<std::string> args = commands[i];
        std::replace(args.begin(), args.end(), std::string("@"), hot);
        const RunResult result = runBinary(args);
        EXPECT_EQ(result.status, 0) << args[0] << ": " << result.err;
        EXPECT_FALSE(fs::exists(hot + "-journal")) << args[0];
        EXPECT_EQ(runBinary({"export", hot}).out, clean) << args[0];
    }
}

TEST(Lock, IsReportedAsALockAfterTheDocumentedSixtySeconds)
{
    TempDir dir;
    const std::string db = dir.path("c.db");
    makeSample(db);
    const OtherProgram writer(db, kExclusiveLock);
    // Opening waits once, not once for the look at the file and again for the first read.
    EXPECT_THROW(openCatalogue(db, db::Access::readOnly, 300), CatalogueLocked);

    const auto start = steady_clock::now();
    const RunResult check = runBinary({"check", db});
    const auto waited = steady_clock::now() - start;
    EXPECT_EQ(check.status, 1);
    EXPECT_NE(check.err.find(db + " is locked by another program (waited 60 seconds)"), std::string::npos)
        << check.err << check.out;
    EXPECT_EQ(check.out.find("damaged"), std::string::npos) << check.out;
    EXPECT_GE(waited, seconds(59));
    EXPECT_LT(waited, seconds(90));
}

class Interrupted : public ::testing::TestWithParam<int> {};

TEST_P(Interrupted, ANewFileLeavesNoPartialCopyBehind)
{
    TempDir dir;
    makeSample(dir.path("c.db"));
    // The backup makes its temporary and then waits for the lock: the signal finds it there.
    const OtherProgram writer(dir.path("c.db"), kExclusiveLock);
    const int pid = startBinary({"backup", "copy.db", "c.db"}, dir.dir().string());
    ASSERT_NE(awaitEntry(dir.dir(), "copy.db.partial-", pid), "") << "the backup ended early";
    EXPECT_EQ(signalAndReap(pid, GetParam()), GetParam());
    for (const auto& entry : fs::directory_iterator(dir.dir()))
        EXPECT_EQ(entry.path().filename().string().rfind("copy.db", 0), std::string::npos) << entry.path();
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
    const int pid = startBinary({"export", m_catalogue.path()}, tmp.dir().string(), {"TMPDIR=" + tmp.dir().string()});
    const std::string copy = awaitEntry(tmp.dir(), "snapshot.db.partial-", pid);
    ASSERT_NE(copy, "") << "the export ended early";
    EXPECT_EQ(fs::status(fs::path(copy).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(copy).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(signalAndReap(pid, SIGINT), SIGINT);
    EXPECT_TRUE(fs::is_empty(tmp.dir()));
}

}  // namespace
}  // namespace kelvara::dbtool::testing
