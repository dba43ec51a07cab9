#pragma once

#include "Command.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace kelvara::dbtool {

// The command table, in overview order.
const std::vector<const Command*>& commands();

// Runs one command line (without the program name) and returns the exit status.
// Nothing escapes: every failure is a message on err and status 1 or 2.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kelvara::dbtool
