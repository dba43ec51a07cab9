#include "ToolTestSupport.h"

#include "Tool.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/wait.h>
#include <unistd.h>
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

struct Db {
    explicit Db(const std::string& path)
    {
        if (sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path;
        }
        sqlite3_busy_timeout(handle, 10000);
    }
    ~Db() { sqlite3_close(handle); }
    sqlite3* handle = nullptr;
};

}  // namespace

void execSql(const std::string& db, const std::string& sql)
{
    Db connection(db);
    char* message = nullptr;
    const int rc = sqlite3_exec(connection.handle, sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (message != nullptr ? message : "");
    sqlite3_free(message);
}

std::string querySql(const std::string& db, const std::string& sql)
{
    Db connection(db);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(connection.handle, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(connection.handle);
        return {};
    }
    std::string rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        if (!rows.empty()) {
            rows += '\n';
        }
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            if (c > 0) {
                rows += '|';
            }
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
            if (text == nullptr) {
                rows += "<null>";
            } else {
                rows.append(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
            }
        }
    }
    sqlite3_finalize(stmt);
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
