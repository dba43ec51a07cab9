#include "Catalogue.h"
#include "CatalogueRows.h"
#include "CatalogueSecrets.h"
#include "Command.h"
#include "SampleCatalogue.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runInit(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {"--sample"}, {}, 0, 1);
    const std::string path = arguments.positionalOr(0, kDefaultCatalogue);

    if (isConnectionString(path)) {
        if (arguments.flag("--sample"))
            throw UsageError("--sample makes a catalogue file; put it on the server with 'kelvara-db copy FILE " + path
                             + "'");
        initServerCatalogue(path);
        console.out << "created " << db::withoutPassword(path) << " (empty catalogue)\n";
        return kExitOk;
    }
    if (!arguments.flag("--sample")) {
        NewCatalogue(path).keep();
        console.out << "created " << db::withoutPassword(path) << " (empty catalogue)\n";
        return kExitOk;
    }
    const CopiedCounts counts = writeNewCatalogue(path, sampleCatalogue());
    console.out << "created " << path << " with sample data: " << counts.manufacturers()
                << " manufacturers, " << counts.models() << " models, " << counts.compressors()
                << " compressors\n";
    return kExitOk;
}

}  // namespace

extern const Command initCommand;
const Command initCommand = {
    "init",
    "create a new catalogue, empty or with sample data",
    "Usage: kelvara-db init [--sample] [PATH]\n"
    "\n"
    "Creates a new catalogue database at PATH (default: database.db): the four\n"
    "tables, the one column-settings row (all nine result columns shown) and the\n"
    "search indexes. An existing file is never overwritten.\n"
    "\n"
    "PATH may be a PostgreSQL connection string or URI: the tables are then made in\n"
    "that empty database (a database that has any of them is left alone).\n"
    "\n"
    "Options:\n"
    "  --sample   fill it with a small realistic catalogue: 15 manufacturers,\n"
    "             60 models, 300 compressors (always the same content)\n"
    "  --help     show this help\n",
    runInit,
};

}  // namespace kelvara::dbtool
