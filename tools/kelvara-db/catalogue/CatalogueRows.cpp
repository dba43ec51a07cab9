#include "CatalogueRows.h"

#include "Catalogue.h"
#include "CatalogueShape.h"
#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
#include "Csv.h"
#include "Schema.h"
#include "ServerConstraints.h"
#include "ToolError.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace kelvara::dbtool {

namespace {

using db::CatalogueTable;

constexpr db::CatalogueTable kAllTables[] = {db::kManufacturers, db::kModels, db::kCompressors,
                                             db::kColumnSettings};

class VectorStream : public RowStream {
public:
    explicit VectorStream(const std::vector<CatalogueRow>& rows) : m_rows(rows) {}
    bool next(CatalogueRow& row) override
    {
        if (m_next == m_rows.size())
            return false;
        row = m_rows[m_next++];
        return true;
    }

private:
    const std::vector<CatalogueRow>& m_rows;
    std::size_t m_next = 0;
};

bool isServer(const CppSQLiteSession& session)
{
    return session.dialect() == sql::Dialect::postgres;
}

class CursorStream : public RowStream {
public:
    CursorStream(CppSQLiteSession& session, CatalogueTable table) : m_table(catalogueTables()[table])
    {
        // A file keeps kolumny's rows by rowid; a server keeps no rowid, only the rows' order.
        m_rowidFirst = !m_table.keyIsId() && !isServer(session);
        const std::string order = m_table.keyIsId() ? m_table.key : isServer(session) ? "ctid" : "rowid";
        // Each column named with its table: an unknown qualified name is an error, never the
        // text of the name.
        std::string columns;
        for (const std::string& column : m_table.columns)
            columns += (columns.empty() ? "" : ", ") + std::string(m_table.name) + "." + db::quotedColumnList({column});
        m_cursor = session.execute("select " + std::string(m_rowidFirst ? "rowid, " : "") + columns + " from "
                                   + m_table.name + " order by " + order);
    }

    bool next(CatalogueRow& row) override
    {
        if (m_cursor.atEnd())
            return false;
        const int first = m_rowidFirst ? 1 : 0;
        row.values.clear();
        for (std::size_t c = 0; c < m_table.columns.size(); ++c) {
            const int column = first + static_cast<int>(c);
            if (m_cursor.field(column))
                row.values.emplace_back(std::string(m_cursor.fieldView(column)));
            else
                row.values.emplace_back(std::nullopt);
        }
        ++m_position;
        const char* key = m_rowidFirst || m_table.keyIsId() ? m_cursor.field(0) : nullptr;
        row.key = key ? std::strtoll(key, nullptr, 10) : m_position;
        m_cursor.advance();
        return true;
    }

private:
    const TableDescription& m_table;
    CppSQLiteCursor m_cursor;
    bool m_rowidFirst = false;
    long long m_position = 0;
};

// The server's column flags are integers; the program shows a column for exactly "1".
FieldValue serverFlag(const FieldValue& flag)
{
    if (!flag)
        return flag;
    return std::string(*flag == "1" ? "1" : "0");
}

bool sameNumber(const std::string& a, const std::string& b)
{
    if (!isPlainNumber(a) || !isPlainNumber(b))
        return false;
    return std::strtold(a.c_str(), nullptr) == std::strtold(b.c_str(), nullptr);
}

// Texts and ids byte for byte; on a server, a price equal in value (the server writes 1e3 as
// 1000) and a column flag equal in what it shows.
bool sameValue(CatalogueTable table, std::size_t column, const FieldValue& want, const FieldValue& got, bool server)
{
    if (want == got)
        return true;
    if (!server)
        return false;
    if (table == db::kColumnSettings)
        return (want && *want == "1") == (got && *got == "1");
    return table == db::kCompressors && column >= db::kFirstPriceColumn && want && got && sameNumber(*want, *got);
}

// Loads one table: the rows' values, and on a file kolumny's rowids too; only the first
// limit rows when a limit is given.
void loadTable(CppSQLiteSession& session, CatalogueTable table, const CatalogueSource& source,
               std::size_t limit = static_cast<std::size_t>(-1))
{
    const TableDescription& description = catalogueTables()[table];
    const bool server = isServer(session);
    const bool withRowid = !description.keyIsId() && !server;
    std::vector<std::string> columns = description.columns;
    if (withRowid)
        columns.insert(columns.begin(), "rowid");
    std::unique_ptr<RowStream> rows = source.rows(table);
    CatalogueRow row;
    std::vector<FieldValue> converted;
    std::string key;
    std::size_t loaded = 0;
    session.loadRows(description.name, columns, [&](db::BoundValues& out) {
        if (loaded++ == limit || !rows->next(row))
            return false;
        if (withRowid) {
            key = std::to_string(row.key);
            out.emplace_back(key);
        }
        if (server && table == db::kColumnSettings) {
            converted.clear();
            for (const FieldValue& flag : row.values)
                converted.push_back(serverFlag(flag));
            out.insert(out.end(), converted.begin(), converted.end());
        } else {
            out.insert(out.end(), row.values.begin(), row.values.end());
        }
        return true;
    });
}

// Reads what was written back and compares it with the source, row by row.
void verifyTable(CppSQLiteSession& session, CatalogueTable table, const CatalogueSource& source,
                 const std::function<std::string(const std::string&)>& failure, std::size_t& count)
{
    const bool server = isServer(session);
    const bool compareKeys = !server && !catalogueTables()[table].keyIsId();
    std::unique_ptr<RowStream> expected = source.rows(table);
    CursorStream written(session, table);
    CatalogueRow want;
    CatalogueRow got;
    count = 0;
    for (;;) {
        const bool more = expected->next(want);
        const bool stored = written.next(got);
        if (!more || !stored) {
            if (!more && !stored)
                return;
            std::size_t read = count + (more ? 1 : 0);
            std::size_t held = count + (stored ? 1 : 0);
            while (more && expected->next(want))
                ++read;
            while (stored && written.next(got))
                ++held;
            throw ToolError(failure(std::string(catalogueTables()[table].name) + " has " + std::to_string(held)
                                    + " rows in the new catalogue, " + std::to_string(read) + " were read"));
        }
        ++count;
        if (compareKeys && want.key != got.key)
            throw ToolError(failure(placeOf(table, want, 0) + ": the row has rowid " + std::to_string(got.key)
                                    + " in the new catalogue"));
        for (std::size_t c = 0; c < want.values.size(); ++c) {
            if (!sameValue(table, c, want.values[c], got.values[c], server))
                throw ToolError(failure(placeOf(table, want, c) + " was " + shownValue(want.values[c])
                                        + (server ? " but the server holds " : " but the new file holds ")
                                        + shownValue(got.values[c])));
        }
    }
}

CopiedCounts verifyCatalogue(CppSQLiteSession& session, const CatalogueSource& source,
                             const std::function<std::string(const std::string&)>& failure)
{
    CopiedCounts counts;
    for (CatalogueTable table : kAllTables) {
        if (table == db::kColumnSettings && !source.hasColumnSettings())
            continue;
        verifyTable(session, table, source, failure, counts.rows[table]);
    }
    return counts;
}

// Whether the server takes the first count rows of table; what it took is undone either way.
bool serverTakes(CppSQLiteSession& session, CatalogueTable table, const CatalogueSource& source, std::size_t count)
{
    session.executeScript("SAVEPOINT kelvara_probe");
    bool taken = true;
    try {
        loadTable(session, table, source, count);
    } catch (const CppSQLiteException&) {
        taken = false;
    }
    session.executeScript("ROLLBACK TO SAVEPOINT kelvara_probe");
    return taken;
}

// A server's bulk load names only a line of its input when it refuses a value: the row is
// found by halves (the load redone under a savepoint) and named by its table and id.
[[noreturn]] void nameRefusedRow(CppSQLiteSession& session, CatalogueTable table, const CatalogueSource& source,
                                 const CppSQLiteException& refusal)
{
    session.executeScript("ROLLBACK TO SAVEPOINT kelvara_table");
    std::size_t taken = 0;  // a prefix the server takes
    std::size_t refused = 0;  // one it refuses
    CatalogueRow row;
    for (const std::unique_ptr<RowStream> rows = source.rows(table); rows->next(row);)
        ++refused;
    while (refused - taken > 1) {
        const std::size_t middle = taken + (refused - taken) / 2;
        (serverTakes(session, table, source, middle) ? taken : refused) = middle;
    }
    const std::unique_ptr<RowStream> rows = source.rows(table);
    for (std::size_t i = 0; i < refused; ++i)
        rows->next(row);
    const TableDescription& description = catalogueTables()[table];
    const std::string text = std::string(description.name) + " " + description.key + " " + std::to_string(row.key)
                             + ": " + refusal.engineMessage();
    throw CppSQLiteException(refusal.errorCode(), text.c_str());
}

void loadCatalogue(CppSQLiteSession& session, const CatalogueSource& source)
{
    // The schema's default settings row gives way to the source's own rows.
    if (source.hasColumnSettings())
        session.execute("delete from kolumny");
    const bool server = isServer(session);
    for (CatalogueTable table : kAllTables) {
        if (table == db::kColumnSettings && !source.hasColumnSettings())
            continue;
        if (server)
            session.executeScript("SAVEPOINT kelvara_table");
        try {
            loadTable(session, table, source);
        } catch (const CppSQLiteException& e) {
            // A value refused (code 1), not a connection lost or a lock given up.
            if (!server || e.errorCode() != 1)
                throw;
            nameRefusedRow(session, table, source, e);
        }
    }
}

// Which of the catalogue's tables a server database holds, and whether any of the first
// three holds a row.
std::pair<long long, bool> serverCatalogueState(CppSQLiteSession& session)
{
    const long long tables = scalarOf(session,
                                      "select count(*) from pg_tables where schemaname = current_schema() and "
                                      "tablename in ('marki', 'modele', 'kompresory', 'kolumny')");
    if (tables != 4)
        return {tables, false};
    return {tables, scalarOf(session, "select (select count(*) from marki) + (select count(*) from modele) + "
                                      "(select count(*) from kompresory)")
                        != 0};
}

// Two inits (or copies) at once on one database would both find it empty, and the loser would
// fail on the server's own catalogue of type names. The first to take this lock for its
// transaction makes the catalogue; another is told so at once.
void claimCreation(CppSQLiteSession& session, const std::string& dest)
{
    if (scalarOf(session, "select pg_try_advisory_xact_lock(hashtext('kelvara-db: creating the catalogue'))::int") == 0)
        throw ToolError(dest + ": a catalogue is already being created there (another 'kelvara-db init' or 'copy' "
                               "is running); nothing was written");
}

[[noreturn]] void refuseExisting(const std::string& dest)
{
    throw ToolError(dest + " already holds a catalogue (or some of its tables); it is never overwritten");
}

const IdUse& idUseOf(db::CatalogueTable table)
{
    return *std::find_if(idUses().begin(), idUses().end(), [&](const IdUse& use) { return use.table == table; });
}

CopiedCounts writeServer(const std::string& dest, const CatalogueSource& source)
{
    const std::unique_ptr<CppSQLiteSession> session = openCatalogue(dest, db::Access::readWrite);
    CppSQLiteTransaction transaction(*session, CppSQLiteTransaction::Kind::write);
    claimCreation(*session, dest);
    requireUtf8Database(*session, dest);
    const auto [tables, holdsRows] = serverCatalogueState(*session);
    if (holdsRows || (tables != 0 && tables != 4))
        refuseExisting(dest);
    if (tables == 0)
        session->executeScript(serverCatalogueSchemaSql());
    // The foreign keys are checked once everything is there, so that rows without a parent
    // are named below rather than failing the load.
    session->executeScript("SET CONSTRAINTS ALL DEFERRED");
    loadCatalogue(*session, source);
    raiseIdSequences(*session);
    const CopiedCounts counts = verifyCatalogue(
        *session, source, [](const std::string& detail) { return "verification failed: " + detail + "; nothing was written"; });
    constrainServerCatalogue(*session, dest);
    transaction.commit();
    return counts;
}

CopiedCounts writeFile(const std::string& dest, const CatalogueSource& source, std::optional<unsigned> permissions)
{
    NewCatalogue catalogue(dest, permissions);
    {
        CppSQLiteTransaction transaction(catalogue.session(), CppSQLiteTransaction::Kind::write);
        loadCatalogue(catalogue.session(), source);
        transaction.commit();
    }
    // Read back with a connection of its own, as any program will read it.
    const std::unique_ptr<CppSQLiteSession> check = openCatalogue(catalogue.workPath(), db::Access::readOnly);
    const CopiedCounts counts = verifyCatalogue(*check, source, [&](const std::string& detail) {
        return "verification failed: " + detail + "; " + dest + " was removed";
    });
    catalogue.keep();
    return counts;
}

}  // namespace

std::unique_ptr<RowStream> CatalogueRows::rows(db::CatalogueTable table) const
{
    return std::make_unique<VectorStream>(tables[table]);
}

StoredCatalogue::StoredCatalogue(const std::string& name) : m_session(openCatalogue(name, db::Access::readOnly))
{
    requireCatalogueShape(*m_session, name);
    m_snapshot = std::make_unique<CppSQLiteTransaction>(*m_session, CppSQLiteTransaction::Kind::snapshot);
}

StoredCatalogue::~StoredCatalogue() = default;

std::unique_ptr<RowStream> StoredCatalogue::rows(db::CatalogueTable table) const
{
    return readRows(*m_session, table);
}

std::unique_ptr<RowStream> readRows(CppSQLiteSession& session, db::CatalogueTable table)
{
    return std::make_unique<CursorStream>(session, table);
}

CopiedCounts writeNewCatalogue(const std::string& dest, const CatalogueSource& source,
                               std::optional<unsigned> permissions)
{
    try {
        return isConnectionString(dest) ? writeServer(dest, source) : writeFile(dest, source, permissions);
    } catch (const CppSQLiteException& e) {
        const std::string outcome = isConnectionString(dest) ? "; nothing was written" : "; it was removed";
        // A lock on either side is another program's doing, not a fault of either catalogue.
        if (e.isBusy())
            throw CatalogueLocked("cannot copy to " + dest + ": another program held a lock for longer than "
                                  + std::to_string(kBusyTimeoutMs / 1000) + " seconds (" + e.engineMessage() + ")"
                                  + outcome + "; try again once it has finished writing");
        throw ToolError("cannot write " + dest + ": " + e.engineMessage() + outcome);
    }
}

void initServerCatalogue(const std::string& conninfo)
{
    const std::unique_ptr<CppSQLiteSession> session = openCatalogue(conninfo, db::Access::readWrite);
    CppSQLiteTransaction transaction(*session, CppSQLiteTransaction::Kind::write);
    claimCreation(*session, conninfo);
    requireUtf8Database(*session, conninfo);
    if (serverCatalogueState(*session).first != 0)
        refuseExisting(conninfo);
    session->executeScript(serverCatalogueSchemaSql());
    transaction.commit();
}

const std::array<IdUse, 3>& idUses()
{
    static const std::array<IdUse, 3> uses = {{
        {db::kManufacturers, "marki_id_seq", "Modele", "id_marki", "modele_id_marki_fkey"},
        {db::kModels, "modele_id_seq", "kompresory", "id_modelu", "kompresory_id_modelu_fkey"},
        {db::kCompressors, "kompresory_id_seq", nullptr, nullptr, nullptr},
    }};
    return uses;
}

long long highestIdInUse(CppSQLiteSession& session, db::CatalogueTable table)
{
    const IdUse& use = idUseOf(table);
    const TableDescription& description = catalogueTables()[table];
    // Cast: a reference stored as text in a file must not win as "the highest" value.
    std::string sql = std::string("select max(cast(") + description.key + " as bigint)) as id from " + description.name;
    if (use.referringTable)
        sql += std::string(" union all select max(cast(") + use.referringColumn + " as bigint)) from " + use.referringTable;
    return scalarOf(session, "select coalesce(max(id), 0) from (" + sql + ") as ids");
}

void raiseIdSequences(CppSQLiteSession& server)
{
    for (const IdUse& use : idUses()) {
        const std::string highest = std::to_string(highestIdInUse(server, use.table));
        // setval only forward: another counter's ids already handed out stay behind it.
        server.execute(std::string("select setval('") + use.sequence + "', " + highest + ") where " + highest
                       + " > coalesce(pg_sequence_last_value('" + use.sequence + "'), 0)");
    }
}

std::string shownValue(const FieldValue& value)
{
    if (!value)
        return "NULL";
    constexpr std::size_t kLimit = 60;
    const bool utf8 = findInvalidUtf8(*value) == std::string_view::npos;
    std::string out = "'";
    std::size_t i = 0;
    for (; i < value->size(); ++i) {
        const auto byte = static_cast<unsigned char>((*value)[i]);
        // Stop before a character, never inside one.
        if (i >= kLimit && (byte & 0xC0) != 0x80)
            break;
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !utf8)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out + (i < value->size() ? "'..." : "'");
}

std::string placeOf(db::CatalogueTable table, const CatalogueRow& row, std::size_t column)
{
    const TableDescription& description = catalogueTables()[table];
    return std::string(description.name) + ' ' + description.key + ' ' + std::to_string(row.key) + ", "
           + description.columns[column];
}

}  // namespace kelvara::dbtool
