#include "CatalogueName.h"

#include <libpq-fe.h>

#include <cstring>

namespace kelvara::db {

namespace {

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

bool isConnectionString(const char* name)
{
    if (!name || !*name)
        return false;
    if (startsWith(name, "postgresql://") || startsWith(name, "postgres://"))
        return true;
    if (startsWith(name, "/") || startsWith(name, "./") || startsWith(name, "../"))
        return false;
    return std::strchr(name, '=') != nullptr;
}

std::string connectionStringError(const char* name)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(name ? name : "", &error);
    if (options) {
        PQconninfoFree(options);
        return {};
    }
    std::string reason = error ? error : "out of memory";
    if (error)
        PQfreemem(error);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' '))
        reason.pop_back();
    return "not a valid connection string: " + reason +
           " (a file whose name holds \"=\" is given as ./NAME)";
}

}  // namespace kelvara::db
