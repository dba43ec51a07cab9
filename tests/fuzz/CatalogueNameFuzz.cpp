// Any bytes as a catalogue name: it is a file or a connection string, never both, by the rule
// the README gives; a connection string libpq cannot read is refused in words that say so;
// one it can read, written out again from its parts, reads back to the same parts.

#include "CatalogueName.h"
#include "FuzzCheck.h"

#include <libpq-fe.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace {

using Options = std::map<std::string, std::string>;

bool startsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The keywords and values libpq reads from text; false when it cannot read it.
bool parse(const std::string& text, Options& options)
{
    char* error = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(text.c_str(), &error);
    if (error)
        PQfreemem(error);
    if (!parsed)
        return false;
    for (const PQconninfoOption* o = parsed; o->keyword; ++o) {
        if (o->val)
            options[o->keyword] = o->val;
    }
    PQconninfoFree(parsed);
    return true;
}

// The parts as a keyword/value text, every value quoted.
std::string compose(const Options& options)
{
    std::string text;
    for (const auto& [keyword, value] : options) {
        text += (text.empty() ? "" : " ") + keyword + "='";
        for (char c : value) {
            if (c == '\'' || c == '\\')
                text += '\\';
            text += c;
        }
        text += '\'';
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A name arrives as a C string: on a command line or in the launcher's file.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string name = bytes.substr(0, bytes.find('\0'));

    const bool uri = startsWith(name, "postgresql://") || startsWith(name, "postgres://");
    const bool path = startsWith(name, "/") || startsWith(name, "./") || startsWith(name, "../");
    const bool server = kelvara::db::isConnectionString(name);
    CHECK(server == (uri || (!path && name.find('=') != std::string::npos)));
    CHECK(server == kelvara::db::isConnectionString(name.c_str()));
    // The README's way to name any file, "=" or not.
    CHECK(!kelvara::db::isConnectionString("./" + name));

    if (!server)
        return 0;
    Options options;
    const bool readable = parse(name, options);
    const std::string refusal = kelvara::db::connectionStringError(name.c_str());
    CHECK(readable == refusal.empty());
    if (!readable) {
        CHECK(startsWith(refusal, "not a valid connection string: "));
        CHECK(refusal.find("./NAME") != std::string::npos);
        // libpq quotes the piece it could not read; of a name that may hold a password, no
        // piece is quoted back.
        std::string lower = name;
        for (char& c : lower)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        if (lower.find("password") != std::string::npos || lower.find('@') != std::string::npos) {
            const std::size_t open = refusal.find('"');
            CHECK(open == std::string::npos || (refusal.compare(open, 5, "\"…\"") == 0 && refusal.rfind('"') == open + 4));
        }
        return 0;
    }
    // Only the options the text set: libpq adds a default for none of them here.
    const std::string again = compose(options);
    Options reread;
    CHECK(kelvara::db::connectionStringError(again.c_str()).empty());
    CHECK(parse(again, reread));
    CHECK(reread == options);
    CHECK(options.empty() || kelvara::db::isConnectionString(again));
    return 0;
}
