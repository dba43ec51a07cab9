#include "TestSupport.h"

#include "CppSQLiteException.h"
#include "CppSQLiteSession.h"
#include "Schema.h"

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

constexpr const char* kApplicationName = "kelvara-test";

[[noreturn]] void fail(const CppSQLiteSession& db, const CppSQLiteException& error, const std::string& sql)
{
    throw std::runtime_error(engineName(db.dialect()) + ": " + error.engineMessage() + " in: " + sql);
}

// A session on name: a file fails at once when locked; on a server a lock is waited for as
// long as the program would, as a plain libpq connection did.
std::unique_ptr<CppSQLiteSession> openSession(const std::string& name, int busyTimeoutMs)
{
    auto session = std::make_unique<CppSQLiteSession>();
    const bool server = kelvara::db::isConnectionString(name);
    if (!server)
        session->applyBusyTimeout(busyTimeoutMs);
    try {
        session->open(name.c_str(), kelvara::db::Access::createIfMissing, kApplicationName);
        // IF EXISTS and the like would otherwise tell their notices on standard error.
        if (server)
            session->executeScript("set client_min_messages = warning");
    } catch (const CppSQLiteException& error) {
        throw std::runtime_error(std::string(server ? "postgres" : "sqlite") + ": cannot open " + name + ": "
                                 + error.engineMessage());
    }
    return session;
}

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
        try {
            CppSQLiteSession probe;
            probe.open((std::string(conninfo) + " dbname=kelvara_template").c_str(),
                       kelvara::db::Access::readOnly, kApplicationName);
        } catch (const CppSQLiteException& error) {
            reason = std::string("cannot reach the PostgreSQL test server (") + conninfo
                     + "; ctest starts it with scripts/pg-test-server.sh): " + error.engineMessage();
            return std::nullopt;
        }
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

RawDb::RawDb() = default;
RawDb::RawDb(const std::string& path, int busyTimeoutMs) : m_session(openSession(path, busyTimeoutMs)) {}
RawDb::RawDb(RawDb&& other) noexcept = default;
RawDb& RawDb::operator=(RawDb&& other) noexcept = default;
RawDb::~RawDb() = default;

CppSQLiteSession& RawDb::session(const std::string& sql) const
{
    if (!m_session)
        throw std::runtime_error("no connection for: " + sql);
    return *m_session;
}

bool RawDb::isServer() const
{
    return m_session && m_session->dialect() == kelvara::sql::Dialect::postgres;
}

void RawDb::exec(const std::string& sql)
{
    CppSQLiteSession& db = session(sql);
    try {
        db.executeScript(sql);
    } catch (const CppSQLiteException& error) {
        fail(db, error, sql);
    }
}

Rows RawDb::query(const std::string& sql, const std::vector<Value>& params)
{
    CppSQLiteSession& db = session(sql);
    const kelvara::db::BoundValues values(params.begin(), params.end());
    Rows rows;
    try {
        for (CppSQLiteCursor cursor = db.execute(sql, values); !cursor.atEnd(); cursor.advance()) {
            Row row;
            for (int c = 0; c < cursor.columnCount(); ++c) {
                if (cursor.field(c))
                    row.emplace_back(std::string(cursor.fieldView(c)));
                else
                    row.emplace_back(std::nullopt);
            }
            rows.push_back(std::move(row));
        }
    } catch (const CppSQLiteException& error) {
        fail(db, error, sql);
    }
    return rows;
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
    exec(isServer() ? "begin; lock table marki, modele, kompresory, kolumny in exclusive mode" : "begin immediate");
}

void RawDb::refuse(const std::string& operation, const std::string& table, const std::string& message)
{
    static std::atomic<unsigned> counter{0};
    const std::string name = "refuse_" + std::to_string(counter++);
    if (!isServer()) {
        exec("create trigger " + name + " before " + operation + " on " + table + " begin select raise(abort, '"
             + message + "'); end");
        return;
    }
    exec("create function " + name + "() returns trigger language plpgsql as $$ begin raise exception '"
         + message + "'; end $$");
    exec("create trigger " + name + " before " + operation + " on " + table + " for each row execute function "
         + name + "()");
}

long long RawDb::insertRow(const std::string& sql, const std::vector<Value>& params)
{
    return std::stoll(scalar(sql, params).value_or(""));
}

long long RawDb::insertManufacturer(const Value& name)
{
    return insertRow("insert into Marki(id_marki, marka) values (NULL, $1) returning id_marki", {name});
}

long long RawDb::insertModel(long long manufacturerId, const Value& name)
{
    return insertRow("insert into Modele(id_modelu, id_marki, model) values (NULL, $1, $2) returning id_modelu",
                     {std::to_string(manufacturerId), name});
}

long long RawDb::insertCompressor(long long modelId, const CompressorRow& row)
{
    std::vector<Value> params{std::to_string(modelId)};
    for (const Value* value : row.inOrder())
        params.push_back(*value);
    return insertRow("insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, \"do\", typ, nr_f_s,"
                     " nrkv, cena_zakl, kaucja_sku, netto) values (NULL, $1, $2, $3, $4, $5, $6, $7, $8,"
                     " $9, $10) returning id_kompresora",
                     params);
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
