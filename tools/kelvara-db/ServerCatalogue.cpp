#include "ServerCatalogue.h"

#include "Catalogue.h"
#include "Command.h"
#include "Engine.h"
#include "Schema.h"
#include "Sqlite.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>

namespace kelvara::dbtool {

namespace {

constexpr std::size_t kCompressors = 2;
constexpr std::size_t kColumnFlags = 3;
constexpr int kFirstPrice = 8;  // cena_zakl, kaucja_sku, netto: numeric on the server

std::string trimmed(const char* text)
{
    std::string out = text ? text : "";
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// Every column name double-quoted: "do" is reserved on the server, and both engines read a
// quoted lower-case name as the column.
std::string columnList(const TableShape& table)
{
    std::string list;
    for (int c = 0; c < table.columnCount; ++c)
        list += std::string(c ? ", " : "") + '"' + table.columns[static_cast<std::size_t>(c)] + '"';
    return list;
}

class ServerConnection {
public:
    explicit ServerConnection(const std::string& conninfo) : m_name(conninfo)
    {
        const char* const keywords[] = {"dbname", "fallback_application_name", nullptr};
        const char* const values[] = {conninfo.c_str(), "kelvara-db", nullptr};
        m_conn = PQconnectdbParams(keywords, values, 1);
        if (PQstatus(m_conn) != CONNECTION_OK) {
            const std::string message = trimmed(PQerrorMessage(m_conn));
            PQfinish(m_conn);
            throw ToolError("cannot connect to " + conninfo + ": " + message);
        }
        PQsetClientEncoding(m_conn, "UTF8");
        PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);
    }
    ~ServerConnection() { PQfinish(m_conn); }
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    void execute(const std::string& sql) { query(sql, {}); }

    TableRows query(const std::string& sql, const std::vector<FieldValue>& params)
    {
        std::vector<const char*> values;
        for (const FieldValue& value : params)
            values.push_back(value ? value->c_str() : nullptr);
        PGresult* result = params.empty() ? PQexec(m_conn, sql.c_str())
                                           : PQexecParams(m_conn, sql.c_str(), static_cast<int>(values.size()),
                                                          nullptr, values.data(), nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
            const std::string message = primary ? primary : trimmed(PQerrorMessage(m_conn));
            PQclear(result);
            throw ToolError(m_name + ": " + message);
        }
        TableRows rows;
        for (int r = 0; r < PQntuples(result); ++r) {
            std::vector<FieldValue> row;
            for (int c = 0; c < PQnfields(result); ++c) {
                if (PQgetisnull(result, r, c))
                    row.emplace_back(std::nullopt);
                else
                    row.emplace_back(std::string(PQgetvalue(result, r, c),
                                                 static_cast<std::size_t>(PQgetlength(result, r, c))));
            }
            rows.push_back(std::move(row));
        }
        PQclear(result);
        return rows;
    }

    // Loads rows into table with COPY: one round trip for a whole table.
    void copyIn(const TableShape& table, const TableRows& rows)
    {
        const std::string sql = "COPY " + std::string(table.name) + " (" + columnList(table) + ") FROM STDIN";
        PGresult* started = PQexec(m_conn, sql.c_str());
        const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
        PQclear(started);
        if (!copying)
            throw ToolError(m_name + ": " + trimmed(PQerrorMessage(m_conn)));
        std::string data;
        for (const auto& row : rows) {
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (c)
                    data += '\t';
                if (!row[c]) {
                    data += "\\N";
                    continue;
                }
                for (char ch : *row[c]) {
                    switch (ch) {
                    case '\\': data += "\\\\"; break;
                    case '\n': data += "\\n"; break;
                    case '\r': data += "\\r"; break;
                    case '\t': data += "\\t"; break;
                    default: data += ch;
                    }
                }
            }
            data += '\n';
        }
        if (PQputCopyData(m_conn, data.data(), static_cast<int>(data.size())) != 1 || PQputCopyEnd(m_conn, nullptr) != 1)
            throw ToolError(m_name + ": " + trimmed(PQerrorMessage(m_conn)));
        PGresult* result = PQgetResult(m_conn);
        const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
        const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
        const std::string message = primary ? primary : trimmed(PQerrorMessage(m_conn));
        PQclear(result);
        while (PGresult* rest = PQgetResult(m_conn))
            PQclear(rest);
        if (!ok)
            throw ToolError(m_name + ": " + table.name + ": " + message);
    }

    // Which of the catalogue's tables exist, and whether any of the first three holds a row.
    std::pair<int, bool> catalogueState()
    {
        const auto existing = query("select count(*) from pg_tables where schemaname = current_schema() and "
                                    "tablename in ('marki', 'modele', 'kompresory', 'kolumny')",
                                    {});
        const int tables = std::stoi(*existing.at(0).at(0));
        if (tables != 4)
            return {tables, false};
        const auto rows = query("select (select count(*) from marki) + (select count(*) from modele) + "
                                "(select count(*) from kompresory)",
                                {});
        return {tables, *rows.at(0).at(0) != "0"};
    }

private:
    std::string m_name;
    PGconn* m_conn = nullptr;
};

TableRows readTable(ServerConnection& server, const TableShape& table)
{
    return server.query("select " + columnList(table) + " from " + table.name + " order by 1", {});
}

CatalogueRows readServer(ServerConnection& server)
{
    CatalogueRows rows;
    for (std::size_t t = 0; t < rows.tables.size(); ++t)
        rows.tables[t] = readTable(server, catalogueTables()[t]);
    return rows;
}

CatalogueRows readFile(const std::string& path)
{
    Connection db(path, Connection::Mode::ReadOnly);
    db.execute("BEGIN");  // one consistent read while others write
    CatalogueRows rows;
    for (std::size_t t = 0; t < rows.tables.size(); ++t) {
        const TableShape& table = catalogueTables()[t];
        const std::string sql = "select " + columnList(table) + " from " + table.name + " order by rowid";
        Statement statement = db.prepare(sql.c_str());
        while (statement.step()) {
            std::vector<FieldValue> row;
            for (int c = 0; c < table.columnCount; ++c) {
                if (statement.isNull(c))
                    row.emplace_back(std::nullopt);
                else
                    row.emplace_back(std::string(statement.text(c)));
            }
            rows.tables[t].push_back(std::move(row));
        }
    }
    db.execute("COMMIT");
    return rows;
}

// The server's column flags are integers; the program shows a column for exactly "1".
FieldValue serverFlag(const FieldValue& flag)
{
    if (!flag)
        return flag;
    return std::string(*flag == "1" ? "1" : "0");
}

CatalogueRows forServer(const CatalogueRows& rows)
{
    CatalogueRows out = rows;
    for (auto& row : out.tables[kColumnFlags])
        for (auto& flag : row)
            flag = serverFlag(flag);
    return out;
}

bool sameNumber(const std::string& a, const std::string& b)
{
    if (!isPlainNumber(a) || !isPlainNumber(b))
        return false;
    return std::strtold(a.c_str(), nullptr) == std::strtold(b.c_str(), nullptr);
}

// Field by field: texts and ids byte for byte; a price the server keeps as a number equal in
// value (the server writes 1e3 as 1000); a column flag equal in what it shows.
void verify(const CatalogueRows& expected, const CatalogueRows& written)
{
    for (std::size_t t = 0; t < expected.tables.size(); ++t) {
        const TableShape& table = catalogueTables()[t];
        if (expected.tables[t].size() != written.tables[t].size())
            throw ToolError(std::string("verification failed: ") + table.name + " has "
                            + std::to_string(written.tables[t].size()) + " rows instead of "
                            + std::to_string(expected.tables[t].size()));
        for (std::size_t r = 0; r < expected.tables[t].size(); ++r) {
            for (int c = 0; c < table.columnCount; ++c) {
                const FieldValue& want = expected.tables[t][r][static_cast<std::size_t>(c)];
                const FieldValue& got = written.tables[t][r][static_cast<std::size_t>(c)];
                bool same = want == got;
                if (!same && want && got && t == kCompressors && c >= kFirstPrice)
                    same = sameNumber(*want, *got);
                if (!same && t == kColumnFlags)
                    same = (want && *want == "1") == (got && *got == "1");
                if (!same)
                    throw ToolError(std::string("verification failed: ") + table.name + " row " + std::to_string(r + 1)
                                    + ", column " + table.columns[static_cast<std::size_t>(c)] + " differs");
            }
        }
    }
}

void writeServer(const std::string& dest, const CatalogueRows& rows)
{
    ServerConnection server(dest);
    server.execute("BEGIN");
    const auto [tables, holdsRows] = server.catalogueState();
    if (holdsRows || (tables != 0 && tables != 4))
        throw ToolError(dest + " already holds a catalogue (or some of its tables); it is never overwritten");
    if (tables == 0)
        server.execute(kelvara::serverCatalogueSchemaSql());
    server.execute("delete from kolumny");
    const CatalogueRows serverRows = forServer(rows);
    for (std::size_t t = 0; t < rows.tables.size(); ++t)
        server.copyIn(catalogueTables()[t], serverRows.tables[t]);
    verify(rows, readServer(server));
    server.execute("COMMIT");
}

void writeFile(const std::string& dest, const CatalogueRows& rows)
{
    NewCatalogue catalogue(dest);
    {
        Connection& db = catalogue.connection();
        Transaction transaction(db);
        db.execute("delete from kolumny");
        for (std::size_t t = 0; t < rows.tables.size(); ++t) {
            const TableShape& table = catalogueTables()[t];
            std::string placeholders;
            for (int c = 1; c <= table.columnCount; ++c)
                placeholders += (c > 1 ? ", ?" : "?") + std::to_string(c);
            const std::string sql = "insert into " + std::string(table.name) + " (" + columnList(table)
                                    + ") values (" + placeholders + ")";
            Statement insert = db.prepare(sql.c_str());
            for (const auto& row : rows.tables[t]) {
                for (int c = 0; c < table.columnCount; ++c) {
                    const FieldValue& value = row[static_cast<std::size_t>(c)];
                    if (value)
                        insert.bindText(c + 1, *value);
                    else
                        insert.bindNull(c + 1);
                }
                insert.step();
                insert.reset();
            }
        }
        transaction.commit();
    }
    verify(rows, readFile(catalogue.workPath()));
    catalogue.keep();
}

}  // namespace

bool isServerCatalogue(const std::string& name)
{
    return kelvara::db::isConnectionString(name.c_str());
}

CatalogueRows readCatalogue(const std::string& name)
{
    if (!isServerCatalogue(name))
        return readFile(name);
    ServerConnection server(name);
    server.execute("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    CatalogueRows rows = readServer(server);
    server.execute("COMMIT");
    return rows;
}

void writeNewCatalogue(const std::string& dest, const CatalogueRows& rows)
{
    if (isServerCatalogue(dest))
        writeServer(dest, rows);
    else
        writeFile(dest, rows);
}

void initServerCatalogue(const std::string& conninfo)
{
    ServerConnection server(conninfo);
    server.execute("BEGIN");
    if (server.catalogueState().first != 0)
        throw ToolError(conninfo + " already holds a catalogue (or some of its tables); it is never overwritten");
    server.execute(kelvara::serverCatalogueSchemaSql());
    server.execute("COMMIT");
}

namespace {

std::string temporaryFolder()
{
    const auto base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("kelvara-db-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate))
            return candidate.string();
    }
    throw ToolError("cannot create a temporary folder under " + base.string());
}

void removeFolder(const std::string& folder)
{
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

}  // namespace

CatalogueFile::CatalogueFile(const std::string& name) : m_name(name), m_path(name)
{
    if (!isServerCatalogue(name))
        return;
    m_directory = temporaryFolder();
    m_path = (std::filesystem::path(m_directory) / "snapshot.db").string();
    try {
        m_taken = readCatalogue(name);
        writeNewCatalogue(m_path, m_taken);
    } catch (...) {
        removeFolder(m_directory);
        throw;
    }
}

CatalogueFile::~CatalogueFile()
{
    removeFolder(m_directory);
}

NewCatalogueTarget::NewCatalogueTarget(const std::string& name) : m_name(name), m_path(name)
{
    if (!isServerCatalogue(name))
        return;
    m_directory = temporaryFolder();
    m_path = (std::filesystem::path(m_directory) / "new.db").string();
}

NewCatalogueTarget::~NewCatalogueTarget()
{
    removeFolder(m_directory);
}

void NewCatalogueTarget::publish()
{
    if (!m_directory.empty())
        writeNewCatalogue(m_name, readCatalogue(m_path));
}

std::size_t CatalogueFile::addNewRowsToServer()
{
    if (m_directory.empty())
        return 0;
    const CatalogueRows now = readFile(m_path);
    ServerConnection server(m_name);
    server.execute("BEGIN");
    std::size_t added = 0;
    for (std::size_t t = 0; t < kColumnFlags; ++t) {
        std::set<std::string> taken;
        for (const auto& row : m_taken.tables[t])
            taken.insert(row[0].value_or(""));
        TableRows fresh;
        for (const auto& row : now.tables[t])
            if (!taken.count(row[0].value_or("")))
                fresh.push_back(row);
        try {
            server.copyIn(catalogueTables()[t], fresh);
        } catch (const ToolError& e) {
            throw ToolError(std::string(e.what()) + " (another program may have changed the catalogue meanwhile; "
                            "nothing was written, try again)");
        }
        added += fresh.size();
    }
    server.execute("COMMIT");
    return added;
}

}  // namespace kelvara::dbtool
