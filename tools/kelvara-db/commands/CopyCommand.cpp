#include "Catalogue.h"
#include "CatalogueRows.h"
#include "CatalogueSecrets.h"
#include "Command.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runCopy(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {}, 2, 2);
    const std::string source = arguments.positional(0);
    const std::string dest = arguments.positional(1);

    const CopiedCounts rows = writeNewCatalogue(dest, StoredCatalogue(source), filePermissions(source));
    console.out << "copied " << db::withoutPassword(source) << " to " << db::withoutPassword(dest) << ": " << rows.manufacturers() << " manufacturers, "
                << rows.models() << " models, " << rows.compressors() << " compressors (verified)\n";
    return kExitOk;
}

}  // namespace

extern const Command copyCommand;
const Command copyCommand = {
    "copy",
    "copy a whole catalogue between files and servers",
    "Usage: kelvara-db copy SRC DEST\n"
    "\n"
    "Copies the catalogue SRC to DEST; each is a catalogue file or a PostgreSQL\n"
    "connection string (\"service=kelvara\", \"host=... dbname=...\" or a\n"
    "postgresql:// URI), in either direction. Ids are kept, every text byte for\n"
    "byte, the column settings included. SRC is read in one consistent snapshot;\n"
    "DEST is written in one transaction and compared with SRC field by field\n"
    "before it is kept (a price on a server is a number: 1e3 reads back 1000).\n"
    "\n"
    "A new file gets the permission bits of SRC when SRC is a file.\n"
    "DEST is never overwritten: a file must not exist yet, and a server database\n"
    "must be empty or hold only what 'kelvara-db init' made there. After a failure\n"
    "nothing of the copy is left.\n"
    "\n"
    "Options:\n"
    "  --help  show this help\n",
    runCopy,
};

}  // namespace kelvara::dbtool
