#include "CppSQLiteException.h"

#include <sqlite3.h>

#include <cstring>

namespace {

char* formatMessage(int code, const char* message)
{
    return sqlite3_mprintf("%s[%d]: %s", CppSQLiteException::errorCodeName(code),
                           code, message ? message : "");
}

}  // namespace

CppSQLiteException::CppSQLiteException(int code, char* message, bool freeMessage)
    : m_nCode(code), m_nExtendedCode(code), m_pszMessage(formatMessage(code, message))
{
    if (freeMessage && message)
        sqlite3_free(message);
}

CppSQLiteException::CppSQLiteException(int code, const char* fixedMessage)
    : m_nCode(code), m_nExtendedCode(code), m_pszMessage(formatMessage(code, fixedMessage))
{
}

CppSQLiteException::CppSQLiteException(const CppSQLiteException& other)
    : m_nCode(other.m_nCode),
      m_nExtendedCode(other.m_nExtendedCode),
      m_pszMessage(other.m_pszMessage ? sqlite3_mprintf("%s", other.m_pszMessage) : nullptr)
{
}

CppSQLiteException& CppSQLiteException::operator=(const CppSQLiteException& other)
{
    if (this != &other) {
        char* copy = other.m_pszMessage ? sqlite3_mprintf("%s", other.m_pszMessage) : nullptr;
        sqlite3_free(m_pszMessage);
        m_nCode = other.m_nCode;
        m_nExtendedCode = other.m_nExtendedCode;
        m_pszMessage = copy;
    }
    return *this;
}

CppSQLiteException::~CppSQLiteException()
{
    if (m_pszMessage) {
        sqlite3_free(m_pszMessage);
        m_pszMessage = nullptr;
    }
}

const char* CppSQLiteException::engineMessage() const
{
    const char* text = errorMessage();
    const char* after = std::strstr(text, "]: ");
    return after ? after + 3 : text;
}

const char* CppSQLiteException::errorCodeName(int code)
{
    // The primary result codes keep their historical names; anything SQLite 3 added later
    // (26 "file is not a database", extended codes) is deliberately left unnamed.
    static const char* const names[] = {
        "SQLITE_OK",        "SQLITE_ERROR",    "SQLITE_INTERNAL", "SQLITE_PERM",
        "SQLITE_ABORT",     "SQLITE_BUSY",     "SQLITE_LOCKED",   "SQLITE_NOMEM",
        "SQLITE_READONLY",  "SQLITE_INTERRUPT", "SQLITE_IOERR",   "SQLITE_CORRUPT",
        "SQLITE_NOTFOUND",  "SQLITE_FULL",     "SQLITE_CANTOPEN", "SQLITE_PROTOCOL",
        "SQLITE_EMPTY",     "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH",  "SQLITE_MISUSE",   "SQLITE_NOLFS",    "SQLITE_AUTH",
        "SQLITE_FORMAT",    "SQLITE_RANGE",
    };
    constexpr int namedCount = static_cast<int>(sizeof names / sizeof names[0]);
    if (code >= 0 && code < namedCount)
        return names[code];
    switch (code) {
    case 100: return "SQLITE_ROW";
    case 101: return "SQLITE_DONE";
    case kLayerError: return "CPPSQLITE_ERROR";
    default: return "UNKNOWN_ERROR";
    }
}
