// The built kelvara-db binary and the desktop launcher, run as a user or a script would.

#include "CatalogueSecrets.h"
#include "Tool.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kelvara::dbtool::testing {
namespace {

TEST(CommandLine, HelpForTheToolAndEveryCommand)
{
    const RunResult overview = runBinary({"--help"});
    EXPECT_EQ(overview.status, 0);
    EXPECT_EQ(overview.err, "");
    for (const Command* command : commands()) {
        SCOPED_TRACE(command->name);
        EXPECT_NE(overview.out.find(std::string("  ") + command->name), std::string::npos);
        const RunResult help = runBinary({command->name, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out, command->help);
        EXPECT_EQ(help.out.rfind(std::string("Usage: kelvara-db ") + command->name, 0), 0u);
    }
}

TEST(CommandLine, WrongUsageExitsTwoWithAHintOnStandardError)
{
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{}, "Usage: kelvara-db COMMAND"},
        {{"frobnicate"}, "kelvara-db: unknown command 'frobnicate'"},
        {{"init", "--fast"}, "kelvara-db init: unknown option '--fast'"},
        {{"init", "-s"}, "kelvara-db init: unknown option '-s'"},
        {{"init", "--sample=yes"}, "kelvara-db init: option '--sample' takes no value"},
        {{"init", "a.db", "b.db"}, "kelvara-db init: unexpected argument 'b.db'"},
        {{"import"}, "kelvara-db import: missing argument"},
        {{"backup"}, "kelvara-db backup: missing argument"},
        {{"export", "--output"}, "kelvara-db export: option '--output' needs a value"},
        {{"export", "--output", "a", "--output", "b"}, "option '--output' given twice"},
        {{"generate", "--compressors", "lots", "x.db"},
         "option '--compressors' needs a whole number from 0 to 20000000, not 'lots'"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const RunResult result = runBinary(c.args, dir.dir().string());
        EXPECT_EQ(result.status, 2) << c.message;
        EXPECT_EQ(result.out, "") << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.dir())) << "a usage error created a file";
}

TEST(CommandLine, DefaultsToDatabaseDbInTheCurrentDirectory)
{
    TempDir dir;
    const RunResult created = runBinary({"init", "--sample"}, dir.dir().string());
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_TRUE(std::filesystem::exists(dir.path("database.db")));

    const RunResult checked = runBinary({"check"}, dir.dir().string());
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.out, "ok: database.db: 15 manufacturers, 60 models, 300 compressors\n");

    const RunResult exported = runBinary({"export", "--output", "all.csv"}, dir.dir().string());
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.err, "exported 300 compressors to all.csv\n");

    // Standard input as the import file, into another catalogue.
    ASSERT_EQ(runBinary({"init", "other.db"}, dir.dir().string()).status, 0);
    const int status = shell("cd " + shellQuote(dir.dir().string()) + " && " +
                             shellQuote(binaryPath()) + " import - other.db <all.csv >/dev/null");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(countRows(dir.path("other.db"), "kompresory"), 300);

    const RunResult backup = runBinary({"backup", "copy.db"}, dir.dir().string());
    EXPECT_EQ(backup.status, 0) << backup.err;
    EXPECT_EQ(countRows(dir.path("copy.db"), "kompresory"), 300);

}

// A password in a connection string or URI is never shown: the tool's messages mask it.
TEST(CommandLine, APasswordIsNeverShown)
{
    const RunResult result = runTool({"check", "host=/nowhere-kelvara password=s3cret dbname=x"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot connect to host=/nowhere-kelvara password=******** dbname=x: "), std::string::npos)
        << result.err;
    EXPECT_EQ(db::withoutPassword("postgresql://u:s3cret@h/k?sslmode=require&password=x"),
              "postgresql://u:********@h/k?sslmode=require&password=********");
    EXPECT_EQ(db::withoutPassword("dbname=k password = 'it\\'s' passwordless=1"), "dbname=k password = ******** passwordless=1");
}

// The launcher makes the data directory, creates an empty catalogue there the first time
// and runs the program from it. The program is replaced by a script that records where
// it ran.
TEST(Launcher, CreatesTheCatalogueOnceAndStartsTheProgramInItsDirectory)
{
    TempDir dir;
    const std::filesystem::path bin = dir.dir() / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(KELVARA_LAUNCHER_SCRIPT, bin / "kelvara-launcher");
    std::filesystem::create_symlink(binaryPath(), bin / "kelvara-db");
    writeFile((bin / "kelvara").string(),
              "#!/bin/sh\npwd > \"$KELVARA_TEST_LOG\"\necho \"$@\" >> \"$KELVARA_TEST_LOG\"\n"
              "echo \"${KELVARA_CATALOGUE-}\" >> \"$KELVARA_TEST_LOG\"\n");
    std::filesystem::permissions(bin / "kelvara", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    std::filesystem::permissions(bin / "kelvara-launcher", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);

    const std::string vars = "HOME=" + shellQuote(dir.path("home")) +
                             " KELVARA_TEST_LOG=" + shellQuote(dir.path("log")) +
                             " PATH=/usr/bin:/bin ";
    const std::string env = "env -u XDG_DATA_HOME -u XDG_CONFIG_HOME " + vars;
    const std::string launcher = shellQuote((bin / "kelvara-launcher").string());
    const std::string data = dir.path("home/.local/share/kelvara");

    ASSERT_EQ(shell(env + launcher + " --extra-arg >/dev/null"), 0);
    EXPECT_EQ(readFile(dir.path("log")), data + "\n--extra-arg\n\n");
    EXPECT_EQ(runTool({"check", data + "/database.db"}).status, 0);
    EXPECT_EQ(countRows(data + "/database.db", "kompresory"), 0);

    // Second start: the catalogue is used as it is, not created again.
    execSql(data + "/database.db", "INSERT INTO Marki (marka) VALUES ('Mine')");
    ASSERT_EQ(shell(env + launcher + " >/dev/null"), 0);
    EXPECT_EQ(querySql(data + "/database.db", "SELECT marka FROM Marki"), "Mine");

    // XDG_DATA_HOME wins over HOME.
    const std::string xdg = dir.path("xdg");
    ASSERT_EQ(shell("env -u XDG_CONFIG_HOME XDG_DATA_HOME=" + shellQuote(xdg) + " " + vars + launcher + " >/dev/null"),
              0);
    EXPECT_EQ(readFile(dir.path("log")), xdg + "/kelvara\n\n\n");
    EXPECT_TRUE(std::filesystem::exists(xdg + "/kelvara/database.db"));

    // A data folder that cannot be made: the reason goes to a window as well as to stderr.
    writeFile(dir.path("blocker"), "a file where the folder should be");
    writeFile((bin / "zenity").string(), "#!/bin/sh\necho \"$@\" > \"$KELVARA_TEST_LOG\"\n");
    std::filesystem::permissions(bin / "zenity", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    const std::string blocked = "env DISPLAY=:99 XDG_DATA_HOME=" +
                                shellQuote(dir.path("blocker")) + " " + vars +
                                "PATH=" + shellQuote(bin.string()) + ":/usr/bin:/bin ";
    EXPECT_EQ(shell(blocked + launcher + " 2>/dev/null"), 1);
    const std::string shown = readFile(dir.path("log"));
    EXPECT_EQ(shown.rfind("--error --title=Kelvara --no-markup --text=Kelvara cannot create its "
                          "data folder " + dir.path("blocker") + "/kelvara: cannot create",
                          0),
              0u)
        << shown;
    EXPECT_NE(shown.find("Not a directory"), std::string::npos) << shown;

    // A counter on a shared catalogue: the configured line is handed over as it is, in the
    // environment rather than on the command line, and no catalogue file is made for it. A
    // password in it that others can read is refused.
    std::filesystem::create_directories(dir.path("config/kelvara"));
    const std::string config = dir.path("config/kelvara/catalogue");
    const std::string other = dir.path("other");
    const std::string counter = "env XDG_CONFIG_HOME=" + shellQuote(dir.path("config")) + " XDG_DATA_HOME="
                                + shellQuote(other) + " " + vars;
    writeFile(config, "service=kelvara host=/run/pg\nignored\n");
    ASSERT_EQ(shell(counter + launcher + " -x >/dev/null"), 0);
    EXPECT_EQ(readFile(dir.path("log")), other + "/kelvara\n-x\nservice=kelvara host=/run/pg\n");
    writeFile(config, "host=/run/pg password=s3cret\n");
    std::filesystem::permissions(config, std::filesystem::perms(0644));
    EXPECT_EQ(shell(counter + launcher + " 2>" + shellQuote(dir.path("err"))), 1);
    EXPECT_NE(readFile(dir.path("err")).find(config + " holds a password and other users can read it"),
              std::string::npos);
    std::filesystem::permissions(config, std::filesystem::perms(0600));
    ASSERT_EQ(shell(counter + launcher + " -x >/dev/null"), 0);
    EXPECT_EQ(readFile(dir.path("log")), other + "/kelvara\n-x\nhost=/run/pg password=s3cret\n");
    EXPECT_FALSE(std::filesystem::exists(other + "/kelvara/database.db"));
}

}  // namespace
}  // namespace kelvara::dbtool::testing
