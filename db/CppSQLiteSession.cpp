#include "CppSQLiteSession.h"

#include "CppSQLiteException.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

char* copyErrorText(sqlite3* db)
{
    return sqlite3_mprintf("%s", sqlite3_errmsg(db));
}

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The session whose statement is waiting for a lock on this thread, if any.
thread_local CppSQLiteSession* t_waitingSession = nullptr;

// Ends the observer's wait when the statement that waited returns, however it returns.
struct WaitEnd {
    ~WaitEnd() { CppSQLiteSession::endLockWait(); }
};

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
    // Our own handler in place of sqlite3_busy_timeout: the same time-out, but the observer
    // hears of the wait and can end it.
    if (m_pDb)
        sqlite3_busy_handler(m_pDb, &CppSQLiteSession::onBusy, this);
}

int CppSQLiteSession::onBusy(void* context, int attempt)
{
    auto* session = static_cast<CppSQLiteSession*>(context);
    const long long now = nowMs();
    if (attempt == 0 || !session->m_bWaiting) {
        if (!session->m_bWaiting) {
            session->m_bWaiting = true;
            t_waitingSession = session;
        }
        session->m_waitStartMs = now;
    }
    const long long elapsed = now - session->m_waitStartMs;
    if (elapsed >= session->m_nBusyTimeoutMs)
        return 0;
    if (session->m_pLockWait && !session->m_pLockWait->lockWaitContinues(static_cast<int>(elapsed)))
        return 0;
    // Short sleeps keep a waiting window lively; the lock is tried again after each.
    const long long remaining = session->m_nBusyTimeoutMs - elapsed;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(remaining, 10)));
    return 1;
}

void CppSQLiteSession::endLockWait()
{
    CppSQLiteSession* session = t_waitingSession;
    if (!session)
        return;
    t_waitingSession = nullptr;
    session->m_bWaiting = false;
    if (session->m_pLockWait)
        session->m_pLockWait->lockWaitEnded();
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

    const WaitEnd waitEnd;  // compiling may wait too (reading the schema)
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
    const int extended = sqlite3_extended_errcode(m_pDb);
    int code = sqlite3_finalize(vm);
    if (code == SQLITE_OK)
        code = result;
    throw CppSQLiteException(code, message, true).withExtendedCode(extended);
}

void CppSQLiteSession::close()
{
    if (t_waitingSession == this)
        endLockWait();
    if (m_pDb) {
        // A cursor may still hold a statement; the connection then goes when it is finalised.
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
    }
}
