#pragma once

// What every kelvara-db command shares: the console and the command-line parser (exit
// statuses and error kinds in ToolError.h).

#include "ToolError.h"

#include <cstddef>
#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kelvara::dbtool {

struct Console {
    std::ostream& out;
    std::ostream& err;
};

// Options and positional arguments of one command. Options are "--name" (flags) or
// "--name VALUE" / "--name=VALUE"; "--" ends the options. Anything wrong is a UsageError.
class Arguments {
public:
    Arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
              const std::set<std::string>& valued, std::size_t minPositional,
              std::size_t maxPositional);

    bool flag(const std::string& name) const { return m_flags.count(name) != 0; }
    bool has(const std::string& name) const { return m_values.count(name) != 0; }
    std::size_t positionalCount() const { return m_positional.size(); }
    const std::string& positional(std::size_t index) const { return m_positional.at(index); }
    std::string positionalOr(std::size_t index, const std::string& fallback) const;
    std::string valueOr(const std::string& name, const std::string& fallback) const;
    // A decimal count in [min, max]; fallback when the option is absent.
    long long count(const std::string& name, long long fallback, long long min,
                    long long max) const;

private:
    std::set<std::string> m_flags;
    std::map<std::string, std::string> m_values;
    std::vector<std::string> m_positional;
};

// One entry of the command table. help is the whole --help text.
struct Command {
    const char* name;
    const char* summary;
    const char* help;
    int (*run)(const std::vector<std::string>& args, Console& console);
};

// The catalogue file the tool works on when none is named.
inline const char* const kDefaultCatalogue = "database.db";

}  // namespace kelvara::dbtool
