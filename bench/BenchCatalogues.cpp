#include "BenchCatalogues.h"

#include "BareSql.h"
#include "Measure.h"

#include "Catalogue.h"
#include "CatalogueRows.h"

#include <iostream>
#include <random>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace kelvara::bench {

const char* const kDatabaseFile = "database.db";

WorkDirectory::WorkDirectory()
{
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = fs::temp_directory_path() / ("kelvara-bench-" + std::to_string(seed()));
        if (fs::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a working directory");
}

WorkDirectory::~WorkDirectory()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

fs::path WorkDirectory::catalogueDirectory(const std::string& name) const
{
    const fs::path dir = m_path / name;
    fs::create_directories(dir);
    return dir;
}

CurrentDirectory::CurrentDirectory(const fs::path& dir) : m_previous(fs::current_path())
{
    fs::current_path(dir);
}

CurrentDirectory::~CurrentDirectory()
{
    std::error_code ignored;
    fs::current_path(m_previous, ignored);
}

ServerCatalogues::~ServerCatalogues()
{
    for (const auto& [dir, database] : m_databases) {
        try {
            admin("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        } catch (const std::exception&) {
            // Left for the server's owner.
        }
    }
}

void ServerCatalogues::add(const fs::path& dir, const std::string& database)
{
    std::cout << "copying " << database << " to the server ... " << std::flush;
    const double ms = millisecondsOf([&] {
        admin("DROP DATABASE IF EXISTS " + database + " WITH (FORCE)");
        admin("CREATE DATABASE " + database + " TEMPLATE template0 ENCODING 'UTF8'");
        m_databases[dir] = database;
        const std::string target = of(dir);
        kelvara::dbtool::writeNewCatalogue(target, kelvara::dbtool::StoredCatalogue((dir / kDatabaseFile).string()));
        BareSql(target).run(BareStatement{"ANALYZE", false});
    });
    std::cout << ms / 1000 << " s\n";
}

std::string ServerCatalogues::of(const fs::path& dir) const
{
    const auto found = m_databases.find(dir);
    return found == m_databases.end() ? std::string() : m_server + " dbname=" + found->second;
}

std::string ServerCatalogues::bareName(const fs::path& dir) const
{
    const std::string name = of(dir);
    return name.empty() ? std::string(kDatabaseFile) : name;
}

void ServerCatalogues::admin(const std::string& sql)
{
    BareSql(m_server + " dbname=postgres").run(BareStatement{sql, false});
}

kelvara::dbtool::GenerationPlan generate(const fs::path& dir, const kelvara::dbtool::GenerateOptions& options)
{
    std::cout << "generating " << options.manufacturers << " manufacturers, " << options.models << " models, "
              << options.compressors << " compressors ... " << std::flush;
    kelvara::dbtool::GenerationPlan plan;
    const double ms = millisecondsOf(
        [&] { plan = kelvara::dbtool::generateCatalogue((dir / kDatabaseFile).string(), options); });
    std::cout << ms / 1000 << " s\n";
    return plan;
}

}  // namespace kelvara::bench
