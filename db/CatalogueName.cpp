#include "CatalogueName.h"

#include <libpq-fe.h>

#include <cstring>
#include <string>

namespace kelvara::db {

namespace {

bool startsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// libpq quotes the piece it could not read, which may be a password or part of one.
bool mayHoldAPassword(const std::string& name)
{
    std::string lower;
    for (char c : name)
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return lower.find("password") != std::string::npos || lower.find('@') != std::string::npos;
}

std::string withoutQuotedPieces(const std::string& text)
{
    const std::size_t first = text.find('"');
    if (first == std::string::npos)
        return text;
    const std::size_t last = text.rfind('"');
    return text.substr(0, first) + "\"…\"" + (last > first ? text.substr(last + 1) : std::string());
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
    if (mayHoldAPassword(name))
        reason = withoutQuotedPieces(reason);
    return "not a valid connection string: " + reason +
           " (a file whose name holds an equals sign is given as ./NAME)";
}

}  // namespace kelvara::db
