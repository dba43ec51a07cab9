#include "CatalogueCsv.h"
#include "Command.h"
#include "ServerCatalogue.h"
#include "Sqlite.h"

#include <filesystem>
#include <fstream>
#include <ostream>

namespace kelvara::dbtool {

namespace {

int runExport(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {"--output"}, 0, 1);
    const std::string dbPath = arguments.positionalOr(0, kDefaultCatalogue);
    const std::string output = arguments.valueOr("--output", "-");

    const CatalogueFile catalogue(dbPath);
    Connection db(catalogue.path(), Connection::Mode::ReadOnly);
    ExportSummary summary;
    if (output == "-") {
        summary = exportCatalogue(db, console.out);
    } else {
        // Written beside the target and renamed at the end, so a failed export never
        // leaves half a file under the requested name.
        const std::string partial = output + ".partial";
        try {
            std::ofstream file(partial, std::ios::binary | std::ios::trunc);
            if (!file) {
                throw ToolError("cannot write " + partial);
            }
            summary = exportCatalogue(db, file);
            file.close();
            if (!file) {
                throw ToolError("cannot write " + partial);
            }
            std::filesystem::rename(partial, output);
        } catch (const std::filesystem::filesystem_error& e) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw ToolError(std::string("cannot write ") + output + ": " + e.what());
        } catch (...) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw;
        }
        console.err << "exported " << summary.compressors << " compressors to " << output
                    << '\n';
    }
    if (summary.orphans > 0) {
        console.err << "warning: " << summary.orphans
                    << " compressors left out: their model or its manufacturer is missing "
                       "(see 'kelvara-db check')\n";
    }
    return kExitOk;
}

}  // namespace

extern const Command exportCommand;
const Command exportCommand = {
    "export",
    "write every compressor as CSV",
    "Usage: kelvara-db export [--output FILE] [DB]\n"
    "\n"
    "Writes every compressor of DB (default: database.db) with its manufacturer\n"
    "and model names as CSV: RFC 4180, UTF-8, CRLF line ends, and the header row\n"
    "  Manufacturer,Model,Engine capacity,Model year from,Model year to,\n"
    "  Compressor type,Common part #,Kelvara part #,Kelvara Jobber $,Core deposit,\n"
    "  Net price\n"
    "Rows are ordered by manufacturer id, model id and compressor id. A NULL value\n"
    "is an empty field; an empty text is written as \"\". Compressors whose model or\n"
    "manufacturer is missing cannot be named and are left out with a warning.\n"
    "\n"
    "Options:\n"
    "  --output FILE  write to FILE (replaced if it exists) instead of standard\n"
    "                 output\n"
    "  --help         show this help\n",
    runExport,
};

}  // namespace kelvara::dbtool
