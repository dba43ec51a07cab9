#include "CppSQLiteCursor.h"

#include "CppSQLiteException.h"
#include "CppSQLiteSession.h"
#include "Engine.h"

namespace {

constexpr const char* kNullStatement = "Null Virtual Machine pointer";
constexpr const char* kBadField = "Invalid field index requested";

}  // namespace

CppSQLiteCursor::CppSQLiteCursor() : m_bAtEnd(true), m_nColumns(0), m_bNoStatement(false) {}

CppSQLiteCursor::CppSQLiteCursor(std::unique_ptr<kelvara::db::Statement> statement)
    : m_statement(std::move(statement)),
      m_bAtEnd(!m_statement || !m_statement->onRow()),
      m_nColumns(m_statement ? m_statement->columnCount() : 0),
      m_bNoStatement(false)
{
}

CppSQLiteCursor CppSQLiteCursor::withoutStatement()
{
    CppSQLiteCursor cursor;
    cursor.m_bNoStatement = true;
    return cursor;
}

CppSQLiteCursor::CppSQLiteCursor(CppSQLiteCursor&& other) noexcept
    : m_statement(std::move(other.m_statement)),
      m_bAtEnd(other.m_bAtEnd),
      m_nColumns(other.m_nColumns),
      m_bNoStatement(other.m_bNoStatement)
{
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
    m_statement = std::move(other.m_statement);
    m_bAtEnd = other.m_bAtEnd;
    m_nColumns = other.m_nColumns;
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
    if (!m_statement && !m_bNoStatement)
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
    if (m_bAtEnd || !m_statement || index < 0 || index > m_nColumns - 1)
        throw CppSQLiteException(CppSQLiteException::kLayerError, kBadField);
    return m_statement->text(index);
}

std::string_view CppSQLiteCursor::fieldView(int index) const
{
    const char* text = field(index);
    return text ? std::string_view(text, m_statement->length(index)) : std::string_view();
}

void CppSQLiteCursor::advance()
{
    requireStatement();
    if (m_bAtEnd || !m_statement)
        return;

    try {
        m_statement->step();
    } catch (const CppSQLiteException&) {
        CppSQLiteSession::endLockWait();
        // The failed statement is finalised already.
        m_statement.reset();
        throw;
    }
    CppSQLiteSession::endLockWait();
    if (!m_statement->onRow()) {
        m_bAtEnd = true;
        return;
    }
    m_nColumns = m_statement->columnCount();
}

void CppSQLiteCursor::finalize()
{
    m_bNoStatement = false;
    if (!m_statement)
        return;
    std::unique_ptr<kelvara::db::Statement> statement = std::move(m_statement);
    statement->finalize();
}
