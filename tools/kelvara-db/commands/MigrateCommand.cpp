#include "CatalogueMigration.h"
#include "Command.h"
#include "CatalogueSnapshot.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

// What each table holds, for the summary.
const char* describeTable(const std::string& name)
{
    if (name == "Marki") {
        return "manufacturers";
    }
    if (name == "Modele") {
        return "models";
    }
    if (name == "kompresory") {
        return "compressors";
    }
    return "column settings";
}

int runMigrate(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {"--from-cp1250", "--force"}, {}, 2, 2);
    const std::string oldPath = arguments.positional(0);
    const std::string newPath = arguments.positional(1);
    MigrationOptions options;
    options.fromCp1250 = arguments.flag("--from-cp1250");
    options.force = arguments.flag("--force");

    NewCatalogueTarget target(newPath);
    const MigrationSummary summary = target.build([&](const std::string& where) {
        return migrateCatalogue(oldPath, where, options, [&](const std::string& warning) {
            console.err << "warning: " << warning << '\n';
        });
    });
    target.publish();

    console.out << "migrated " << oldPath << " to " << newPath << '\n';
    for (const MigratedTable& table : summary.tables) {
        std::string name = table.name;
        name.resize(12, ' ');
        console.out << "  " << name << table.rows << (table.rows == 1 ? " row" : " rows")
                    << " (" << describeTable(table.name) << ")\n";
    }
    if (summary.converted) {
        console.out << "text: converted from code page 1250 to UTF-8 (" << summary.valuesChanged
                    << (summary.valuesChanged == 1 ? " value" : " values") << " changed)\n";
    } else {
        console.out << "text: copied byte for byte, no conversion\n";
    }
    console.out << "verified: " << newPath << " read back; every row and field equals what was "
                << "read from " << oldPath << '\n';
    return kExitOk;
}

}  // namespace

extern const Command migrateCommand;
const Command migrateCommand = {
    "migrate",
    "copy an SQLite 2 catalogue into a new one",
    "Usage: kelvara-db migrate [--from-cp1250] [--force] OLD NEW\n"
    "\n"
    "Copies the catalogue OLD, written by the SQLite 2 program (its first bytes are\n"
    "\"** This file contains an SQLite 2.1 database **\"), which Kelvara cannot open,\n"
    "into NEW, a new catalogue created from the current schema. NEW is never\n"
    "overwritten. Then replace the old database.db with NEW.\n"
    "\n"
    "Every row of Marki, Modele, kompresory and kolumny is copied in one\n"
    "transaction, ids kept. Values are stored as text, byte for byte: a price\n"
    "stored as 12.50 or 007 stays so, and NULL stays NULL. The rows of kolumny\n"
    "replace the new catalogue's default one; a warning says so when OLD has none\n"
    "or more than one.\n"
    "\n"
    "Before anything is copied the structure of the whole of OLD is checked: every\n"
    "page belongs to exactly one table, index, overflow chain or the free list,\n"
    "every page is laid out as SQLite 2 lays it out, and every index agrees with\n"
    "its table. A damaged OLD stops the command with the page the damage was found\n"
    "on, and no NEW is left behind. (A byte changed inside a text value cannot be\n"
    "seen: SQLite 2 files carry no checksum.)\n"
    "\n"
    "NEW is then read back and every row and field compared with what was read\n"
    "from OLD; on any difference NEW is removed and the command fails.\n"
    "\n"
    "A non-empty OLD-journal beside OLD means the old program stopped in the middle\n"
    "of a write and OLD may be half-written. SQLite 2 undoes such a write the next\n"
    "time it opens the file; this tool cannot, so it refuses: start the old\n"
    "program on the catalogue once and quit it, then migrate again.\n"
    "\n"
    "Options:\n"
    "  --from-cp1250  convert text from Windows code page 1250 (as typed on Polish\n"
    "                 Windows) to UTF-8; the five bytes the code page leaves\n"
    "                 undefined become U+FFFD, with a warning. Without it text is\n"
    "                 copied unchanged, with a warning for values that are not\n"
    "                 UTF-8\n"
    "  --force        copy OLD even though a non-empty OLD-journal lies beside it,\n"
    "                 as it is, without the interrupted write undone\n"
    "  --help         show this help\n",
    runMigrate,
};

}  // namespace kelvara::dbtool
