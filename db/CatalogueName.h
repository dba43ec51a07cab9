#pragma once

// How a catalogue is named and opened: a file, or a database on a PostgreSQL server named by a libpq
// connection string ("host=… dbname=…") or a postgresql:// URI. Every program decides it here.

#include <string>

namespace kelvara::db {

enum class Access {
    createIfMissing,  // the program: a missing file is created empty
    readWrite,        // an existing catalogue only
    readOnly,         // an existing catalogue, never written
};

// Whether name is a connection string or URI rather than a file name.
bool isConnectionString(const char* name);
inline bool isConnectionString(const std::string& name) { return isConnectionString(name.c_str()); }

}  // namespace kelvara::db
