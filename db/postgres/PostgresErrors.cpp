#include "PostgresErrors.h"

#include <cstring>

namespace kelvara::db {

namespace {

constexpr int kError = 1;      // SQLITE_ERROR
constexpr int kBusy = 5;       // SQLITE_BUSY
constexpr int kReadOnly = 8;   // SQLITE_READONLY
constexpr int kCantOpen = 14;  // SQLITE_CANTOPEN
constexpr int kConstraint = 19;  // SQLITE_CONSTRAINT
constexpr int kForeignKey = kConstraint | (3 << 8);  // SQLITE_CONSTRAINT_FOREIGNKEY

struct StateCode {
    const char* state;  // a full SQLSTATE, or a two-character class
    int code;
};

constexpr StateCode kStates[] = {
    {"23503", kConstraint},  // foreign_key_violation: a parent removed by another counter
    {"55P03", kBusy},      // lock_not_available: lock_timeout ran out
    {"40P01", kBusy},      // deadlock_detected
    {"40001", kBusy},      // serialization_failure: another counter's write won
    {"42501", kReadOnly},  // insufficient_privilege: a user allowed only to read
    {"25006", kReadOnly},  // read_only_sql_transaction: a standby, or a read-only default
    {"57P01", kCantOpen},  // admin_shutdown: the server went down under the statement
    {"57P02", kCantOpen},  // crash_shutdown
    {"57P03", kCantOpen},  // cannot_connect_now: starting up or shutting down
    {"08", kCantOpen},     // connection exceptions
    {"3D", kCantOpen},     // invalid_catalog_name: the database does not exist
    {"28", kCantOpen},     // invalid_authorization_specification
};

}  // namespace

int sqliteCodeForSqlState(const char* sqlstate)
{
    if (!sqlstate || !*sqlstate)
        return kCantOpen;
    for (const StateCode& entry : kStates) {
        if (std::strncmp(sqlstate, entry.state, std::strlen(entry.state)) == 0)
            return entry.code;
    }
    return kError;
}

int sqliteExtendedCodeForSqlState(const char* sqlstate, int code)
{
    return sqlstate && std::strcmp(sqlstate, "23503") == 0 ? kForeignKey : code;
}

}  // namespace kelvara::db
