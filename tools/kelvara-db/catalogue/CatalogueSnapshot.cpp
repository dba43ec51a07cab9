#include "CatalogueSnapshot.h"

#include "Catalogue.h"
#include "CatalogueRows.h"
#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
#include "ToolError.h"

#include <filesystem>
#include <random>

namespace kelvara::dbtool {

std::string temporaryFolder()
{
    const auto base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("kelvara-db-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate))
            return candidate.string();
    }
    throw ToolError("cannot create a temporary folder under " + base.string());
}

void removeFolder(const std::string& folder)
{
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

namespace {

constexpr db::CatalogueTable kIdTables[] = {db::kManufacturers, db::kModels, db::kCompressors};

// The rows of a file's table whose ids the snapshot did not hold.
class NewRows : public RowStream {
public:
    NewRows(std::unique_ptr<RowStream> rows, const std::set<long long>& taken)
        : m_rows(std::move(rows)), m_taken(taken)
    {
    }
    bool next(CatalogueRow& row) override
    {
        while (m_rows->next(row)) {
            if (!m_taken.count(row.key))
                return true;
        }
        return false;
    }

private:
    std::unique_ptr<RowStream> m_rows;
    const std::set<long long>& m_taken;
};

}  // namespace

CatalogueFile::CatalogueFile(const std::string& name) : m_name(name), m_path(name)
{
    if (!isConnectionString(name))
        return;
    m_directory = temporaryFolder();
    m_path = (std::filesystem::path(m_directory) / "snapshot.db").string();
    try {
        writeNewCatalogue(m_path, StoredCatalogue(name));
        const StoredCatalogue snapshot(m_path);
        CatalogueRow row;
        for (db::CatalogueTable table : kIdTables) {
            const std::unique_ptr<RowStream> rows = snapshot.rows(table);
            while (rows->next(row))
                m_taken[table].insert(row.key);
        }
    } catch (...) {
        removeFolder(m_directory);
        throw;
    }
}

CatalogueFile::~CatalogueFile()
{
    removeFolder(m_directory);
}

std::size_t CatalogueFile::addNewRowsToServer()
{
    if (m_directory.empty())
        return 0;
    const StoredCatalogue now(m_path);
    const std::unique_ptr<CppSQLiteSession> server = openCatalogue(m_name, db::Access::readWrite);
    CppSQLiteTransaction transaction(*server, CppSQLiteTransaction::Kind::write);
    std::size_t added = 0;
    for (db::CatalogueTable table : kIdTables) {
        const TableDescription& description = catalogueTables()[table];
        NewRows fresh(now.rows(table), m_taken[table]);
        CatalogueRow row;
        try {
            server->loadRows(description.name, description.columns, [&](db::BoundValues& out) {
                if (!fresh.next(row))
                    return false;
                out.insert(out.end(), row.values.begin(), row.values.end());
                ++added;
                return true;
            });
        } catch (const CppSQLiteException& e) {
            throw ToolError(m_name + ": " + description.name + ": " + e.engineMessage()
                            + " (another program may have changed the catalogue meanwhile; nothing was written, "
                              "try again)");
        }
    }
    transaction.commit();
    return added;
}

NewCatalogueTarget::NewCatalogueTarget(const std::string& name) : m_name(name), m_path(name)
{
    if (!isConnectionString(name))
        return;
    m_directory = temporaryFolder();
    m_path = (std::filesystem::path(m_directory) / "new.db").string();
}

NewCatalogueTarget::~NewCatalogueTarget()
{
    removeFolder(m_directory);
}

void NewCatalogueTarget::publish()
{
    if (!m_directory.empty())
        writeNewCatalogue(m_name, StoredCatalogue(m_path));
}

}  // namespace kelvara::dbtool
