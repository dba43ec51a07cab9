#include "CatalogueBackup.h"
#include "Command.h"
#include "ServerCatalogue.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runBackup(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {}, 1, 2);
    const std::string dest = arguments.positional(0);
    const std::string source = arguments.positionalOr(1, kDefaultCatalogue);

    if (isServerCatalogue(source)) {
        // A portable snapshot: the server catalogue as a catalogue file.
        const CatalogueRows rows = readCatalogue(source);
        writeNewCatalogue(dest, rows);
        console.out << "copied " << source << " to " << dest << " (" << rows.compressors() << " compressors)\n";
        return kExitOk;
    }
    const int pages = backupCatalogue(source, dest);
    console.out << "copied " << source << " to " << dest << " (" << pages << " pages)\n";
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
    "overwritten; after a failure it is removed. DB may be a PostgreSQL connection\n"
    "string: DEST is then a catalogue file with the server catalogue's contents.\n"
    "\n"
    "Options:\n"
    "  --help  show this help\n",
    runBackup,
};

}  // namespace kelvara::dbtool
