// The catalogue file: SQLite 3 with the historical double-quoted texts.

#include "CppSQLiteException.h"
#include "CatalogueTables.h"
#include "Engine.h"

#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <utility>
#include <vector>
#include <string>
#include <thread>

namespace kelvara::db {

namespace {

char* copyErrorText(sqlite3* db)
{
    return sqlite3_mprintf("%s", sqlite3_errmsg(db));
}

// Compiled statements with bound values, kept for their next run: a tool that adds rows one
// by one compiles its insert once. The program's own statements carry no values and are
// never kept.
class StatementCache {
public:
    static constexpr std::size_t kLimit = 8;

    ~StatementCache() { clear(); }

    sqlite3_stmt* take(const char* sql)
    {
        for (auto kept = m_idle.begin(); kept != m_idle.end(); ++kept) {
            if (kept->first == sql) {
                sqlite3_stmt* vm = kept->second;
                m_idle.erase(kept);
                return vm;
            }
        }
        return nullptr;
    }

    // Takes a statement that ran to its end or was released; false when it is not kept.
    bool keep(sqlite3_stmt* vm)
    {
        if (m_closed)
            return false;
        if (m_idle.size() == kLimit) {
            sqlite3_finalize(m_idle.front().second);
            m_idle.erase(m_idle.begin());
        }
        m_idle.emplace_back(sqlite3_sql(vm), vm);
        return true;
    }

    // Before the connection closes: a kept statement would keep it open.
    void clear()
    {
        m_closed = true;
        for (auto& kept : m_idle)
            sqlite3_finalize(kept.second);
        m_idle.clear();
    }

private:
    std::vector<std::pair<std::string, sqlite3_stmt*>> m_idle;
    bool m_closed = false;
};

class SqliteStatement : public Statement {
public:
    explicit SqliteStatement(sqlite3_stmt* vm, std::shared_ptr<StatementCache> cache = nullptr)
        : m_vm(vm), m_cache(std::move(cache))
    {
    }
    ~SqliteStatement() override
    {
        try {
            finalize();
        } catch (const CppSQLiteException&) {
            // Nothing can be done about a finalisation error while the statement goes away.
        }
    }

    bool onRow() const override { return m_onRow; }
    int columnCount() const override { return m_vm ? sqlite3_column_count(m_vm) : 0; }
    const char* text(int index) const override
    {
        return reinterpret_cast<const char*>(sqlite3_column_text(m_vm, index));
    }
    std::size_t length(int index) const override
    {
        return static_cast<std::size_t>(sqlite3_column_bytes(m_vm, index));
    }

    void step() override
    {
        const int result = sqlite3_step(m_vm);
        if (result == SQLITE_DONE || result == SQLITE_ROW) {
            m_onRow = result == SQLITE_ROW;
            return;
        }
        // Copy the text before finalisation can replace it; the code is finalisation's.
        sqlite3* db = sqlite3_db_handle(m_vm);
        char* message = copyErrorText(db);
        const int extended = sqlite3_extended_errcode(db);
        int code = sqlite3_finalize(m_vm);
        m_vm = nullptr;
        m_onRow = false;
        if (code == SQLITE_OK)
            code = result;
        throw CppSQLiteException(code, message, true).withExtendedCode(extended);
    }

    void finalize() override
    {
        if (!m_vm)
            return;
        if (m_cache && sqlite3_reset(m_vm) == SQLITE_OK) {
            sqlite3_clear_bindings(m_vm);
            if (m_cache->keep(m_vm)) {
                m_vm = nullptr;
                m_onRow = false;
                return;
            }
        }
        sqlite3* db = sqlite3_db_handle(m_vm);
        const int code = sqlite3_finalize(m_vm);
        m_vm = nullptr;
        m_onRow = false;
        if (code != SQLITE_OK)
            throw CppSQLiteException(code, copyErrorText(db), true);
    }

    sqlite3_stmt* handle() const { return m_vm; }
    // Makes a finished statement ready to run again with new values.
    void rewind()
    {
        sqlite3_reset(m_vm);
        sqlite3_clear_bindings(m_vm);
        m_onRow = false;
    }

private:
    sqlite3_stmt* m_vm;
    std::shared_ptr<StatementCache> m_cache;
    bool m_onRow = false;
};

class SqliteConnection : public Connection {
public:
    SqliteConnection(sqlite3* db, WaitHost& host) : m_db(db), m_host(host) {}
    ~SqliteConnection() override { close(); }

    sql::Dialect dialect() const override { return sql::Dialect::sqlite; }

    std::unique_ptr<Statement> start(const char* sql, const BoundValues* values) override
    {
        sqlite3_stmt* vm = values ? m_cache->take(sql) : nullptr;
        if (!vm)
            vm = compile(sql);
        if (!vm)
            return nullptr;
        auto statement = std::make_unique<SqliteStatement>(vm, values ? m_cache : nullptr);
        if (values)
            bind(vm, *values);
        statement->step();
        return statement;
    }

    void runScript(const char* sql) override
    {
        char* message = nullptr;
        const int result = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
        if (result != SQLITE_OK) {
            if (!message)
                message = copyErrorText(m_db);
            throw CppSQLiteException(result, message, true).withExtendedCode(sqlite3_extended_errcode(m_db));
        }
    }

    void loadRows(const std::string& table, const std::vector<std::string>& columns,
                  const std::function<bool(BoundValues&)>& next) override
    {
        std::string parameters;
        for (std::size_t c = 0; c < columns.size(); ++c)
            parameters += (c ? ", $" : "$") + std::to_string(c + 1);
        const std::string sql =
            "insert into " + table + " (" + quotedColumnList(columns) + ") values (" + parameters + ")";
        SqliteStatement insert(compile(sql.c_str()));
        BoundValues row;
        while (next(row)) {
            bind(insert.handle(), row);
            insert.step();
            insert.rewind();
            row.clear();
        }
    }

    void setBusyTimeout(int) override
    {
        // Our own handler in place of sqlite3_busy_timeout: the session keeps the time-out,
        // and its observer hears of the wait and can end it.
        sqlite3_busy_handler(m_db, &SqliteConnection::onBusy, this);
    }

    void close() override
    {
        m_cache->clear();
        if (m_db) {
            // A statement may still be open; the connection then goes when it is finalised.
            sqlite3_close_v2(m_db);
            m_db = nullptr;
        }
    }

private:
    sqlite3_stmt* compile(const char* sql)
    {
        sqlite3_stmt* vm = nullptr;
        const char* tail = nullptr;  // only the first statement of a text ever runs
        const int result = sqlite3_prepare_v2(m_db, sql, -1, &vm, &tail);
        if (result != SQLITE_OK) {
            char* message = copyErrorText(m_db);
            const int extended = sqlite3_extended_errcode(m_db);
            sqlite3_finalize(vm);
            throw CppSQLiteException(result, message, true).withExtendedCode(extended);
        }
        return vm;
    }

    // Value i goes to the parameter named $i, wherever it stands in the text. The statement's
    // owner finalises it after a failure.
    void bind(sqlite3_stmt* vm, const BoundValues& values)
    {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string name = "$" + std::to_string(i + 1);
            const int index = sqlite3_bind_parameter_index(vm, name.c_str());
            int result = SQLITE_RANGE;
            if (index > 0 && values[i].isNull()) {
                result = sqlite3_bind_null(vm, index);
            } else if (index > 0 && values[i].isInteger()) {
                result = sqlite3_bind_int64(vm, index, values[i].integer());
            } else if (index > 0) {
                const std::string_view text = values[i].text();
                // Never a null pointer, so that an empty text is bound as text, not NULL.
                result = sqlite3_bind_text64(vm, index, text.empty() ? "" : text.data(), text.size(),
                                             SQLITE_TRANSIENT, SQLITE_UTF8);
            }
            if (result != SQLITE_OK)
                throw CppSQLiteException(result, sqlite3_mprintf("cannot bind %s: %s", name.c_str(),
                                                                 sqlite3_errstr(result)), true);
        }
    }

    static int onBusy(void* context, int attempt)
    {
        auto* connection = static_cast<SqliteConnection*>(context);
        const int sliceMs = connection->m_host.waitSlice(CatalogueWait::lock, attempt == 0);
        if (sliceMs <= 0)
            return 0;
        // Short sleeps keep a waiting window lively; the lock is tried again after each.
        std::this_thread::sleep_for(std::chrono::milliseconds(sliceMs));
        return 1;
    }

    sqlite3* m_db;
    WaitHost& m_host;
    std::shared_ptr<StatementCache> m_cache = std::make_shared<StatementCache>();
};

}  // namespace

std::shared_ptr<Connection> openSqlite(const char* fileName, Access access, WaitHost& host, int busyTimeoutMs)
{
    sqlite3* db = nullptr;
    const int flags = access == Access::readOnly ? SQLITE_OPEN_READONLY
                      : access == Access::readWrite ? SQLITE_OPEN_READWRITE
                                                    : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int result = sqlite3_open_v2(fileName, &db, flags, nullptr);
    if (!db)
        throw CppSQLiteException(SQLITE_CANTOPEN,
                                 sqlite3_mprintf("%s", sqlite3_errstr(SQLITE_CANTOPEN)), true);
    if (result != SQLITE_OK) {
        char* message = copyErrorText(db);
        sqlite3_close(db);
        throw CppSQLiteException(result, message, true);
    }

    // Every statement of the catalogue writes its texts in double quotes; a library built
    // without that leniency must still read them as texts.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 1, static_cast<int*>(nullptr));
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 1, static_cast<int*>(nullptr));

    auto connection = std::make_shared<SqliteConnection>(db, host);
    connection->setBusyTimeout(busyTimeoutMs);
    return connection;
}

}  // namespace kelvara::db
