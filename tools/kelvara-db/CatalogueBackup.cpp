#include "CatalogueBackup.h"

#include "Catalogue.h"
#include "Command.h"
#include "OutputFile.h"
#include "Sqlite.h"

#include <sqlite3.h>

#include <algorithm>
#include <thread>

namespace kelvara::dbtool {

namespace {

// Owns the backup handle; finishing it releases the source's lock.
class BackupHandle {
public:
    BackupHandle(sqlite3* dest, sqlite3* source)
        : m_backup(sqlite3_backup_init(dest, "main", source, "main"))
    {
        if (m_backup == nullptr) {
            throw ToolError(std::string("cannot start the backup: ") + sqlite3_errmsg(dest));
        }
    }
    BackupHandle(const BackupHandle&) = delete;
    BackupHandle& operator=(const BackupHandle&) = delete;
    ~BackupHandle() { finish(); }

    int step() { return sqlite3_backup_step(m_backup, -1); }
    int pages() const { return sqlite3_backup_pagecount(m_backup); }
    int finish()
    {
        const int rc = m_backup != nullptr ? sqlite3_backup_finish(m_backup) : SQLITE_OK;
        m_backup = nullptr;
        return rc;
    }

private:
    sqlite3_backup* m_backup;
};

int copyPages(Connection& source, Connection& dest, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(10);
    BackupHandle backup(dest.handle(), source.handle());
    for (;;) {
        const int rc = backup.step();
        if (rc == SQLITE_DONE) {
            break;
        }
        const int primary = rc & 0xFF;
        if (primary != SQLITE_BUSY && primary != SQLITE_LOCKED) {
            backup.finish();
            throw ToolError(std::string("backup failed: ") + sqlite3_errstr(rc));
        }
        // Another process is writing: wait politely, a little longer each time.
        if (std::chrono::steady_clock::now() + pause > deadline) {
            throw ToolError("backup gave up: " + source.path() + " stayed locked by another "
                            "process for " + std::to_string(patience.count() / 1000) +
                            " seconds");
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(250));
    }
    const int pages = backup.pages();
    const int rc = backup.finish();
    if (rc != SQLITE_OK) {
        throw ToolError(std::string("backup failed: ") + sqlite3_errstr(rc));
    }
    return pages;
}

}  // namespace

BackupResult backupCatalogue(const std::string& source, const std::string& dest,
                             std::chrono::milliseconds patience)
{
    // No busy timeout: the retry loop below does the waiting, so patience is the limit.
    Connection from(source, Connection::Mode::ReadOnly, 0);
    OutputFile file(dest, OutputFile::Mode::NewFile);
    BackupResult result;
    try {
        Connection to(file.path(), Connection::Mode::ReadWrite);
        result.pages = copyPages(from, to, patience);
        // The backup copies pages as they are, damage included: the copy says what it holds.
        try {
            Statement check = to.prepare("PRAGMA integrity_check");
            while (check.step()) {
                if (check.text(0) != "ok") {
                    result.damage.emplace_back(check.text(0));
                }
            }
        } catch (const ToolError& e) {
            result.damage.emplace_back(e.what());
        }
    } catch (...) {
        removeCatalogueFiles(file.path());
        throw;
    }
    result.savedAs = result.damage.empty() ? dest : dest + kDamagedSuffix;
    if (result.damage.empty()) {
        file.commit();
    } else {
        file.commitAs(result.savedAs);
    }
    return result;
}

}  // namespace kelvara::dbtool
