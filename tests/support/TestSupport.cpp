#include "TestSupport.h"

#include "Engine.h"
#include "Schema.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>

#include <atomic>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace kelvara::test {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& sql)
{
    throw std::runtime_error(std::string("sqlite: ") + (db ? sqlite3_errmsg(db) : "no connection")
                             + " in: " + sql);
}

[[noreturn]] void failPg(PGconn* db, const std::string& sql)
{
    throw std::runtime_error(std::string("postgres: ") + (db ? PQerrorMessage(db) : "no connection")
                             + " in: " + sql);
}

// ?1, ?2… as the server writes them: $1, $2… (outside literals).
std::string serverPlaceholders(const std::string& sql)
{
    std::string out;
    char quote = 0;
    for (char c : sql) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '?') {
            c = '$';
        }
        out += c;
    }
    return out;
}

struct PgResult {
    PGresult* result = nullptr;
    ~PgResult() { PQclear(result); }
};

// Finalises the statement on every way out of a query.
struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

}  // namespace

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            base / ("kelvara-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_path = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory under " + base.string());
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string TempDir::file(const std::string& name) const
{
    return (fs::path(m_path) / name).string();
}

void createCatalogue(const std::string& path)
{
    if (fs::exists(path))
        throw std::runtime_error("catalogue already exists: " + path);
    RawDb db(path);
    db.exec(kelvara::catalogueSchemaSql());
}

std::optional<std::string> testServer(std::string* why)
{
    static std::string reason;
    static const std::optional<std::string> server = []() -> std::optional<std::string> {
        // The server ctest starts for this build, unless the environment names another.
        const char* conninfo = std::getenv("KELVARA_TEST_PG");
        if (!conninfo || !*conninfo)
            conninfo = KELVARA_TEST_PG_DEFAULT;
        PGconn* probe = PQconnectdb((std::string(conninfo) + " dbname=kelvara_template").c_str());
        const bool up = PQstatus(probe) == CONNECTION_OK;
        if (!up)
            reason = std::string("cannot reach the PostgreSQL test server (") + conninfo
                     + "; ctest starts it with scripts/pg-test-server.sh): " + PQerrorMessage(probe);
        PQfinish(probe);
        if (!up)
            return std::nullopt;
        return std::string(conninfo);
    }();
    if (why)
        *why = reason;
    return server;
}

bool testServerRequired()
{
    const char* required = std::getenv("KELVARA_REQUIRE_PG");
    return required && std::string(required) == "1";
}

std::string engineName(kelvara::sql::Dialect engine)
{
    return engine == kelvara::sql::Dialect::postgres ? "postgres" : "sqlite";
}

RawDb::RawDb(const std::string& path)
{
    if (kelvara::db::isConnectionString(path.c_str())) {
        m_pg = PQconnectdb(path.c_str());
        if (PQstatus(m_pg) != CONNECTION_OK) {
            const std::string message = PQerrorMessage(m_pg);
            PQfinish(m_pg);
            m_pg = nullptr;
            throw std::runtime_error("postgres: cannot connect to " + path + ": " + message);
        }
        PQsetClientEncoding(m_pg, "UTF8");
        PQsetNoticeProcessor(m_pg, [](void*, const char*) {}, nullptr);
        return;
    }
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw std::runtime_error("sqlite: cannot open " + path + ": " + message);
    }
}

RawDb::RawDb(RawDb&& other) noexcept : m_db(other.m_db), m_pg(other.m_pg)
{
    other.m_db = nullptr;
    other.m_pg = nullptr;
}

RawDb& RawDb::operator=(RawDb&& other) noexcept
{
    if (this != &other) {
        sqlite3_close_v2(m_db);
        PQfinish(m_pg);
        m_db = other.m_db;
        m_pg = other.m_pg;
        other.m_db = nullptr;
        other.m_pg = nullptr;
    }
    return *this;
}

RawDb::~RawDb()
{
    sqlite3_close_v2(m_db);
    PQfinish(m_pg);
}

void RawDb::exec(const std::string& sql)
{
    if (m_pg) {
        PgResult result{PQexec(m_pg, sql.c_str())};
        const ExecStatusType status = PQresultStatus(result.result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            failPg(m_pg, sql);
        return;
    }
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, sql);
}

Rows RawDb::query(const std::string& sql, const std::vector<Value>& params)
{
    if (m_pg) {
        std::vector<const char*> values;
        for (const Value& param : params)
            values.push_back(param ? param->c_str() : nullptr);
        const std::string text = serverPlaceholders(sql);
        PgResult result{PQexecParams(m_pg, text.c_str(), static_cast<int>(values.size()), nullptr,
                                     values.data(), nullptr, nullptr, 0)};
        const ExecStatusType status = PQresultStatus(result.result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            failPg(m_pg, sql);
        Rows rows;
        for (int r = 0; r < PQntuples(result.result); ++r) {
            Row row;
            for (int c = 0; c < PQnfields(result.result); ++c) {
                if (PQgetisnull(result.result, r, c))
                    row.emplace_back(std::nullopt);
                else
                    row.emplace_back(std::string(PQgetvalue(result.result, r, c),
                                                 static_cast<std::size_t>(PQgetlength(result.result, r, c))));
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }
    Statement st;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size()), &st.stmt, nullptr)
            != SQLITE_OK
        || !st.stmt)
        fail(m_db, sql);

    for (std::size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        const int bound = params[i]
                              ? sqlite3_bind_text(st.stmt, index, params[i]->data(),
                                                  static_cast<int>(params[i]->size()),
                                                  SQLITE_TRANSIENT)
                              : sqlite3_bind_null(st.stmt, index);
        if (bound != SQLITE_OK)
            fail(m_db, sql);
    }

    Rows rows;
    for (;;) {
        const int result = sqlite3_step(st.stmt);
        if (result == SQLITE_DONE)
            return rows;
        if (result != SQLITE_ROW)
            fail(m_db, sql);
        Row row;
        const int columns = sqlite3_column_count(st.stmt);
        for (int c = 0; c < columns; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.stmt, c));
            if (text)
                row.emplace_back(std::string(text, static_cast<std::size_t>(
                                                       sqlite3_column_bytes(st.stmt, c))));
            else
                row.emplace_back(std::nullopt);
        }
        rows.push_back(std::move(row));
    }
}

Value RawDb::scalar(const std::string& sql, const std::vector<Value>& params)
{
    Rows rows = query(sql, params);
    if (rows.empty() || rows.front().empty())
        throw std::runtime_error("no row from: " + sql);
    return rows.front().front();
}

void RawDb::beginWriteLock()
{
    exec(m_pg ? "begin; lock table marki, modele, kompresory, kolumny in exclusive mode" : "begin immediate");
}

void RawDb::refuse(const std::string& operation, const std::string& table, const std::string& message)
{
    static std::atomic<unsigned> counter{0};
    const std::string name = "refuse_" + std::to_string(counter++);
    if (!m_pg) {
        exec("create trigger " + name + " before " + operation + " on " + table + " begin select raise(abort, '"
             + message + "'); end");
        return;
    }
    exec("create function " + name + "() returns trigger language plpgsql as $$ begin raise exception '"
         + message + "'; end $$");
    exec("create trigger " + name + " before " + operation + " on " + table + " for each row execute function "
         + name + "()");
}

long long RawDb::insertRow(const std::string& sql, const char* idColumn, const std::vector<Value>& params)
{
    if (m_pg)
        return std::stoll(*scalar(sql + " returning " + idColumn, params));
    query(sql, params);
    return sqlite3_last_insert_rowid(m_db);
}

long long RawDb::insertManufacturer(const Value& name)
{
    return insertRow("insert into Marki(id_marki, marka) values (NULL, ?1)", "id_marki", {name});
}

long long RawDb::insertModel(long long manufacturerId, const Value& name)
{
    return insertRow("insert into Modele(id_modelu, id_marki, model) values (NULL, ?1, ?2)", "id_modelu",
                     {std::to_string(manufacturerId), name});
}

long long RawDb::insertCompressor(long long modelId, const CompressorRow& row)
{
    return insertRow("insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, \"do\", typ, nr_f_s,"
                     " nrkv, cena_zakl, kaucja_sku, netto) values (NULL, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8,"
                     " ?9, ?10)",
                     "id_kompresora",
                     {std::to_string(modelId), row.capacity, row.yearFrom, row.yearTo, row.type,
                      row.commonPartNo, row.partNo, row.jobber, row.coreDeposit, row.netPrice});
}

TempCatalogue::TempCatalogue(kelvara::sql::Dialect engine) : m_engine(engine)
{
    if (engine == kelvara::sql::Dialect::sqlite) {
        m_path = m_dir.file("database.db");
        createCatalogue(m_path);
        return;
    }
    const std::optional<std::string> server = testServer(&m_unavailable);
    if (!server)
        return;
    static std::atomic<unsigned> counter{0};
    m_database = "kelvara_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    RawDb admin(*server + " dbname=postgres");
    admin.exec("DROP DATABASE IF EXISTS " + m_database);
    admin.exec("CREATE DATABASE " + m_database + " TEMPLATE kelvara_template");
    m_path = *server + " dbname=" + m_database;
}

TempCatalogue::~TempCatalogue()
{
    if (m_database.empty())
        return;
    try {
        RawDb admin(*testServer() + " dbname=postgres");
        admin.exec("DROP DATABASE IF EXISTS " + m_database + " WITH (FORCE)");
    } catch (const std::exception&) {
        // A database left behind goes with the test server's folder.
    }
}

}  // namespace kelvara::test
