#pragma once

// The one error type of the database layer. Thrown by value; its text is
// "%s[%d]: %s" — the code's name, the code, SQLite's (or the layer's) message.
class CppSQLiteException {
public:
    // The layer's own code for errors it finds itself.
    static constexpr int kLayerError = 1000;

    // message may be null. When freeMessage is true and message is not null, message was
    // allocated by sqlite3_mprintf (or is an SQLite error text) and is released with sqlite3_free.
    CppSQLiteException(int code, char* message, bool freeMessage);
    // The layer's fixed texts.
    CppSQLiteException(int code, const char* fixedMessage);
    CppSQLiteException(const CppSQLiteException& other);
    CppSQLiteException& operator=(const CppSQLiteException& other);
    virtual ~CppSQLiteException();

    int errorCode() const { return m_nCode; }
    // The engine's finer code for the same failure (SQLite's extended result code, such as
    // SQLITE_READONLY_DBMOVED), or errorCode() when it has none. Not part of the text.
    int extendedCode() const { return m_nExtendedCode; }
    CppSQLiteException& withExtendedCode(int extended)
    {
        if ((extended & 0xff) == m_nCode)
            m_nExtendedCode = extended;
        return *this;
    }
    // Another connection held a lock for longer than the busy time-out (SQLITE_BUSY; a
    // server's lock time-out, deadlock or lost serialisation report it too).
    bool isBusy() const { return m_nCode == kBusy; }
    static constexpr int kBusy = 5;

    // The disk filled up under a write (SQLITE_FULL; a server's disk_full reports it too).
    bool isDiskFull() const { return m_nCode == kFull; }
    static constexpr int kFull = 13;

    // A row refers to a parent that is not there, or a parent removed from under its rows:
    // SQLite's SQLITE_CONSTRAINT_FOREIGNKEY, which a server's SQLSTATE 23503 reports too.
    bool isForeignKeyViolation() const { return m_nExtendedCode == kForeignKeyViolation; }
    static constexpr int kForeignKeyViolation = 787;

    // The formatted text; never null (an allocation failure reads as "").
    const char* errorMessage() const { return m_pszMessage ? m_pszMessage : ""; }

    // The engine's (or the layer's) own text, without the code's name and number in front:
    // what a tool's message shows after its own words.
    const char* engineMessage() const;

    static const char* errorCodeName(int code);

private:
    int m_nCode;
    int m_nExtendedCode;
    char* m_pszMessage;  // sqlite3_mprintf'd, owned
};
