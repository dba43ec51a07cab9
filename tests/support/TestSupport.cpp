#include "TestSupport.h"

#include "Schema.h"

#include <sqlite3.h>

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

RawDb::RawDb(const std::string& path)
{
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw std::runtime_error("sqlite: cannot open " + path + ": " + message);
    }
}

RawDb::RawDb(RawDb&& other) noexcept : m_db(other.m_db)
{
    other.m_db = nullptr;
}

RawDb& RawDb::operator=(RawDb&& other) noexcept
{
    if (this != &other) {
        sqlite3_close_v2(m_db);
        m_db = other.m_db;
        other.m_db = nullptr;
    }
    return *this;
}

RawDb::~RawDb()
{
    sqlite3_close_v2(m_db);
}

void RawDb::exec(const std::string& sql)
{
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(m_db, sql);
}

Rows RawDb::query(const std::string& sql, const std::vector<Value>& params)
{
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

long long RawDb::insertManufacturer(const Value& name)
{
    query("insert into Marki(id_marki, marka) values (NULL, ?1)", {name});
    return sqlite3_last_insert_rowid(m_db);
}

long long RawDb::insertModel(long long manufacturerId, const Value& name)
{
    query("insert into Modele(id_modelu, id_marki, model) values (NULL, ?1, ?2)",
          {std::to_string(manufacturerId), name});
    return sqlite3_last_insert_rowid(m_db);
}

long long RawDb::insertCompressor(long long modelId, const CompressorRow& row)
{
    query("insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, do, typ, nr_f_s, nrkv,"
          " cena_zakl, kaucja_sku, netto) values (NULL, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)",
          {std::to_string(modelId), row.capacity, row.yearFrom, row.yearTo, row.type,
           row.commonPartNo, row.partNo, row.jobber, row.coreDeposit, row.netPrice});
    return sqlite3_last_insert_rowid(m_db);
}

TempCatalogue::TempCatalogue() : m_path(m_dir.file("database.db"))
{
    createCatalogue(m_path);
}

}  // namespace kelvara::test
