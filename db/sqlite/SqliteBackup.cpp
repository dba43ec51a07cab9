// The page-for-page copy of a catalogue file, through SQLite's online backup.

#include "CppSQLiteException.h"
#include "FileBackup.h"

#include <sqlite3.h>

#include <algorithm>
#include <thread>

namespace kelvara::db {

namespace {

// One end of the copy; closed on every way out.
struct FileHandle {
    sqlite3* db = nullptr;
    FileHandle(const std::string& path, int flags)
    {
        const int result = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
        if (result != SQLITE_OK) {
            char* message = sqlite3_mprintf("cannot open %s: %s", path.c_str(),
                                            db ? sqlite3_errmsg(db) : sqlite3_errstr(result));
            sqlite3_close(db);
            throw CppSQLiteException(result, message, true);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { sqlite3_close(db); }
};

[[noreturn]] void backupFailed(int result)
{
    throw CppSQLiteException(result & 0xFF, sqlite3_mprintf("%s", sqlite3_errstr(result)), true);
}

}  // namespace

int backupCatalogueFile(const std::string& source, const std::string& dest, std::chrono::milliseconds patience)
{
    // No busy handler: the loop below does the waiting, so patience is the limit.
    const FileHandle from(source, SQLITE_OPEN_READONLY);
    const FileHandle to(dest, SQLITE_OPEN_READWRITE);
    sqlite3_backup* backup = sqlite3_backup_init(to.db, "main", from.db, "main");
    if (!backup)
        throw CppSQLiteException(sqlite3_errcode(to.db), sqlite3_mprintf("%s", sqlite3_errmsg(to.db)), true);

    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(10);
    for (;;) {
        const int result = sqlite3_backup_step(backup, -1);
        if (result == SQLITE_DONE)
            break;
        const int primary = result & 0xFF;
        if (primary != SQLITE_BUSY && primary != SQLITE_LOCKED) {
            sqlite3_backup_finish(backup);
            backupFailed(result);
        }
        // Another process is writing: wait politely, a little longer each time.
        if (std::chrono::steady_clock::now() + pause > deadline) {
            sqlite3_backup_finish(backup);
            throw CppSQLiteException(SQLITE_BUSY,
                                     sqlite3_mprintf("%s stayed locked by another process for %d seconds",
                                                     source.c_str(), static_cast<int>(patience.count() / 1000)),
                                     true);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(250));
    }
    const int pages = sqlite3_backup_pagecount(backup);
    const int result = sqlite3_backup_finish(backup);
    if (result != SQLITE_OK)
        backupFailed(result);
    return pages;
}

}  // namespace kelvara::db
