#pragma once

// One statement on the server engine's connection, its rows streamed one at a time
// (single-row mode), so a statement released early costs only the rows it read.

#include "CppSQLiteException.h"
#include "PostgresConnection.h"
#include "PostgresErrors.h"

#include <cstring>
#include <deque>

namespace kelvara::db::pg {

class PostgresStatement : public Statement {
public:
    explicit PostgresStatement(std::shared_ptr<PostgresConnection> connection)
        : m_connection(std::move(connection))
    {
    }
    ~PostgresStatement() override
    {
        try {
            finalize();
        } catch (const CppSQLiteException&) {
            // Nothing can be done about a late error while the statement goes away.
        }
    }

    bool onRow() const override { return m_row != nullptr; }
    int columnCount() const override { return m_columns; }
    bool isEmptyQuery() const { return m_emptyQuery; }

    const char* text(int index) const override
    {
        if (!m_row || PQgetisnull(m_row, 0, index))
            return nullptr;
        return PQgetvalue(m_row, 0, index);
    }
    std::size_t length(int index) const override
    {
        return m_row ? static_cast<std::size_t>(PQgetlength(m_row, 0, index)) : 0;
    }

    void step() override
    {
        clearRow();
        PGresult* result = next();
        if (!result) {
            finish();
            return;
        }
        switch (PQresultStatus(result)) {
        case PGRES_SINGLE_TUPLE:
            m_row = result;
            m_columns = PQnfields(result);
            return;
        case PGRES_EMPTY_QUERY:
            m_emptyQuery = true;
            [[fallthrough]];
        case PGRES_TUPLES_OK:
        case PGRES_COMMAND_OK:
            m_columns = PQnfields(result);
            PQclear(result);
            finish();
            return;
        default:
            break;
        }
        const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
        int code = sqliteCodeForSqlState(state);
        if (m_gaveUp && state && std::strcmp(state, "57014") == 0)
            code = kBusy;
        const std::string message = shownServerError(primary, PQresultErrorMessage(result));
        const int extended = sqliteExtendedCodeForSqlState(state, code);
        PQclear(result);
        finish();
        throw CppSQLiteException(code, message.c_str()).withExtendedCode(extended);
    }

    void finalize() override
    {
        clearRow();
        for (PGresult* result : m_buffered)
            PQclear(result);
        m_buffered.clear();
        if (!m_live)
            return;
        // Released before its end: stop the server's work rather than read what nobody wants
        // (a cancel request costs a connection of its own, so a statement about to end is
        // let end, and so is one with answers behind it, which the cancel could reach).
        if (!m_connection->finishesWithin(kFinishMs) && !m_connection->answersWaitBehind())
            m_connection->cancel();
        try {
            finish();
        } catch (const CppSQLiteException&) {
            // The connection broke while the statement was being put aside; the next
            // statement connects again.
        }
    }

    // Another statement starts on the connection: the rows this one has not read yet are
    // taken off the connection and kept.
    void putAside()
    {
        while (m_live) {
            PGresult* result = receiveOwn();
            if (!result)
                break;
            m_buffered.push_back(result);
        }
        markDone();
    }

private:
    PGresult* next()
    {
        if (!m_buffered.empty()) {
            PGresult* result = m_buffered.front();
            m_buffered.pop_front();
            return result;
        }
        return m_live ? receiveOwn() : nullptr;
    }

    // Only a statement still running may be given up; one being put aside runs to its end.
    PGresult* receiveOwn(bool mayGiveUp = true)
    {
        try {
            PGresult* result = m_connection->receive(mayGiveUp, m_gaveUp);
            if (!result)
                markDone();
            return result;
        } catch (...) {
            markDone();
            throw;
        }
    }

    // Reads the statement's remaining results off the connection, discarding them.
    void finish()
    {
        while (m_live) {
            PGresult* result = receiveOwn(false);
            if (!result)
                break;
            PQclear(result);
        }
        markDone();
    }

    void markDone()
    {
        if (m_live) {
            m_live = false;
            m_connection->release(this);
        }
    }

    void clearRow()
    {
        if (m_row) {
            PQclear(m_row);
            m_row = nullptr;
        }
    }

    std::shared_ptr<PostgresConnection> m_connection;
    PGresult* m_row = nullptr;
    std::deque<PGresult*> m_buffered;
    int m_columns = 0;
    bool m_live = true;  // results still to come from the connection
    bool m_gaveUp = false;
    bool m_emptyQuery = false;
};

}  // namespace kelvara::db::pg
