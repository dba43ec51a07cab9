#include "CatalogueCsv.h"
#include "CatalogueSnapshot.h"
#include "Command.h"
#include "LeftoverFiles.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace kelvara::dbtool {

namespace {

// The import reads its file twice; what cannot be read again (standard input, a pipe) is
// first kept in a temporary file.
class ImportFile {
public:
    explicit ImportFile(const std::string& path)
    {
        std::error_code ec;
        if (path != "-" && std::filesystem::is_regular_file(path, ec)) {
            open(path, path);
            return;
        }
        std::ifstream pipe;
        if (path != "-") {
            pipe.open(path, std::ios::binary);
            if (!pipe) {
                throw ToolError("cannot read " + path);
            }
        }
        m_folder.create();
        keep(path == "-" ? std::cin : pipe, path);
    }
    std::istream& stream() { return m_file; }

private:
    void keep(std::istream& in, const std::string& path)
    {
        const std::string copy = m_folder.path() + "/input.csv";
        std::ofstream out(copy, std::ios::binary);
        // Copying nothing would count as a failure; an empty input is the reader's to refuse.
        if (in.peek() != std::char_traits<char>::eof()) {
            out << in.rdbuf();
        }
        out.close();
        if (!out || in.bad()) {
            throw ToolError("cannot read " + path + " into " + copy);
        }
        open(copy, path);
    }
    void open(const std::string& file, const std::string& path)
    {
        m_file.open(file, std::ios::binary);
        if (!m_file) {
            throw ToolError("cannot read " + path);
        }
    }
    PrivateFolder m_folder;
    std::ifstream m_file;
};

int runImport(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {"--dry-run"}, {}, 1, 2);
    const std::string csvPath = arguments.positional(0);
    const std::string dbPath = arguments.positionalOr(1, kDefaultCatalogue);
    const bool dryRun = arguments.flag("--dry-run");

    ImportFile file(csvPath);
    ImportSummary summary;
    try {
        CatalogueFile catalogue(dbPath);
        summary = importCatalogue(file.stream(), catalogue.path(), dryRun);
        if (!dryRun)
            catalogue.addNewRowsToServer();
    } catch (const ImportError& e) {
        throw ToolError(csvPath + ": " + e.what() + "; nothing was imported");
    }
    console.out << (dryRun ? "would create " : "created ") << summary.manufacturersCreated
                << " manufacturers, " << summary.modelsCreated << " models and "
                << summary.compressors << " compressors"
                << (dryRun ? " (dry run: nothing written)" : "") << '\n';
    return kExitOk;
}

}  // namespace

extern const Command importCommand;
const Command importCommand = {
    "import",
    "add the compressors of a CSV file",
    "Usage: kelvara-db import [--dry-run] FILE [DB]\n"
    "\n"
    "Adds the compressors in FILE (\"-\" reads standard input) to the catalogue DB\n"
    "(default: database.db). FILE is CSV as 'export' writes it, with the same\n"
    "header row; line ends may be CRLF or LF, blank lines are skipped.\n"
    "\n"
    "Each manufacturer is found by its exact name (the lowest id when several bear\n"
    "it) and each model by its exact name within that manufacturer; those not\n"
    "found are created, numbered above every id in use or referred to, so that\n"
    "they never take over the models or compressors of a removed one. Values are stored as text, byte for byte, except for the\n"
    "apostrophe 'export' puts before a text that would start like a spreadsheet\n"
    "formula, which is taken away. An empty field stores NULL and \"\" an empty\n"
    "text. A text may have at most 256 bytes. A price must be empty or a plain\n"
    "number: optional sign, digits with an optional fraction and exponent (12, -3,\n"
    "12.50, 1e3), at most 32 characters, 0 or between 10^-20 and 10^15 in size\n"
    "(not 1e999 or 1e-999), as the compressor window takes it.\n"
    "\n"
    "The whole file is checked before anything is written, and the import runs in\n"
    "one transaction. The first wrong row stops it with \"line N: reason\" and the\n"
    "catalogue stays untouched: a wrong number of fields, a missing manufacturer or\n"
    "model name, a text over 256 bytes, a price out of those bounds,\n"
    "an unterminated quoted field, a stray quote or carriage return, invalid UTF-8,\n"
    "a NUL character, a row longer than 65536 bytes, or a file in UTF-16 (save it\n"
    "as CSV UTF-8 instead). The file is read twice and one row at a time, so memory\n"
    "does not grow with its size; standard input is first kept in a temporary file.\n"
    "\n"
    "Options:\n"
    "  --dry-run  report how many manufacturers, models and compressors would be\n"
    "             created; write nothing\n"
    "  --help     show this help\n",
    runImport,
};

}  // namespace kelvara::dbtool
