#pragma once

// The catalogues the benchmark runs on: a temporary directory of catalogue files, generated
// there, and (with --server) their copies on a PostgreSQL server.

#include "Generator.h"

#include <filesystem>
#include <map>
#include <string>
#include <utility>

namespace kelvara::bench {

namespace fs = std::filesystem;

// The file the program opens in its current directory.
extern const char* const kDatabaseFile;

// A new directory under the system's temporary directory, removed with its contents.
class WorkDirectory {
public:
    WorkDirectory();
    ~WorkDirectory();
    WorkDirectory(const WorkDirectory&) = delete;
    WorkDirectory& operator=(const WorkDirectory&) = delete;

    // A subdirectory holding a database.db for the window to open.
    fs::path catalogueDirectory(const std::string& name) const;

private:
    fs::path m_path;
};

// Makes dir the current directory while it lives: the program opens "database.db" there.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& dir);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    fs::path m_previous;
};

// With --server: the catalogue of each directory, copied to a database of its own on the
// server; dropped again at the end.
class ServerCatalogues {
public:
    explicit ServerCatalogues(std::string server) : m_server(std::move(server)) {}
    ~ServerCatalogues();
    ServerCatalogues(const ServerCatalogues&) = delete;
    ServerCatalogues& operator=(const ServerCatalogues&) = delete;

    void add(const fs::path& dir, const std::string& database);
    // What the program and the yardstick open for dir: its server catalogue, or its file.
    std::string of(const fs::path& dir) const;
    std::string bareName(const fs::path& dir) const;

private:
    void admin(const std::string& sql);

    std::string m_server;
    std::map<fs::path, std::string> m_databases;
};

// Generates dir/database.db, saying what and how long it took.
kelvara::dbtool::GenerationPlan generate(const fs::path& dir, const kelvara::dbtool::GenerateOptions& options);

}  // namespace kelvara::bench
