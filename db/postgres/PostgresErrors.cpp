#include "PostgresErrors.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kelvara::db {

namespace {

constexpr int kError = 1;      // SQLITE_ERROR
constexpr int kBusy = 5;       // SQLITE_BUSY
constexpr int kReadOnly = 8;   // SQLITE_READONLY
constexpr int kFull = 13;      // SQLITE_FULL
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
    {"53100", kFull},      // disk_full: the server's disk
    {"57P01", kCantOpen},  // admin_shutdown: the server went down under the statement
    {"57P02", kCantOpen},  // crash_shutdown
    {"57P03", kCantOpen},  // cannot_connect_now: starting up or shutting down
    {"08", kCantOpen},     // connection exceptions
    {"3D", kCantOpen},     // invalid_catalog_name: the database does not exist
    {"28", kCantOpen},     // invalid_authorization_specification
};

}  // namespace

namespace {

bool quotesTheStatement(std::string_view line)
{
    for (const char* quoting : {"QUERY:", "CONTEXT:", "STATEMENT:"}) {
        if (line.rfind(quoting, 0) == 0)
            return true;
    }
    if (line.rfind("LINE ", 0) != 0)
        return false;
    std::size_t i = 5;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    return i > 5 && i < line.size() && line[i] == ':';
}

}  // namespace

std::string shownServerError(const char* primary, const char* whole)
{
    const std::string_view text = primary ? primary : (whole ? whole : "");
    std::string shown;
    bool afterQuote = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        // libpq indents a hint with a tab; the operator's window does not need it.
        if (!line.empty() && line.front() == '\t')
            line.remove_prefix(1);
        // The caret line under a quoted statement holds only blanks and the caret.
        const bool caret = afterQuote && line.find_first_not_of(" \t^") == std::string_view::npos;
        afterQuote = quotesTheStatement(line);
        if (afterQuote || caret)
            continue;
        if (!shown.empty())
            shown += '\n';
        shown += line;
    }
    while (!shown.empty() && (shown.back() == '\n' || shown.back() == ' ' || shown.back() == '\t'))
        shown.pop_back();
    return shown;
}

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
