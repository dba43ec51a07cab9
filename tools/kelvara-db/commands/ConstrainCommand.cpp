#include "Catalogue.h"
#include "CatalogueSecrets.h"
#include "Command.h"
#include "CppSQLiteTransaction.h"
#include "ServerConstraints.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runConstrain(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {}, 1, 1);
    const std::string name = arguments.positional(0);
    if (!isConnectionString(name))
        throw UsageError("constrain works on a server catalogue (a connection string); a catalogue file is kept "
                         "whole by Kelvara's own transactions");
    const std::unique_ptr<CppSQLiteSession> session = openCatalogue(name, db::Access::readWrite);
    CppSQLiteTransaction transaction(*session, CppSQLiteTransaction::Kind::write);
    const bool added = constrainServerCatalogue(*session, name);
    transaction.commit();
    console.out << db::withoutPassword(name) << (added ? ": foreign keys added" : ": foreign keys already there")
                << "; id trigger function pinned to pg_catalog\n";
    return kExitOk;
}

}  // namespace

extern const Command constrainCommand;
const Command constrainCommand = {
    "constrain",
    "add the foreign keys to a server catalogue made without them",
    "Usage: kelvara-db constrain CATALOGUE\n"
    "\n"
    "Adds to the server catalogue CATALOGUE (a PostgreSQL connection string or URI)\n"
    "the foreign keys that 'init' and 'copy' now create: no model without its\n"
    "manufacturer, no compressor without its model. With them, a manufacturer or\n"
    "model removed at one counter while another counter adds a model or compressor\n"
    "under it is refused at one of the two, and nothing is left without a parent.\n"
    "A catalogue that has them already is left as it is. The id trigger function is\n"
    "replaced by today's, which no other database user's functions or tables can\n"
    "stand in for.\n"
    "\n"
    "Rows whose parent is already gone are listed, and nothing is changed until\n"
    "they are given a parent or removed. Counters may keep working meanwhile; their\n"
    "writes wait the moment the keys are added.\n"
    "\n"
    "Options:\n"
    "  --help  show this help\n",
    runConstrain,
};

}  // namespace kelvara::dbtool
