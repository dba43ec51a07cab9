#pragma once

// Server catalogues for the commands that work on a file: a snapshot of the server catalogue
// taken in one consistent read, and a new catalogue made as a file and then copied there.

#include "LeftoverFiles.h"
#include "ToolError.h"

#include <array>
#include <set>
#include <string>

namespace kelvara::dbtool {

// A command's catalogue as a file: the file itself, or a temporary snapshot of a server
// catalogue (removed at the end).
class CatalogueFile {
public:
    explicit CatalogueFile(const std::string& name);
    CatalogueFile(const CatalogueFile&) = delete;
    CatalogueFile& operator=(const CatalogueFile&) = delete;

    const std::string& path() const { return m_path; }
    // Adds the rows written to the snapshot since it was taken to the server, in one
    // transaction, with ids from the server's sequences; fails without writing if another
    // counter removed a parent they need meanwhile. Returns how many rows were added.
    std::size_t addNewRowsToServer();

private:
    std::string m_name;
    std::string m_path;
    // The file stays tracked until its folder is gone.
    LeftoverGuard m_fileGuard;
    PrivateFolder m_folder;
    // The ids of the manufacturers, models and compressors the snapshot was taken with.
    std::array<std::set<long long>, 3> m_taken;
};

// Called while error is being handled: rethrows it, naming folder (a temporary folder of
// the two classes below) when the error says the disk is full, since the user can choose
// another with TMPDIR.
[[noreturn]] void rethrowNamingAFullFolder(const ToolError& error, const std::string& folder);

// Where a command makes a new catalogue: the file itself, or for a server a temporary file
// that publish() then copies there (verified, never over an existing catalogue).
class NewCatalogueTarget {
public:
    explicit NewCatalogueTarget(const std::string& name);
    NewCatalogueTarget(const NewCatalogueTarget&) = delete;
    NewCatalogueTarget& operator=(const NewCatalogueTarget&) = delete;

    const std::string& path() const { return m_path; }
    // make(path()), the catalogue being built there; a full temporary folder is named.
    template <class Make>
    auto build(Make make) -> decltype(make(std::string()))
    {
        try {
            return make(m_path);
        } catch (const ToolError& e) {
            rethrowNamingAFullFolder(e, m_folder.path());
        }
    }
    void publish();

private:
    std::string m_name;
    std::string m_path;
    LeftoverGuard m_fileGuard;
    PrivateFolder m_folder;
};

}  // namespace kelvara::dbtool
