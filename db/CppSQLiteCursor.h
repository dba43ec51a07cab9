#pragma once

#include <memory>
#include <string_view>

namespace kelvara::db {
class Statement;
}

// The result of one statement: the running statement and its current row.
// A cursor is never duplicated; moving it (construction or assignment) transfers the statement.
class CppSQLiteCursor {
public:
    CppSQLiteCursor();
    explicit CppSQLiteCursor(std::unique_ptr<kelvara::db::Statement> statement);
    CppSQLiteCursor(CppSQLiteCursor&& other) noexcept;
    // Finalises the statement this cursor held (errors discarded), then takes other's.
    CppSQLiteCursor& operator=(CppSQLiteCursor&& other) noexcept;
    CppSQLiteCursor(const CppSQLiteCursor&) = delete;
    CppSQLiteCursor& operator=(const CppSQLiteCursor&) = delete;
    virtual ~CppSQLiteCursor();

    bool atEnd() const;
    // Text of column index of the current row, null for SQL NULL. Valid until the next
    // advance or finalisation. Throws 1000 "Invalid field index requested" for a bad index
    // and for a cursor that stands on no row.
    const char* field(int index) const;
    // The same with its length, for texts that may hold NUL bytes; empty for SQL NULL
    // (tell the two apart with field()).
    std::string_view fieldView(int index) const;
    int columnCount() const { return m_nColumns; }
    // Moves to the next row. At the end it does nothing: stepping a finished statement
    // again would run it anew (and repeat an insert).
    void advance();
    // Ends the statement; one released before its last row stops the work still pending
    // for it (a server stops producing rows nobody reads).
    void finalize();

private:
    friend class CppSQLiteSession;
    // The result of a text that holds no statement at all (blank or only a comment):
    // at its end from the start, with nothing to step or finalise.
    static CppSQLiteCursor withoutStatement();

    void requireStatement() const;

    std::unique_ptr<kelvara::db::Statement> m_statement;
    bool m_bAtEnd;
    int m_nColumns;
    bool m_bNoStatement;  // see withoutStatement()
};
