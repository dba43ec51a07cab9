#pragma once

// A catalogue name as it may be shown in a message, a log or a window: the password of a
// connection string (its password keyword, or the one in a URI's user part) masked, the
// rest as the operator wrote it.

#include <string>

namespace kelvara::db {

std::string withoutPassword(const std::string& name);
// Whether name carries a password (possibly an empty one).
inline bool holdsPassword(const std::string& name) { return withoutPassword(name) != name; }
// Every local user can read a process's command line: a password in argument (a catalogue
// name given there) is masked in place, as far as the argument's length allows.
void hidePasswordInPlace(char* argument);

}  // namespace kelvara::db
