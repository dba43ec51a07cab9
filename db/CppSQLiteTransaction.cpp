#include "CppSQLiteTransaction.h"

#include "CppSQLiteException.h"
#include "CppSQLiteSession.h"

namespace {

const char* beginText(kelvara::sql::Dialect dialect, CppSQLiteTransaction::Kind kind)
{
    const bool server = dialect == kelvara::sql::Dialect::postgres;
    if (kind == CppSQLiteTransaction::Kind::write)
        return server ? "BEGIN" : "BEGIN IMMEDIATE";
    return server ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY" : "BEGIN";
}

}  // namespace

CppSQLiteTransaction::CppSQLiteTransaction(CppSQLiteSession& session, Kind kind) : m_session(session), m_bOpen(false)
{
    m_session.runWithNext(beginText(session.dialect(), kind));
    m_bOpen = true;
}

CppSQLiteTransaction::~CppSQLiteTransaction()
{
    try {
        rollback();
    } catch (const CppSQLiteException&) {
        // The engine ends a transaction whose rollback failed with the connection.
    }
}

void CppSQLiteTransaction::commit()
{
    if (!m_bOpen)
        return;
    // A failed commit leaves the transaction open, for the destructor to roll back.
    m_session.execute("COMMIT");
    m_bOpen = false;
}

void CppSQLiteTransaction::executeAndCommit(const std::string& sql)
{
    m_session.sendAfterNext("COMMIT");
    m_session.execute(sql);
    commit();
}

void CppSQLiteTransaction::rollback()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    m_session.execute("ROLLBACK");
}
