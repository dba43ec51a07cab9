#include "Catalogue.h"

#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
#include "Schema.h"
#include "Sqlite2Reader.h"
#include "Statements.h"
#include "ToolError.h"

#include <filesystem>

namespace kelvara::dbtool {

namespace {

constexpr int kBusy = 5;

void requireCatalogueFile(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw ToolError(path + ": no such file");
    if (std::filesystem::is_directory(path, ec))
        throw ToolError(path + " is a folder, not a catalogue file");
}

// Opening reads nothing; reading the schema is what tells a database from other files.
// A file locked by a writer cannot be told apart yet; the statements that follow wait
// for it or report it.
void probeFile(CppSQLiteSession& session, const std::string& path)
{
    try {
        session.execute("SELECT count(*) FROM sqlite_master");
    } catch (const CppSQLiteException& e) {
        if (e.errorCode() == kBusy)
            return;
        if (sqlite2::hasSqlite2Header(path)) {
            throw ToolError(path + " is a catalogue written by SQLite 2, which this tool and Kelvara cannot open. "
                                   "Convert it once with\n    kelvara-db migrate " + path +
                            " new.db\nthen put new.db in its place");
        }
        throw ToolError("cannot read " + path + ": " + e.engineMessage());
    }
}

}  // namespace

std::unique_ptr<CppSQLiteSession> openCatalogue(const std::string& name, db::Access access, int busyTimeoutMs)
{
    const bool server = isConnectionString(name);
    if (!server)
        requireCatalogueFile(name);
    auto session = std::make_unique<CppSQLiteSession>();
    session->applyBusyTimeout(busyTimeoutMs);
    try {
        session->open(name.c_str(), access, "kelvara-db");
    } catch (const CppSQLiteException& e) {
        throw ToolError((server ? "cannot connect to " : "cannot open ") + name + ": " + e.engineMessage());
    }
    if (!server)
        probeFile(*session, name);
    return session;
}

long long scalarOf(CppSQLiteSession& session, const std::string& sql, const db::BoundValues& values)
{
    CppSQLiteCursor cursor = session.execute(sql, values);
    const char* text = cursor.field(0);
    return text ? std::stoll(text) : 0;
}

bool isPlainNumber(std::string_view text)
{
    // The same rule as the program's price check, so the tool and the window never disagree.
    return kelvara::sql::isPlainSqlNumber(std::string(text));
}

void removeCatalogueFiles(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::filesystem::remove(path + "-journal", ec);
}

NewCatalogue::NewCatalogue(const std::string& path) : m_file(path, OutputFile::Mode::NewFile)
{
    try {
        m_session = openCatalogue(m_file.path(), db::Access::readWrite);
        CppSQLiteTransaction transaction(*m_session, CppSQLiteTransaction::Kind::write);
        m_session->executeScript(catalogueSchemaSql());
        transaction.commit();
    } catch (const CppSQLiteException& e) {
        m_session.reset();
        removeCatalogueFiles(m_file.path());
        throw ToolError("cannot create " + path + ": " + e.engineMessage());
    } catch (...) {
        m_session.reset();
        removeCatalogueFiles(m_file.path());
        throw;
    }
}

NewCatalogue::~NewCatalogue()
{
    // The temporary itself goes with m_file unless it was given its name.
    m_session.reset();
    std::error_code ec;
    std::filesystem::remove(m_file.path() + "-journal", ec);
}

void NewCatalogue::keep()
{
    m_session.reset();
    m_file.commit();
}

}  // namespace kelvara::dbtool
