#include "CatalogueName.h"

#include <libpq-fe.h>

#include <cstring>

namespace kelvara::db {

// A URI by its scheme; otherwise a text with "=" that libpq itself reads as keywords and
// values (a file may be called "old=new.db", which libpq refuses).
bool isConnectionString(const char* name)
{
    if (!name || !*name)
        return false;
    if (std::strncmp(name, "postgresql://", 13) == 0 || std::strncmp(name, "postgres://", 11) == 0)
        return true;
    if (!std::strchr(name, '='))
        return false;
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(name, &error);
    if (error)
        PQfreemem(error);
    if (!options)
        return false;
    PQconninfoFree(options);
    return true;
}

}  // namespace kelvara::db
