#pragma once

// The catalogue's tables as the tool knows them, and the birth of a new catalogue file.

#include "OutputFile.h"
#include "Sqlite.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace kelvara::dbtool {

struct TableShape {
    const char* name;
    std::array<const char*, 11> columns;  // unused slots are null
    int columnCount;
};

// Marki, Modele, kompresory, kolumny with the columns the catalogue program reads.
const std::array<TableShape, 4>& catalogueTables();

// A price as the catalogue can write it bare into a statement: optional sign, digits with
// an optional fraction, optional exponent ("12", "-3", "12.50", ".5", "1e3"). No blanks,
// and finite: "1e999" would be stored as infinity.
bool isPlainNumber(std::string_view text);

// The longest text (in bytes) a name, capacity, year, type or part number may have. Far
// more than any of them needs; a longer one is a mistake (a whole file pasted into a
// field) that would make every repaint of the window slow.
constexpr std::size_t kMaxTextBytes = 256;

// Removes a database file and the rollback journal SQLite may have left beside it.
void removeCatalogueFiles(const std::string& path);

// A catalogue file being made. It is built under a temporary name beside path, laid out from
// the compiled-in schema, and takes its name only in keep(), which never replaces an existing
// file. Unless keep() is called, the temporary is removed when this object goes away, so a
// failed command leaves nothing behind.
class NewCatalogue {
public:
    explicit NewCatalogue(const std::string& path);
    NewCatalogue(const NewCatalogue&) = delete;
    NewCatalogue& operator=(const NewCatalogue&) = delete;
    ~NewCatalogue();

    Connection& connection() { return *m_connection; }
    // Where the catalogue is being built (for a second connection, as verification needs).
    const std::string& workPath() const { return m_file.path(); }
    // Closes the connection and gives the file its name.
    void keep();

private:
    OutputFile m_file;
    std::unique_ptr<Connection> m_connection;
};

}  // namespace kelvara::dbtool
