#include "CatalogueSnapshot.h"

#include "Catalogue.h"
#include "CatalogueRows.h"
#include "LeftoverFiles.h"
#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
#include "ToolError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

namespace kelvara::dbtool {

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

void rethrowNamingAFullFolder(const ToolError& error, const std::string& folder)
{
    const std::string why = error.what();
    if (folder.empty() || (why.find("disk is full") == std::string::npos
                           && why.find(std::strerror(ENOSPC)) == std::string::npos))
        throw;
    throw ToolError(why + " (in the temporary folder " + std::filesystem::path(folder).parent_path().string()
                    + ", where a server catalogue is copied or built; set TMPDIR to a folder with room for it)");
}

CatalogueFile::CatalogueFile(const std::string& name) : m_name(name), m_path(name)
{
    if (!isConnectionString(name))
        return;
    m_folder.create();
    m_path = (std::filesystem::path(m_folder.path()) / "snapshot.db").string();
    m_fileGuard = LeftoverGuard(m_path, LeftoverGuard::Kind::File);
    try {
        writeNewCatalogue(m_path, StoredCatalogue(name));
    } catch (const ToolError& e) {
        rethrowNamingAFullFolder(e, m_folder.path());
    }
    const StoredCatalogue snapshot(m_path);
    CatalogueRow row;
    for (db::CatalogueTable table : kIdTables) {
        const std::unique_ptr<RowStream> rows = snapshot.rows(table);
        while (rows->next(row))
            m_taken[table].insert(row.key);
    }
}

std::size_t CatalogueFile::addNewRowsToServer()
{
    if (m_folder.path().empty())
        return 0;
    const StoredCatalogue now(m_path);
    const std::unique_ptr<CppSQLiteSession> server = openCatalogue(m_name, db::Access::readWrite);
    CppSQLiteTransaction transaction(*server, CppSQLiteTransaction::Kind::write);
    // Whatever numbers the new rows, no id a removed parent's dependants still refer to.
    raiseIdSequences(*server);
    // The snapshot numbered new rows after its own highest ids, which another counter may have
    // used meanwhile (or used and removed): each new row gets an id from the server's sequence
    // instead, and the rows under it follow.
    std::array<std::map<long long, long long>, 3> renumbered;
    std::size_t added = 0;
    for (std::size_t t = 0; t < std::size(kIdTables); ++t) {
        const TableDescription& description = catalogueTables()[kIdTables[t]];
        CatalogueRow row;
        std::vector<long long> keys;
        for (NewRows fresh(now.rows(kIdTables[t]), m_taken[t]); fresh.next(row);)
            keys.push_back(row.key);
        std::vector<long long> ids;
        for (CppSQLiteCursor next = server->execute("select nextval($1::regclass) from generate_series(1, $2)",
                                                    {idUses()[t].sequence, static_cast<long long>(keys.size())});
             !next.atEnd(); next.advance())
            ids.push_back(std::stoll(next.field(0)));
        std::sort(ids.begin(), ids.end());
        for (std::size_t k = 0; k < keys.size() && k < ids.size(); ++k)
            renumbered[t][keys[k]] = ids[k];
        NewRows fresh(now.rows(kIdTables[t]), m_taken[t]);
        std::array<std::string, 2> idTexts;
        try {
            server->loadRows(description.name, description.columns, [&](db::BoundValues& out) {
                if (!fresh.next(row))
                    return false;
                idTexts[0] = std::to_string(renumbered[t].at(row.key));
                out.emplace_back(idTexts[0]);
                // The parent's new id, when the parent is new too.
                for (std::size_t c = 1; c < row.values.size(); ++c) {
                    if (t > 0 && c == 1 && row.values[c]) {
                        const auto parent = renumbered[t - 1].find(std::stoll(*row.values[c]));
                        if (parent != renumbered[t - 1].end()) {
                            idTexts[1] = std::to_string(parent->second);
                            out.emplace_back(idTexts[1]);
                            continue;
                        }
                    }
                    out.emplace_back(row.values[c]);
                }
                ++added;
                return true;
            });
        } catch (const CppSQLiteException& e) {
            // Only a lock (or a lost serialisation) goes away by trying again; a value the
            // server refuses, such as a numeric overflow, would fail the same way every time.
            throw ToolError(m_name + ": " + description.name + ": " + e.engineMessage()
                            + (e.isBusy() ? " (another program holds or changed the catalogue meanwhile; "
                                                        "nothing was written, try again)"
                                        : "; nothing was written"));
        }
    }
    transaction.commit();
    return added;
}

NewCatalogueTarget::NewCatalogueTarget(const std::string& name) : m_name(name), m_path(name)
{
    if (!isConnectionString(name))
        return;
    m_folder.create();
    m_path = (std::filesystem::path(m_folder.path()) / "new.db").string();
    m_fileGuard = LeftoverGuard(m_path, LeftoverGuard::Kind::File);
}

void NewCatalogueTarget::publish()
{
    if (!m_folder.path().empty())
        writeNewCatalogue(m_name, StoredCatalogue(m_path));
}

}  // namespace kelvara::dbtool
