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

// Whether name is a connection string or URI rather than a file name. A postgres:// or
// postgresql:// URI is one, and so is any name holding "=" unless it is written as a path
// ("./old=new.db", "/srv/old=new.db", "../old=new.db"): a mistyped keyword must never turn
// into a new empty file of that name.
bool isConnectionString(const char* name);
inline bool isConnectionString(const std::string& name) { return isConnectionString(name.c_str()); }

// For a connection string libpq cannot read, why not, in words for the operator; empty when
// it can be read.
std::string connectionStringError(const char* name);

}  // namespace kelvara::db
