#pragma once

// Opening a catalogue for a command, and the birth of a new catalogue file.

#include "CatalogueName.h"
#include "CatalogueTables.h"
#include "CppSQLiteSession.h"
#include "OutputFile.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kelvara::dbtool {

using db::catalogueTables;
using db::TableDescription;

// How long a statement waits for another process's lock, as the catalogue program does.
constexpr int kBusyTimeoutMs = 60000;

using db::isConnectionString;

// Opens an existing catalogue, file or server; never creates one. Refuses a file that is not
// an SQLite 3 database with a message that says what it is. Rolls back a write an
// interrupted program left behind, where the file may be written. Failures are ToolErrors;
// a lock held past busyTimeoutMs is CatalogueLocked (with 0 the caller waits itself).
std::unique_ptr<CppSQLiteSession> openCatalogue(const std::string& name, db::Access access,
                                                int busyTimeoutMs = kBusyTimeoutMs);

// Column 0 of the statement's first row as a whole number (0 for NULL).
long long scalarOf(CppSQLiteSession& session, const std::string& sql, const db::BoundValues& values = {});

// A price as the catalogue can write it bare into a statement: optional sign, digits with
// an optional fraction, optional exponent ("12", "-3", "12.50", ".5", "1e3"). No blanks,
// and finite: "1e999" would be stored as infinity.
bool isPlainNumber(std::string_view text);

// The longest text (in bytes) a name, capacity, year, type or part number may have. Far
// more than any of them needs; a longer one is a mistake (a whole file pasted into a
// field) that would make every repaint of the window slow.
constexpr std::size_t kMaxTextBytes = 256;

// The permission bits of a catalogue file, to give its copies; none for a server.
std::optional<unsigned> filePermissions(const std::string& name);

// Removes a database file and the rollback journal SQLite may have left beside it.
void removeCatalogueFiles(const std::string& path);

// A catalogue file being made. It is built under a temporary name beside path, laid out from
// the compiled-in schema, and takes its name only in keep(), which never replaces an existing
// file. Unless keep() is called, the temporary is removed when this object goes away, so a
// failed command leaves nothing behind.
class NewCatalogue {
public:
    explicit NewCatalogue(const std::string& path, std::optional<unsigned> permissions = std::nullopt);
    NewCatalogue(const NewCatalogue&) = delete;
    NewCatalogue& operator=(const NewCatalogue&) = delete;
    ~NewCatalogue();

    CppSQLiteSession& session() { return *m_session; }
    // Where the catalogue is being built (for a second connection, as verification needs).
    const std::string& workPath() const { return m_file.path(); }
    // Closes the connection and gives the file its name.
    void keep();

private:
    OutputFile m_file;
    std::unique_ptr<CppSQLiteSession> m_session;
};

}  // namespace kelvara::dbtool
