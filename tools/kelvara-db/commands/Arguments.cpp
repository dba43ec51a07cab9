#include "Command.h"

#include <cerrno>
#include <cstdlib>

namespace kelvara::dbtool {

Arguments::Arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
                     const std::set<std::string>& valued, std::size_t minPositional,
                     std::size_t maxPositional)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            // A lone "-" is a positional too: it names standard input/output where allowed.
            m_positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg.compare(0, 2, "--") != 0) {
            throw UsageError("unknown option '" + arg + "'");
        }
        std::string name = arg;
        std::string value;
        bool hasInlineValue = false;
        const std::size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasInlineValue = true;
        }
        if (flags.count(name) != 0) {
            if (hasInlineValue) {
                throw UsageError("option '" + name + "' takes no value");
            }
            m_flags.insert(name);
        } else if (valued.count(name) != 0) {
            if (!hasInlineValue) {
                if (i + 1 >= args.size()) {
                    throw UsageError("option '" + name + "' needs a value");
                }
                value = args[++i];
            }
            if (m_values.count(name) != 0) {
                throw UsageError("option '" + name + "' given twice");
            }
            m_values[name] = value;
        } else {
            throw UsageError("unknown option '" + name + "'");
        }
    }
    if (m_positional.size() < minPositional) {
        throw UsageError("missing argument");
    }
    if (m_positional.size() > maxPositional) {
        throw UsageError("unexpected argument '" + m_positional[maxPositional] + "'");
    }
}

std::string Arguments::positionalOr(std::size_t index, const std::string& fallback) const
{
    return index < m_positional.size() ? m_positional[index] : fallback;
}

std::string Arguments::valueOr(const std::string& name, const std::string& fallback) const
{
    const auto found = m_values.find(name);
    return found == m_values.end() ? fallback : found->second;
}

long long Arguments::count(const std::string& name, long long fallback, long long min,
                           long long max) const
{
    const auto found = m_values.find(name);
    if (found == m_values.end()) {
        return fallback;
    }
    const std::string& text = found->second;
    bool digitsOnly = !text.empty();
    for (char c : text) {
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
    }
    errno = 0;
    const long long value = digitsOnly ? std::strtoll(text.c_str(), nullptr, 10) : 0;
    if (!digitsOnly || errno == ERANGE || value < min || value > max) {
        throw UsageError("option '" + name + "' needs a whole number from " +
                         std::to_string(min) + " to " + std::to_string(max) + ", not '" +
                         text + "'");
    }
    return value;
}

}  // namespace kelvara::dbtool
