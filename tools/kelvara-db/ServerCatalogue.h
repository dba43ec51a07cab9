#pragma once

// Catalogues on a PostgreSQL server for kelvara-db: wherever a command takes a catalogue
// file it also takes a libpq connection string or postgresql:// URI. Whole catalogues move
// between any two catalogues (copy), and the commands that work on a file work on a
// snapshot of a server catalogue taken in one consistent read.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kelvara::dbtool {

// Whether name is a connection string rather than a catalogue file.
bool isServerCatalogue(const std::string& name);

using FieldValue = std::optional<std::string>;  // nullopt is SQL NULL
using TableRows = std::vector<std::vector<FieldValue>>;

// Every row of the four tables (in catalogueTables() order), by id; every value as text.
struct CatalogueRows {
    std::array<TableRows, 4> tables;
    std::size_t manufacturers() const { return tables[0].size(); }
    std::size_t models() const { return tables[1].size(); }
    std::size_t compressors() const { return tables[2].size(); }
};

// Reads a whole catalogue, file or server, in one consistent read.
CatalogueRows readCatalogue(const std::string& name);

// Writes rows as a new catalogue at dest in one transaction, ids kept, and verifies it
// field by field before it is kept. A file must not exist yet; a server database must be
// empty, or hold only what 'init' made there. dest is never overwritten, and after a failure
// nothing is left of the copy.
void writeNewCatalogue(const std::string& dest, const CatalogueRows& rows);

// Creates the tables and the column-settings row in an empty server database.
void initServerCatalogue(const std::string& conninfo);

// A command's catalogue as a file: the file itself, or a temporary snapshot of a server
// catalogue (removed at the end).
class CatalogueFile {
public:
    explicit CatalogueFile(const std::string& name);
    CatalogueFile(const CatalogueFile&) = delete;
    CatalogueFile& operator=(const CatalogueFile&) = delete;
    ~CatalogueFile();

    const std::string& path() const { return m_path; }
    // Adds the rows written to the snapshot since it was taken to the server, in one
    // transaction; fails without writing if another counter took one of their ids meanwhile.
    // Returns how many rows were added.
    std::size_t addNewRowsToServer();

private:
    std::string m_name;
    std::string m_path;
    std::string m_directory;
    CatalogueRows m_taken;
};

// Where a command makes a new catalogue: the file itself, or for a server a temporary file
// that publish() then copies there (verified, never over an existing catalogue).
class NewCatalogueTarget {
public:
    explicit NewCatalogueTarget(const std::string& name);
    NewCatalogueTarget(const NewCatalogueTarget&) = delete;
    NewCatalogueTarget& operator=(const NewCatalogueTarget&) = delete;
    ~NewCatalogueTarget();

    const std::string& path() const { return m_path; }
    void publish();

private:
    std::string m_name;
    std::string m_path;
    std::string m_directory;
};

}  // namespace kelvara::dbtool
