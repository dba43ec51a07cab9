#include "CatalogueBackup.h"

#include "Catalogue.h"
#include "CppSQLiteException.h"
#include "FileBackup.h"
#include "OutputFile.h"
#include "ToolError.h"

namespace kelvara::dbtool {

namespace {

constexpr int kBusy = 5;

int copyPages(const std::string& source, const std::string& dest, std::chrono::milliseconds patience)
{
    try {
        return db::backupCatalogueFile(source, dest, patience);
    } catch (const CppSQLiteException& e) {
        throw ToolError(std::string(e.errorCode() == kBusy ? "backup gave up: " : "backup failed: ")
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

}  // namespace

BackupResult backupCatalogue(const std::string& source, const std::string& dest,
                             std::chrono::milliseconds patience)
{
    // No busy time-out for the checks of the source: the copy's own retries are the wait.
    openCatalogue(source, db::Access::readOnly, 0);
    OutputFile file(dest, OutputFile::Mode::NewFile, filePermissions(source));
    BackupResult result;
    try {
        result.pages = copyPages(source, file.path(), patience);
        result.damage = damageOf(file.path());
        // Asked of the copy, which is what the source held at the moment it was taken; a
        // damaged copy is kept whatever it holds, as it may be the best there is.
        if (result.damage.empty())
            requireCatalogueTables(*openCatalogue(file.path(), db::Access::readOnly), source);
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
