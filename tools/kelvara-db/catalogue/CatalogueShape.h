#pragma once

// Whether a catalogue is laid out as the program and the tool expect before either trusts it:
// its tables are tables with every column, ids are keys, texts compare byte for byte, and
// nothing of another program's (a trigger, a rule, a view) runs when it is read or written.

#include "CppSQLiteSession.h"

#include <map>
#include <string>
#include <vector>

namespace kelvara::dbtool {

struct ShapeReport {
    // One line per fault; a command refuses the catalogue when there is any.
    std::vector<std::string> faults;
    // Protection the catalogue lacks without being unsound today (a server catalogue made
    // before its foreign keys existed): said, never refused.
    std::vector<std::string> notes;
    // The catalogue tables present as tables with every column, by name.
    std::map<std::string, bool> complete;
};

// Reads only the schema (and, where ids are no keys, the ids themselves).
ShapeReport catalogueShape(CppSQLiteSession& session);

// Throws ToolError naming what is wrong with the catalogue called name, if anything is.
void requireCatalogueShape(CppSQLiteSession& session, const std::string& name);

}  // namespace kelvara::dbtool
