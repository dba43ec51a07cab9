#pragma once

// A catalogue name as it may be shown in a message, a log or a window: the password of a
// connection string (its password keyword, or the one in a URI's user part) masked, the
// rest as the operator wrote it.

#include <string>

namespace kelvara::db {

std::string withoutPassword(const std::string& name);
// Whether name carries a password (possibly an empty one).
inline bool holdsPassword(const std::string& name) { return withoutPassword(name) != name; }

}  // namespace kelvara::db
