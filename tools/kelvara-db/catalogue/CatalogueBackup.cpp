#include "CatalogueBackup.h"

#include "Catalogue.h"
#include "CppSQLiteException.h"
#include "FileBackup.h"
#include "OutputFile.h"
#include "ToolError.h"

#include <cstdint>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kelvara::dbtool {

namespace {

int copyPages(const std::string& source, const std::string& dest, std::chrono::milliseconds patience)
{
    try {
        return db::backupCatalogueFile(source, dest, patience);
    } catch (const CppSQLiteException& e) {
        throw ToolError(std::string(e.isBusy() ? "backup gave up: " : "backup failed: ")
                        + e.engineMessage());
    }
}

// What SQLite's integrity check finds wrong with the copy; the copy says what it holds,
// since the backup copies pages as they are, damage included.
std::vector<std::string> damageOf(const std::string& path)
{
    std::vector<std::string> damage;
    try {
        CppSQLiteSession copy;
        copy.open(path.c_str(), db::Access::readWrite, "kelvara-db");
        for (CppSQLiteCursor check = copy.execute("PRAGMA integrity_check"); !check.atEnd(); check.advance()) {
            if (check.fieldView(0) != "ok")
                damage.emplace_back(check.fieldView(0));
        }
    } catch (const CppSQLiteException& e) {
        damage.emplace_back(e.engineMessage());
    }
    return damage;
}

// The backup copies as many pages as the file's header claims; a hole in a sparse file reads
// as zeros. A file of 64 KB of data whose header and length claim 4 GB would make a 4 GB copy,
// so the claim is held against the bytes the file really stores. (A file shorter than its
// claim SQLite itself calls malformed.) Compressing file systems store less than they hold,
// but never a sixty-fourth of a catalogue.
void requireStoredPages(const std::string& source)
{
#ifndef _WIN32
    std::ifstream file(source, std::ios::binary);
    unsigned char header[100] = {};
    struct stat status {};
    if (!file.read(reinterpret_cast<char*>(header), sizeof header) || ::stat(source.c_str(), &status) != 0)
        return;  // opening it says what it is
    auto number = [&](int at) {
        return std::uint32_t(header[at]) << 24 | std::uint32_t(header[at + 1]) << 16 | std::uint32_t(header[at + 2]) << 8
               | header[at + 3];
    };
    const std::uint32_t pageSizeField = std::uint32_t(header[16]) << 8 | header[17];
    const std::uint64_t pageSize = pageSizeField == 1 ? 65536 : pageSizeField;
    // SQLite believes the header's page count while the change counter matches the one it was
    // written with; otherwise the file's length.
    const std::uint64_t claimed = number(24) == number(92) && number(28) != 0 ? number(28) * pageSize
                                                                              : static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t stored = static_cast<std::uint64_t>(status.st_blocks) * 512;
    if (claimed > 64 * stored + (1u << 20))
        throw ToolError(source + " claims " + std::to_string(claimed) + " bytes of pages but stores only "
                        + std::to_string(stored) + ": it is no catalogue SQLite wrote (a sparse file); nothing was copied");
#else
    (void)source;
#endif
}

}  // namespace

BackupResult backupCatalogue(const std::string& source, const std::string& dest,
                             std::chrono::milliseconds patience)
{
    // No busy time-out for the checks of the source: the copy's own retries are the wait.
    openCatalogue(source, db::Access::readOnly, 0);
    requireStoredPages(source);
    OutputFile file(dest, OutputFile::Mode::NewFile, filePermissions(source));
    BackupResult result;
    try {
        result.pages = copyPages(source, file.path(), patience);
        result.damage = damageOf(file.path());
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
