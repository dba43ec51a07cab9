#pragma once

// The catalogue's tables as the tool knows them, and the birth of a new catalogue file.

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
// an optional fraction, optional exponent ("12", "-3", "12.50", ".5", "1e3"). No blanks.
bool isPlainNumber(std::string_view text);

// Removes a database file and the rollback journal SQLite may have left beside it.
void removeCatalogueFiles(const std::string& path);

// A catalogue file being made. The file is created exclusively — an existing file is never
// touched — and laid out from the compiled-in schema. Unless keep() is called, the file is
// removed again when this object goes away, so a failed command leaves nothing behind.
class NewCatalogue {
public:
    explicit NewCatalogue(const std::string& path);
    NewCatalogue(const NewCatalogue&) = delete;
    NewCatalogue& operator=(const NewCatalogue&) = delete;
    ~NewCatalogue();

    Connection& connection() { return *m_connection; }
    // Closes the connection and leaves the file in place.
    void keep();

private:
    std::string m_path;
    std::unique_ptr<Connection> m_connection;
    bool m_kept = false;
};

// Creates path exclusively as an empty file. Throws ToolError when it exists already.
void createFileExclusively(const std::string& path);

}  // namespace kelvara::dbtool
