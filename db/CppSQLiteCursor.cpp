#include "CppSQLiteCursor.h"

#include "CppSQLiteException.h"
#include "CppSQLiteSession.h"

#include <sqlite3.h>

namespace {

constexpr const char* kNullStatement = "Null Virtual Machine pointer";
constexpr const char* kBadField = "Invalid field index requested";

}  // namespace

CppSQLiteCursor::CppSQLiteCursor()
    : m_pVm(nullptr), m_bAtEnd(true), m_nColumns(0), m_bOwnsVm(false), m_bNoStatement(false)
{
}

CppSQLiteCursor::CppSQLiteCursor(sqlite3_stmt* vm, bool atEnd, int columns, bool ownsVm)
    : m_pVm(vm), m_bAtEnd(atEnd), m_nColumns(columns), m_bOwnsVm(ownsVm), m_bNoStatement(false)
{
}

CppSQLiteCursor CppSQLiteCursor::withoutStatement()
{
    CppSQLiteCursor cursor;
    cursor.m_bNoStatement = true;
    return cursor;
}

CppSQLiteCursor::CppSQLiteCursor(CppSQLiteCursor&& other) noexcept
    : m_pVm(other.m_pVm),
      m_bAtEnd(other.m_bAtEnd),
      m_nColumns(other.m_nColumns),
      m_bOwnsVm(other.m_bOwnsVm),
      m_bNoStatement(other.m_bNoStatement)
{
    other.m_pVm = nullptr;
    other.m_bNoStatement = false;
}

CppSQLiteCursor& CppSQLiteCursor::operator=(CppSQLiteCursor&& other) noexcept
{
    if (this == &other)
        return *this;
    try {
        finalize();
    } catch (const CppSQLiteException&) {
        // The old statement's late error concerns nobody any more.
    }
    // finalize() leaves a statement this cursor did not own in place; it is dropped here.
    m_pVm = other.m_pVm;
    other.m_pVm = nullptr;
    m_bAtEnd = other.m_bAtEnd;
    m_nColumns = other.m_nColumns;
    m_bOwnsVm = other.m_bOwnsVm;
    m_bNoStatement = other.m_bNoStatement;
    other.m_bNoStatement = false;
    return *this;
}

CppSQLiteCursor::~CppSQLiteCursor()
{
    try {
        finalize();
    } catch (const CppSQLiteException&) {
        // Nothing can be done about a finalisation error while the cursor goes away.
    }
}

void CppSQLiteCursor::requireStatement() const
{
    if (!m_pVm && !m_bNoStatement)
        throw CppSQLiteException(CppSQLiteException::kLayerError, kNullStatement);
}

bool CppSQLiteCursor::atEnd() const
{
    requireStatement();
    return m_bAtEnd;
}

const char* CppSQLiteCursor::field(int index) const
{
    requireStatement();
    // At the end there is no row to read from: the statement's column values are gone.
    if (m_bAtEnd || !m_pVm || index < 0 || index > m_nColumns - 1)
        throw CppSQLiteException(CppSQLiteException::kLayerError, kBadField);
    return reinterpret_cast<const char*>(sqlite3_column_text(m_pVm, index));
}

void CppSQLiteCursor::advance()
{
    requireStatement();
    if (m_bAtEnd || !m_pVm)
        return;

    const int result = sqlite3_step(m_pVm);
    CppSQLiteSession::endLockWait();
    if (result == SQLITE_DONE) {
        m_bAtEnd = true;
        return;
    }
    if (result == SQLITE_ROW) {
        m_nColumns = sqlite3_column_count(m_pVm);
        return;
    }

    // Copy the text before finalisation can replace it.
    sqlite3* db = sqlite3_db_handle(m_pVm);
    char* message = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    const int extended = sqlite3_extended_errcode(db);
    int code = sqlite3_finalize(m_pVm);
    m_pVm = nullptr;
    if (code == SQLITE_OK)
        code = result;
    throw CppSQLiteException(code, message, true).withExtendedCode(extended);
}

void CppSQLiteCursor::finalize()
{
    m_bNoStatement = false;
    if (!m_pVm || !m_bOwnsVm)
        return;

    sqlite3* db = sqlite3_db_handle(m_pVm);
    const int code = sqlite3_finalize(m_pVm);
    m_pVm = nullptr;
    if (code != SQLITE_OK)
        throw CppSQLiteException(code, sqlite3_mprintf("%s", sqlite3_errmsg(db)), true);
}
