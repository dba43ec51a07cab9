#include "CppSQLiteSession.h"

#include "CppSQLiteException.h"

#include <sqlite3.h>


namespace {

char* copyErrorText(sqlite3* db)
{
    return sqlite3_mprintf("%s", sqlite3_errmsg(db));
}

}  // namespace

CppSQLiteSession::CppSQLiteSession() : m_pDb(nullptr), m_nBusyTimeoutMs(kDefaultBusyTimeoutMs) {}

CppSQLiteSession::~CppSQLiteSession()
{
    close();
}

void CppSQLiteSession::open(const char* fileName)
{
    close();

    sqlite3* db = nullptr;
    const int result =
        sqlite3_open_v2(fileName, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
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

    m_pDb = db;
    applyBusyTimeout(m_nBusyTimeoutMs);
}

void CppSQLiteSession::applyBusyTimeout(int milliseconds)
{
    m_nBusyTimeoutMs = milliseconds;
    if (m_pDb)
        sqlite3_busy_timeout(m_pDb, milliseconds);
}

void CppSQLiteSession::requireOpen() const
{
    if (!m_pDb)
        throw CppSQLiteException(CppSQLiteException::kLayerError, "Database not open");
}

sqlite3_stmt* CppSQLiteSession::compileStatement(const char* sql)
{
    requireOpen();

    sqlite3_stmt* vm = nullptr;
    const char* tail = nullptr;  // only the first statement of a text ever runs
    const int result = sqlite3_prepare_v2(m_pDb, sql, -1, &vm, &tail);
    if (result == SQLITE_OK)
        return vm;

    char* message = copyErrorText(m_pDb);
    sqlite3_finalize(vm);
    throw CppSQLiteException(result, message, true);
}

CppSQLiteCursor CppSQLiteSession::execute(const char* sql)
{
    requireOpen();
    if (!sql)
        sql = "";
    if (m_trace)
        m_trace(sql);

    sqlite3_stmt* vm = compileStatement(sql);
    if (!vm)
        return CppSQLiteCursor::withoutStatement();

    const int result = sqlite3_step(vm);
    if (result == SQLITE_DONE)
        return CppSQLiteCursor(vm, true, sqlite3_column_count(vm), true);
    if (result == SQLITE_ROW)
        return CppSQLiteCursor(vm, false, sqlite3_column_count(vm), true);

    // Copy the text before finalisation can replace it; the code is finalisation's.
    char* message = copyErrorText(m_pDb);
    int code = sqlite3_finalize(vm);
    if (code == SQLITE_OK)
        code = result;
    throw CppSQLiteException(code, message, true);
}

void CppSQLiteSession::close()
{
    if (m_pDb) {
        // A cursor may still hold a statement; the connection then goes when it is finalised.
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
    }
}
