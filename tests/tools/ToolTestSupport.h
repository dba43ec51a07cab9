#pragma once

// Helpers for the kelvara-db tests: a scratch directory per test, running the tool in
// process or as the built binary, and looking at database files directly.

#include <filesystem>
#include <string>
#include <vector>

namespace kelvara::dbtool::testing {

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    const std::filesystem::path& dir() const { return m_dir; }

private:
    std::filesystem::path m_dir;
};

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The tool's command line run in this process.
RunResult runTool(const std::vector<std::string>& args);

// The built kelvara-db binary run through the shell (Unix only); cwd empty = current.
RunResult runBinary(const std::vector<std::string>& args, const std::string& cwd = {});
std::string binaryPath();
// Exit status of a shell command line.
int shell(const std::string& command);
std::string shellQuote(const std::string& text);

// The pid of the built binary started in cwd, output thrown away, environment ("A=b ...") added.
int startBinary(const std::vector<std::string>& args, const std::string& cwd, const std::string& environment = {});
// The first entry under dir whose name starts with prefix, once there is one; empty when
// the process pid ended first (pid 0: look once).
std::string awaitEntry(const std::filesystem::path& dir, const std::string& prefix, int pid);
// The signal that ended pid after it was sent signal (-1 when it exited).
int signalAndReap(int pid, int signal);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);

// Runs SQL on a database file with a connection of its own; fails the test on error.
void execSql(const std::string& db, const std::string& sql);
// The rows of a query, columns joined by '|', rows by '\n'; NULL reads "<null>".
std::string querySql(const std::string& db, const std::string& sql);
long long countRows(const std::string& db, const std::string& table);

// A catalogue with the sample data, made through the tool.
void makeSample(const std::string& db);
// An empty catalogue, made through the tool.
void makeEmpty(const std::string& db);

}  // namespace kelvara::dbtool::testing
