#include "ToolTestSupport.h"

#include "TestSupport.h"

#include "Tool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

namespace kelvara::dbtool::testing {

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        std::ostringstream name;
        name << "kelvara-tools-" << stamp << '-' << counter++;
#if defined(__unix__) || defined(__APPLE__)
        name << '-' << getpid();
#endif
        m_dir = std::filesystem::temp_directory_path() / name.str();
        if (std::filesystem::create_directory(m_dir)) {
            break;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

RunResult runTool(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    RunResult result;
    result.status = kelvara::dbtool::runTool(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::string binaryPath()
{
    return KELVARA_DB_BINARY;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

int shell(const std::string& command)
{
    const int raw = std::system(command.c_str());
#if defined(__unix__) || defined(__APPLE__)
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#else
    return raw;
#endif
}

RunResult runBinary(const std::vector<std::string>& args, const std::string& cwd)
{
    TempDir capture;
    std::string command;
    if (!cwd.empty()) {
        command += "cd " + shellQuote(cwd) + " && ";
    }
    command += shellQuote(binaryPath());
    for (const std::string& arg : args) {
        command += " " + shellQuote(arg);
    }
    command += " >" + shellQuote(capture.path("out")) + " 2>" + shellQuote(capture.path("err")) +
               " </dev/null";
    RunResult result;
    result.status = shell(command);
    result.out = readFile(capture.path("out"));
    result.err = readFile(capture.path("err"));
    return result;
}

int startBinary(const std::vector<std::string>& args, const std::string& cwd, const std::string& environment)
{
    std::string command = "cd " + shellQuote(cwd) + " && exec env " + environment + " " + shellQuote(binaryPath());
    for (const std::string& arg : args)
        command += " " + shellQuote(arg);
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", (command + " >/dev/null 2>&1 </dev/null").c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

std::string awaitEntry(const std::filesystem::path& dir, const std::string& prefix, int pid)
{
    for (;;) {
        std::error_code ec;  // entries come and go while the tool works: an error means look again
        for (std::filesystem::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path().filename().string().rfind(prefix, 0) == 0)
                return it->path().string();
        }
        if (pid == 0 || waitpid(pid, nullptr, WNOHANG) == pid)
            return {};
        std::this_thread::yield();
    }
}

int signalAndReap(int pid, int signal)
{
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& content)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    ASSERT_TRUE(file.good()) << path;
}

namespace {

// The tool may still be finishing with the file; wait for it as the program would.
constexpr int kLockWaitMs = 10000;

}  // namespace

void execSql(const std::string& db, const std::string& sql)
{
    try {
        kelvara::test::RawDb(db, kLockWaitMs).exec(sql);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
}

std::string querySql(const std::string& db, const std::string& sql)
{
    std::string rows;
    try {
        for (const kelvara::test::Row& row : kelvara::test::RawDb(db, kLockWaitMs).query(sql)) {
            if (!rows.empty()) {
                rows += '\n';
            }
            for (std::size_t c = 0; c < row.size(); ++c) {
                rows += (c > 0 ? "|" : "") + row[c].value_or("<null>");
            }
        }
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
    return rows;
}

long long countRows(const std::string& db, const std::string& table)
{
    return std::stoll(querySql(db, "SELECT count(*) FROM " + table));
}

void makeSample(const std::string& db)
{
    const RunResult result = runTool({"init", "--sample", db});
    ASSERT_EQ(result.status, 0) << result.err;
}

void makeEmpty(const std::string& db)
{
    const RunResult result = runTool({"init", db});
    ASSERT_EQ(result.status, 0) << result.err;
}

}  // namespace kelvara::dbtool::testing
