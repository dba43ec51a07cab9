// Where export may write: never over the catalogue or another database, never through a
// planted link, straight into pipes and devices, and nothing else in the folder touched.

#include "ToolTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

namespace kelvara::dbtool::testing {
namespace {

namespace fs = std::filesystem;

// Every entry of a folder with what it is: a file's bytes, a link's target, "fifo".
std::map<std::string, std::string> snapshot(const fs::path& dir)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        const fs::file_status status = fs::symlink_status(entry.path());
        if (fs::is_symlink(status)) {
            entries[name] = "link to " + fs::read_symlink(entry.path()).string();
        } else if (fs::is_fifo(status)) {
            entries[name] = "fifo";
        } else if (fs::is_directory(status)) {
            entries[name] = "folder";
        } else {
            entries[name] = "file " + readFile(entry.path().string());
        }
    }
    return entries;
}

// The names whose entries differ, rather than whole databases in the test output.
std::string differences(const std::map<std::string, std::string>& before,
                        std::map<std::string, std::string> after)
{
    std::string names;
    for (const auto& [name, what] : before) {
        if (after.count(name) == 0 || after[name] != what) {
            names += " changed or removed: " + name;
        }
        after.erase(name);
    }
    for (const auto& entry : after) {
        names += " added: " + entry.first;
    }
    return names;
}

struct TargetCase {
    const char* name;
    const char* setup;    // shell, run in the folder first
    const char* command;  // shell, $KDB is the tool; run in the folder
    const char* written;  // the file that must hold the export, or nullptr when refused
    const char* message;  // part of the error when refused
    const char* kept = "";  // what the written file held before, and still holds in front
};

void PrintTo(const TargetCase& c, std::ostream* out)
{
    *out << c.name;
}

class WriteTarget : public ::testing::TestWithParam<TargetCase> {};

TEST_P(WriteTarget, WritesOnlyWhereItMay)
{
    const TargetCase& c = GetParam();
    TempDir dir;
    TempDir capture;
    makeSample(dir.path("database.db"));
    makeEmpty(dir.path("other.db"));
    writeFile(dir.path("victim.txt"), "precious\n");
    const RunResult reference = runBinary({"export"}, dir.dir().string());
    ASSERT_EQ(reference.status, 0) << reference.err;
    const std::string cd = "cd " + shellQuote(dir.dir().string()) + " && ";
    ASSERT_EQ(shell(cd + c.setup), 0) << c.setup;

    std::map<std::string, std::string> before = snapshot(dir.dir());
    const std::string errPath = capture.path("err");
    const int status = shell(cd + "KDB=" + shellQuote(binaryPath()) + "; (" + c.command +
                             ") 2>" + shellQuote(errPath) + " </dev/null");
    const std::string err = readFile(errPath);
    std::map<std::string, std::string> after = snapshot(dir.dir());

    if (c.written == nullptr) {
        EXPECT_EQ(status, 1) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    } else {
        EXPECT_EQ(status, 0) << err;
        EXPECT_TRUE(after[c.written] == std::string("file ") + c.kept + reference.out) << c.written;
        before.erase(c.written);
        after.erase(c.written);
    }
    // Everything else byte for byte as it was, and no temporary left behind.
    EXPECT_EQ(differences(before, after), "");
}

INSTANTIATE_TEST_SUITE_P(
    Tool, WriteTarget,
    ::testing::Values(
        TargetCase{"TheCatalogueByItsDefaultName", "true", "$KDB export --output database.db",
                   nullptr, "database.db is the catalogue database.db itself"},
        TargetCase{"TheCatalogueNamedTwice", "true",
                   "$KDB export --output database.db database.db", nullptr, "itself"},
        TargetCase{"ALinkToTheCatalogue", "ln -s database.db link.csv",
                   "$KDB export --output link.csv", nullptr, "itself"},
        TargetCase{"TheCatalogueJournal", "true", "$KDB export --output database.db-journal",
                   nullptr, "belongs to the catalogue"},
        TargetCase{"AnotherDatabase", "true", "$KDB export --output other.db", nullptr,
                   "other.db is a database"},
        TargetCase{"AFolder", "mkdir folder", "$KDB export --output folder", nullptr,
                   "is a folder"},
        TargetCase{"LinksPlantedAtTemporaryNames",
                   "ln -s victim.txt out.csv.partial && ln -s victim.txt out.csv.tmp",
                   "$KDB export --output out.csv", "out.csv", nullptr},
        TargetCase{"AnExistingCsvIsReplacedWhole", "printf 'old,text\\n' > out.csv",
                   "$KDB export --output out.csv", "out.csv", nullptr},
        TargetCase{"AFifo", "mkfifo pipe",
                   "cat pipe > got.csv & $KDB export --output pipe; s=$?; wait; exit $s",
                   "got.csv", nullptr},
        TargetCase{"DashIsStandardOutput", "true", "$KDB export --output - > got.csv",
                   "got.csv", nullptr},
        TargetCase{"DevStdoutIntoAPipe", "true",
                   "$KDB export --output /dev/stdout | cat > got.csv", "got.csv", nullptr},
        TargetCase{"StdoutAppends", "echo old > log", "$KDB export --output /dev/stdout >> log", "log", nullptr, "old\n"},
        TargetCase{"DevFdAppends", "echo old > log", "$KDB export --output /dev/fd/3 3>> log", "log", nullptr, "old\n"},
        TargetCase{"AHardLinkedCsv", "echo old > a && ln a b", "$KDB export --output a", nullptr, "hard links"},
        TargetCase{"BackupToTheJournal", "true", "$KDB backup database.db-journal", nullptr, "belongs to the catalogue"},
        TargetCase{"InitAtAnotherCataloguesShm", "true", "$KDB init other.db-shm", nullptr, "belongs to the catalogue"},
        TargetCase{"AFifoAsTheCatalogue", "mkfifo p.db", "timeout 20 $KDB export p.db", nullptr, "not a regular file"},
        TargetCase{"BackupOfAnEmptyFile", ": > e.db", "$KDB backup copy.db e.db", nullptr, "is not a Kelvara catalogue"},
        TargetCase{"ADeviceThatIsFull", "true", "$KDB export --output /dev/full", nullptr,
                   "cannot write"},
        // Commands that make a new database never replace anything, not even a link.
        TargetCase{"InitOverALink", "ln -s victim.txt new.db", "$KDB init new.db", nullptr,
                   "new.db already exists"},
        TargetCase{"BackupOverADanglingLink", "ln -s nowhere.db copy.db", "$KDB backup copy.db",
                   nullptr, "copy.db already exists"},
        TargetCase{"GenerateOverTheCatalogue", "true",
                   "$KDB generate --compressors 10 database.db", nullptr, "already exists"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteTarget, DevicesAndPipesStayWhatTheyWere)
{
    TempDir dir;
    makeSample(dir.path("database.db"));
    ASSERT_NE(runBinary({"export", "--output", "/dev/full"}, dir.dir().string()).status, 0);
    struct stat full {};
    ASSERT_EQ(lstat("/dev/full", &full), 0);
    EXPECT_TRUE(S_ISCHR(full.st_mode));
    // The replaced file keeps its permissions; a new one gets the usual ones.
    writeFile(dir.path("kept.csv"), "old\n");
    fs::permissions(dir.path("kept.csv"), fs::perms::owner_read | fs::perms::owner_write |
                                              fs::perms::group_read);
    ASSERT_EQ(runBinary({"export", "--output", "kept.csv"}, dir.dir().string()).status, 0);
    EXPECT_EQ(fs::status(dir.path("kept.csv")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(WriteTarget, CopiesKeepTheCatalogueModeAndAReplacedFileItsOwner)
{
    TempDir dir;
    makeSample(dir.path("database.db"));
    writeFile(dir.path("theirs.csv"), "old\n");
    const bool theirs = chown(dir.path("theirs.csv").c_str(), 4321, 4322) == 0;  // where allowed (root)
    ASSERT_EQ(shell("cd " + shellQuote(dir.dir().string()) + " && chmod 600 database.db && KDB="
                    + shellQuote(binaryPath()) + " && $KDB backup b.db && $KDB copy database.db c.db && "
                      "$KDB export --output theirs.csv && stat -c %a b.db c.db > got && stat -c %u theirs.csv >> got"),
              0);
    EXPECT_EQ(readFile(dir.path("got")), "600\n600\n" + std::to_string(theirs ? 4321 : getuid()) + "\n");
}

}  // namespace
}  // namespace kelvara::dbtool::testing
