#pragma once

// A whole catalogue as rows, and the one way every command writes one (copy, migrate,
// generate, init --sample, a server's backup, snapshots): written in one transaction, ids
// kept, then read back and compared field by field before it is kept.

#include "CatalogueTables.h"

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CppSQLiteSession;
class CppSQLiteTransaction;

namespace kelvara::dbtool {

using FieldValue = std::optional<std::string>;  // nullopt is SQL NULL

// One row: every column in the table's order, each as text; key is the id, or kolumny's
// rowid (its position on a server, which keeps no rowid).
struct CatalogueRow {
    long long key = 0;
    std::vector<FieldValue> values;
};

// The rows of one table in key order, one at a time.
class RowStream {
public:
    virtual ~RowStream() = default;
    // Fills row with the next row; false after the last.
    virtual bool next(CatalogueRow& row) = 0;
};

// A whole catalogue that can be read table by table, more than once (to write it, then to
// verify what was written).
class CatalogueSource {
public:
    virtual ~CatalogueSource() = default;
    virtual std::unique_ptr<RowStream> rows(db::CatalogueTable table) const = 0;
    // False when the source has no column settings of its own: the new catalogue keeps the
    // schema's row (every column shown).
    virtual bool hasColumnSettings() const { return true; }
};

// All four tables in memory.
class CatalogueRows : public CatalogueSource {
public:
    std::array<std::vector<CatalogueRow>, db::kTableCount> tables;
    bool columnSettings = true;

    std::unique_ptr<RowStream> rows(db::CatalogueTable table) const override;
    bool hasColumnSettings() const override { return columnSettings; }
};

// A catalogue file or server catalogue, read in one consistent snapshot that lasts as long
// as this object.
class StoredCatalogue : public CatalogueSource {
public:
    explicit StoredCatalogue(const std::string& name);
    StoredCatalogue(const StoredCatalogue&) = delete;
    StoredCatalogue& operator=(const StoredCatalogue&) = delete;
    ~StoredCatalogue() override;

    std::unique_ptr<RowStream> rows(db::CatalogueTable table) const override;

private:
    std::unique_ptr<CppSQLiteSession> m_session;
    std::unique_ptr<CppSQLiteTransaction> m_snapshot;
};

// Rows read from an open catalogue (file or server) in key order.
std::unique_ptr<RowStream> readRows(CppSQLiteSession& session, db::CatalogueTable table);

struct CopiedCounts {
    std::array<std::size_t, db::kTableCount> rows{};
    std::size_t manufacturers() const { return rows[db::kManufacturers]; }
    std::size_t models() const { return rows[db::kModels]; }
    std::size_t compressors() const { return rows[db::kCompressors]; }
};

// Writes source as a new catalogue at dest (a file or a server database) and verifies it.
// A file must not exist yet; a server database must be empty, or hold only what 'init' made
// there. dest is never overwritten, and after a failure nothing is left of the copy. A new
// file gets permissions (as filePermissions gives them), or the usual ones.
CopiedCounts writeNewCatalogue(const std::string& dest, const CatalogueSource& source,
                               std::optional<unsigned> permissions = std::nullopt);

// Creates the tables and the column-settings row in an empty server database.
void initServerCatalogue(const std::string& conninfo);

// Whose ids a table's rows hold: the server's sequence that numbers them, and the column of
// another table that refers to them (with its foreign key on a server); none for compressors.
struct IdUse {
    db::CatalogueTable table;
    const char* sequence;
    const char* referringTable;  // as the statements write it, or nullptr
    const char* referringColumn;
    const char* foreignKey;
};
const std::array<IdUse, 3>& idUses();

// The highest id a manufacturer, model or compressor row holds or another table's rows refer
// to (0 when none): a new row numbered at or below it could adopt rows left behind by a
// removed parent.
long long highestIdInUse(CppSQLiteSession& session, db::CatalogueTable table);
// Moves each id sequence of a server catalogue past highestIdInUse, so that the ids it hands
// out to any counter adopt no orphans.
void raiseIdSequences(CppSQLiteSession& server);

// A value as a message shows it: quoted, control bytes (and every byte above ASCII when the
// text is not UTF-8) as \xNN, long texts cut short; NULL as NULL.
std::string shownValue(const FieldValue& value);
// Where a value sits, for messages: "Modele id_modelu 3, id_marki".
std::string placeOf(db::CatalogueTable table, const CatalogueRow& row, std::size_t column);

}  // namespace kelvara::dbtool
