// Any bytes as a server's error: a primary message, the statement it quoted, a detail, a hint
// and a context, assembled as libpq assembles its whole message. What the operator is shown
// never quotes the statement (no "LINE n:" line, no caret line under it, no "QUERY:",
// "CONTEXT:" or "STATEMENT:" line, not the statement's text), keeps the primary message's own
// lines, and has no trailing line end.

#include "FuzzCheck.h"
#include "PostgresErrors.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

bool quotesAStatement(const std::string& line)
{
    for (const char* quoting : {"QUERY:", "CONTEXT:", "STATEMENT:"}) {
        if (line.rfind(quoting, 0) == 0)
            return true;
    }
    std::size_t i = 5;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    return line.rfind("LINE ", 0) == 0 && i > 5 && i < line.size() && line[i] == ':';
}

void checkShown(const std::string& shown, const std::string& statement)
{
    CHECK(shown.empty() || (shown.back() != '\n' && shown.back() != ' ' && shown.back() != '\t'));
    for (const std::string& line : linesOf(shown))
        CHECK(!quotesAStatement(line));
    CHECK(statement.empty() || shown.find(statement) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::string primary = input.ConsumeRandomLengthString(200);
    const std::string statement = input.ConsumeRandomLengthString(200);
    const std::string detail = input.ConsumeRandomLengthString(100);
    const unsigned line = input.ConsumeIntegralInRange<unsigned>(1, 99999);
    const std::size_t caretAt = input.ConsumeIntegralInRange<std::size_t>(0, 60);
    const bool withPrimary = input.ConsumeBool();
    // Texts without a NUL, as C strings carry them.
    primary.resize(std::min(primary.size(), primary.find('\0')));
    // One physical line of the statement is what the server quotes; it starts as ours do, so
    // that it can be told apart from the words around it.
    const std::string quoted =
        "insert into kompresory " + statement.substr(0, statement.find_first_of(std::string("\n\0", 2)));
    const bool distinct = primary.find(quoted) == std::string::npos && detail.find(quoted) == std::string::npos;

    const std::string whole = "ERROR:  " + primary + "\nLINE " + std::to_string(line) + ": " + quoted + "\n" +
                              std::string(caretAt, ' ') + "^\nDETAIL:  " + detail.substr(0, detail.find('\0')) +
                              "\nQUERY:  " + quoted + "\nHINT:\t" + primary + "\nCONTEXT:  " + quoted + "\n";
    const std::string shown = kelvara::db::shownServerError(withPrimary ? primary.c_str() : nullptr, whole.c_str());
    checkShown(shown, distinct ? quoted : std::string());

    // Lines of the primary message that do not themselves look like a quote are all kept.
    for (std::string own : linesOf(primary)) {
        if (own.rfind('\t', 0) == 0)
            own.erase(0, 1);  // libpq's indent of a hint
        if (!quotesAStatement(own) && own.find_first_not_of(" \t^") != std::string::npos)
            CHECK(shown.find(own) != std::string::npos || own.find_last_not_of(" \t") != own.size() - 1);
    }
    // A message from libpq alone, with no statement in it, is shown as it is but for the ends.
    checkShown(kelvara::db::shownServerError(nullptr, primary.c_str()), std::string());
    return 0;
}
