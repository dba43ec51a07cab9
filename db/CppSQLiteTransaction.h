#pragma once

#include <string>

class CppSQLiteSession;

// A transaction on the session's catalogue: begun on construction (on a server together with
// its first statement), rolled back when it goes away uncommitted (a failure part-way leaves
// nothing behind).
class CppSQLiteTransaction {
public:
    enum class Kind {
        // Takes the catalogue's write lock before the first read (on a file BEGIN IMMEDIATE),
        // so that what a check reads still holds when the write it guards is made.
        write,
        // One consistent view of the whole catalogue while other programs write.
        snapshot,
    };

    CppSQLiteTransaction(CppSQLiteSession& session, Kind kind);
    CppSQLiteTransaction(const CppSQLiteTransaction&) = delete;
    CppSQLiteTransaction& operator=(const CppSQLiteTransaction&) = delete;
    ~CppSQLiteTransaction();

    void commit();
    // Runs sql, the transaction's last statement, and commits; on a server the COMMIT goes
    // with it in one trip. When sql fails nothing is committed: its exception leaves, and the
    // transaction is rolled back as any other.
    void executeAndCommit(const std::string& sql);
    void rollback();
    bool isOpen() const { return m_bOpen; }

private:
    CppSQLiteSession& m_session;
    bool m_bOpen;
};
