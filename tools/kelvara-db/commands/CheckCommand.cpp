#include "CatalogueCheck.h"
#include "Command.h"
#include "CatalogueSnapshot.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runCheck(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {}, 0, 1);
    const std::string path = arguments.positionalOr(0, kDefaultCatalogue);

    const CatalogueFile catalogue(path);
    const CheckReport report = checkCatalogue(catalogue.path());
    for (const std::string& problem : report.problems) {
        console.out << problem << '\n';
    }
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
    "  - missing tables (Marki, Modele, kompresory, kolumny) and missing columns\n"
    "  - a kolumny table without exactly one row\n"
    "  - models whose manufacturer does not exist\n"
    "  - compressors whose model does not exist\n"
    "  - prices that are neither NULL nor a plain finite number\n"
    "  - names, capacities, years, types and part numbers longer than 256 bytes\n"
    "    (the most 'import' accepts)\n"
    "Each problem is printed on its own line (at most 50 of a kind, then a count).\n"
    "Exit status 0 and an \"ok\" line when nothing is wrong, 1 otherwise. A\n"
    "catalogue another program keeps locked for over 60 seconds is reported as\n"
    "locked (exit status 1), not as damaged.\n"
    "\n"
    "Options:\n"
    "  --help  show this help\n",
    runCheck,
};

}  // namespace kelvara::dbtool
