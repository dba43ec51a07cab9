#include "CatalogueCheck.h"
#include "Command.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runCheck(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {}, 0, 1);
    const std::string path = arguments.positionalOr(0, kDefaultCatalogue);

    const CheckReport report = checkCatalogue(path);
    for (const std::string& problem : report.problems) {
        console.out << problem << '\n';
    }
    for (const std::string& note : report.notes)
        console.err << "warning: " << note << '\n';
    if (!report.problems.empty()) {
        console.out << path << ": " << report.problems.size()
                    << (report.problems.size() == 1 ? " problem" : " problems") << " found\n";
        return kExitError;
    }
    console.out << "ok: " << path << ": " << report.manufacturers << " manufacturers, "
                << report.models << " models, " << report.compressors << " compressors\n";
    return kExitOk;
}

}  // namespace

extern const Command checkCommand;
const Command checkCommand = {
    "check",
    "look for damage and broken references",
    "Usage: kelvara-db check [DB]\n"
    "\n"
    "Checks the catalogue DB (default: database.db), read-only, for:\n"
    "  - damage (SQLite's integrity check; a file that is no SQLite 3 database)\n"
    "  - missing tables (Marki, Modele, kompresory, kolumny) and missing columns;\n"
    "    a view in place of a table; ids that are not the table's INTEGER PRIMARY\n"
    "    KEY (duplicate ids listed); texts compared other than byte for byte\n"
    "    (COLLATE NOCASE); triggers and views the catalogue does not have\n"
    "  - on a server: the id triggers, primary keys and collation \"C\"; triggers\n"
    "    and rules of another program; missing foreign keys are warned of on\n"
    "    standard error\n"
    "  - a kolumny table without exactly one row\n"
    "  - models whose manufacturer does not exist\n"
    "  - compressors whose model does not exist\n"
    "  - prices that are neither NULL nor a plain number within the bounds\n"
    "    'import' keeps (see 'kelvara-db import --help')\n"
    "  - names, capacities, years, types and part numbers longer than 256 bytes\n"
    "    (the most 'import' accepts)\n"
    "Each problem is printed on its own line (at most 50 of a kind, then a count).\n"
    "Exit status 0 and an \"ok\" line when nothing is wrong, 1 otherwise. Every\n"
    "other command refuses a catalogue whose tables are not as listed above. A\n"
    "catalogue another program keeps locked for over 60 seconds is reported as\n"
    "locked (exit status 1), not as damaged. The one write check may make is that\n"
    "of every command: a write another program left unfinished is rolled back,\n"
    "where the file may be written, before anything is read.\n"
    "\n"
    "Options:\n"
    "  --help  show this help\n",
    runCheck,
};

}  // namespace kelvara::dbtool
