#include "Tool.h"

#include "CatalogueSecrets.h"
#include "CppSQLiteException.h"

#include <exception>
#include <new>
#include <ostream>

#ifndef KELVARA_VERSION
#define KELVARA_VERSION "unknown"
#endif

namespace kelvara::dbtool {

#define KELVARA_DB_COMMAND(name) extern const Command name##Command;
#include "CommandList.h"
#undef KELVARA_DB_COMMAND

namespace {

const char* const kProgram = "kelvara-db";

void printOverview(std::ostream& os)
{
    os << "Usage: " << kProgram << " COMMAND [OPTIONS] [ARGUMENTS]\n"
          "Creates, fills, checks, copies and migrates Kelvara catalogue databases.\n"
          "\n"
          "Commands:\n";
    for (const Command* command : commands()) {
        std::string name = command->name;
        name.resize(10, ' ');
        os << "  " << name << command->summary << '\n';
    }
    os << "\n"
          "Run '" << kProgram << " COMMAND --help' for a command's options.\n"
          "Exit status: 0 success, 1 error (or problems found by check), 2 wrong usage.\n"
          "\n"
          "A catalogue another program holds is waited for up to 60 seconds, then the\n"
          "command fails saying so. A write that another program left unfinished (killed,\n"
          "or stopped by a full disk) is rolled back on opening where the file may be\n"
          "written, as Kelvara does. Ctrl-C, SIGTERM or SIGHUP remove what the command\n"
          "was making: no half-written file or temporary copy is left behind.\n";
}

const Command* findCommand(const std::string& name)
{
    for (const Command* command : commands()) {
        if (name == command->name) {
            return command;
        }
    }
    return nullptr;
}

// --help anywhere among the options (not after "--") asks for the command's help.
bool asksForHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

}  // namespace

const std::vector<const Command*>& commands()
{
    static const std::vector<const Command*> table = {
#define KELVARA_DB_COMMAND(name) &name##Command,
#include "CommandList.h"
#undef KELVARA_DB_COMMAND
    };
    return table;
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        printOverview(err);
        return kExitUsage;
    }
    const std::string& first = args.front();
    if (first == "--help" || first == "-h" || first == "help") {
        printOverview(out);
        return kExitOk;
    }
    if (first == "--version") {
        out << kProgram << ' ' << KELVARA_VERSION << '\n';
        return kExitOk;
    }

    const Command* command = findCommand(first);
    if (command == nullptr) {
        err << kProgram << ": unknown command '" << first << "'\n"
            << "Run '" << kProgram << " --help' for the list of commands.\n";
        return kExitUsage;
    }

    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (asksForHelp(rest)) {
        out << command->help;
        return kExitOk;
    }

    Console console{out, err};
    try {
        return command->run(rest, console);
    } catch (const UsageError& e) {
        err << kProgram << ' ' << command->name << ": " << db::withoutPassword(e.what()) << '\n'
            << "Run '" << kProgram << ' ' << command->name << " --help' for usage.\n";
        return kExitUsage;
    } catch (const ToolError& e) {
        // A connection string named in a message keeps its password to itself.
        err << kProgram << ' ' << command->name << ": " << db::withoutPassword(e.what()) << '\n';
    } catch (const CppSQLiteException& e) {
        err << kProgram << ' ' << command->name << ": " << db::withoutPassword(e.engineMessage());
        // Every command writes all or nothing; say so where a full disk stopped it half-way.
        if (e.isDiskFull())
            err << "; nothing this command wrote is kept (what it began is rolled back, at the latest when the "
                   "catalogue is next opened); free some space and run it again";
        err << '\n';
    } catch (const std::bad_alloc&) {
        err << kProgram << ' ' << command->name << ": out of memory\n";
    } catch (const std::exception& e) {
        err << kProgram << ' ' << command->name << ": " << db::withoutPassword(e.what()) << '\n';
    }
    return kExitError;
}

}  // namespace kelvara::dbtool
