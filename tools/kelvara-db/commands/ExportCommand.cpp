#include "CatalogueCsv.h"
#include "Command.h"
#include "OutputFile.h"
#include "Catalogue.h"
#include "CatalogueSnapshot.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runExport(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {}, {"--output"}, 0, 1);
    const std::string dbPath = arguments.positionalOr(0, kDefaultCatalogue);
    const std::string output = arguments.valueOr("--output", "-");

    const CatalogueFile catalogue(dbPath);
    const std::unique_ptr<CppSQLiteSession> db = openCatalogue(catalogue.path(), db::Access::readOnly);
    ExportSummary summary;
    if (output == "-") {
        summary = exportCatalogue(*db, catalogue.path(), console.out);
    } else {
        refuseDatabaseTarget(output, {dbPath});
        OutputFile file(output, OutputFile::Mode::Replace);
        summary = exportCatalogue(*db, catalogue.path(), file.stream());
        file.commit();
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
    "A text a spreadsheet would run as a formula (one that starts with = + - @, a\n"
    "tab or a carriage return, after any apostrophes) is written with an apostrophe\n"
    "in front, which spreadsheets do not show; import takes it away again. A price\n"
    "that is a plain number is written as it is; any other price is guarded too.\n"
    "\n"
    "Options:\n"
    "  --output FILE  write to FILE instead of standard output (\"-\"). A regular\n"
    "                 file is replaced whole, only once the export is complete;\n"
    "                 a pipe, terminal or device is written straight, and\n"
    "                 /dev/stdout or /dev/fd/N through that descriptor as the\n"
    "                 shell opened it (so \">>\" appends). A replaced file keeps\n"
    "                 its owner and mode; one with other hard links is refused.\n"
    "                 The catalogue itself, its journals or any other database\n"
    "                 is never written over\n"
    "  --help         show this help\n",
    runExport,
};

}  // namespace kelvara::dbtool
