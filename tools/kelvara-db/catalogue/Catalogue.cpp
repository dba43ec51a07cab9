#include "Catalogue.h"

#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
#include "Schema.h"
#include "Sqlite2Reader.h"
#include "Statements.h"
#include "ToolError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kelvara::dbtool {

namespace {

constexpr int kReadOnly = 8;

void requireCatalogueFile(const std::string& path)
{
    struct stat file {};
    if (stat(path.c_str(), &file) != 0)
        throw ToolError(path + ": " + (errno == ENOENT ? std::string("no such file") : std::strerror(errno)));
    if (S_ISDIR(file.st_mode))
        throw ToolError(path + " is a folder, not a catalogue file");
    // SQLite would wait forever for a pipe's writer, or read a device as if it were a file.
    if (!S_ISREG(file.st_mode))
        throw ToolError(path + " is not a regular file (a pipe, socket or device), not a catalogue file");
}

bool hasHotJournal(const std::string& path)
{
    struct stat journal {};
    return stat((path + "-journal").c_str(), &journal) == 0 && journal.st_size > 0;
}

[[noreturn]] void refuseHalfWritten(const std::string& path, const std::string& why)
{
    throw ToolError(path + " was left half-written by an interrupted write (a killed command, a crash or a full "
                           "disk); " + path + "-journal holds what undoes it, and " + why + ". Open it once as a user "
                    "who may write the file and its folder (any kelvara-db command, or Kelvara itself, rolls the "
                    "write back), and never delete " + path + "-journal by hand: without it the catalogue stays "
                    "damaged");
}

// A read-only connection cannot roll an interrupted write back, and SQLite then refuses to
// read at all. Where the file may be written, one read through a writing connection rolls
// it back, as the catalogue program does when it opens the file.
void rollBackInterruptedWrite(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (access(path.c_str(), W_OK) != 0 || access(folder.empty() ? "." : folder.c_str(), W_OK) != 0)
        refuseHalfWritten(path, "this user may not write it");
    try {
        CppSQLiteSession writer;
        writer.applyBusyTimeout(kBusyTimeoutMs);
        writer.open(path.c_str(), db::Access::readWrite, "kelvara-db");
        writer.execute("SELECT count(*) FROM sqlite_master");
    } catch (const CppSQLiteException& e) {
        refuseHalfWritten(path, std::string("rolling it back failed: ") + e.engineMessage());
    }
}

// Opening reads nothing; reading the schema is what tells a database from other files.
// With no busy time-out the caller does its own waiting, so a lock is left for it.
void probeFile(CppSQLiteSession& session, const std::string& path, int busyTimeoutMs)
{
    try {
        session.execute("SELECT count(*) FROM sqlite_master");
    } catch (const CppSQLiteException& e) {
        if (e.isBusy()) {
            if (busyTimeoutMs == 0)
                return;
            throw CatalogueLocked(path + " is locked by another program (waited " + std::to_string(busyTimeoutMs / 1000)
                                  + " seconds); try again once it has finished writing");
        }
        if (e.errorCode() == kReadOnly && hasHotJournal(path)) {
            rollBackInterruptedWrite(path);
            session.execute("SELECT count(*) FROM sqlite_master");
            return;
        }
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
        probeFile(*session, name, busyTimeoutMs);
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

std::optional<unsigned> filePermissions(const std::string& name)
{
    struct stat file {};
    if (isConnectionString(name) || stat(name.c_str(), &file) != 0)
        return std::nullopt;
    return static_cast<unsigned>(file.st_mode & 0777);
}

void removeCatalogueFiles(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::filesystem::remove(path + "-journal", ec);
}

NewCatalogue::NewCatalogue(const std::string& path, std::optional<unsigned> permissions)
    : m_file(path, OutputFile::Mode::NewFile, permissions)
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
