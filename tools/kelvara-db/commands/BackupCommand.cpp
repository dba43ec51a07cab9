#include "Catalogue.h"
#include "CatalogueBackup.h"
#include "CatalogueRows.h"
#include "CatalogueSecrets.h"
#include "CatalogueShape.h"
#include "CppSQLiteException.h"
#include "Command.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

// Refused as by every other command; a file too damaged or too busy to read its schema now
// is still copied, since reporting its damage is what backup is for.
void refuseForeignShape(const std::string& source)
{
    const std::unique_ptr<CppSQLiteSession> db = openCatalogue(source, db::Access::readOnly, 0);
    try {
        requireCatalogueShape(*db, source);
    } catch (const CppSQLiteException&) {
    }
}

int runBackup(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {}, 1, 2);
    const std::string dest = arguments.positional(0);
    const std::string source = arguments.positionalOr(1, kDefaultCatalogue);

    if (isConnectionString(source)) {
        // A portable snapshot: the server catalogue as a catalogue file.
        const CopiedCounts rows = writeNewCatalogue(dest, StoredCatalogue(source));
        console.out << "copied " << db::withoutPassword(source) << " to " << dest << " (" << rows.compressors() << " compressors)\n";
        return kExitOk;
    }
    refuseForeignShape(source);
    const BackupResult result = backupCatalogue(source, dest);
    if (!result.damage.empty()) {
        console.err << "damaged: the copy of " << source
                    << " fails SQLite's integrity check:\n";
        for (const std::string& line : result.damage) {
            console.err << "  " << line << '\n';
        }
        console.err << "kept as " << result.savedAs << " (not as " << dest
                    << "); run 'kelvara-db check " << source << "' and restore an older backup\n";
        return kExitError;
    }
    console.out << "copied " << db::withoutPassword(source) << " to " << dest << " (" << result.pages
                << " pages, integrity check ok)\n";
    return kExitOk;
}

}  // namespace

extern const Command backupCommand;
const Command backupCommand = {
    "backup",
    "copy a catalogue safely while it is in use",
    "Usage: kelvara-db backup DEST [DB]\n"
    "\n"
    "Copies the catalogue DB (default: database.db) to the new file DEST with\n"
    "SQLite's online backup. The copy is a consistent snapshot even while the\n"
    "catalogue program or another process writes to DB: while a writer holds the\n"
    "file, the copy waits and retries for up to 60 seconds. DEST is never\n"
    "overwritten; after a failure nothing is left. DEST gets DB's permission\n"
    "bits, and may not be the name of DB's journals (DB-journal, DB-wal, DB-shm).\n"
    "A DB that is not a catalogue (an empty file, another database) is refused.\n"
    "\n"
    "The copy is then checked with SQLite's integrity check. A damaged copy is\n"
    "kept as DEST.damaged instead of DEST, the damage is listed and the exit\n"
    "status is 1.\n"
    "\n"
    "DB may be a PostgreSQL connection string: DEST is then a catalogue file with\n"
    "the server catalogue's contents, verified field by field.\n"
    "\n"
    "Options:\n"
    "  --help  show this help\n",
    runBackup,
};

}  // namespace kelvara::dbtool
