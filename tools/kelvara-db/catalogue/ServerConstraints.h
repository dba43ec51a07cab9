#pragma once

// What keeps a server catalogue whole while several counters write: the foreign keys between
// its tables, and the database's encoding.

#include <string>

class CppSQLiteSession;

namespace kelvara::dbtool {

// Inside the caller's transaction on a server catalogue: refuses, naming every model and
// compressor whose parent is gone, while there are any; otherwise adds the foreign keys of
// the server schema that are missing. Returns false when all were there already.
bool constrainServerCatalogue(CppSQLiteSession& session, const std::string& name);

// Refuses a server database that is not encoded in UTF-8, saying how to create one.
void requireUtf8Database(CppSQLiteSession& session, const std::string& name);

}  // namespace kelvara::dbtool
