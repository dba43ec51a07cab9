// Old catalogues were typed on Polish Windows and stored cp1250 bytes unchanged; the
// migration can convert them to the UTF-8 the new catalogue uses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvara::sqlite2 {

// Converts Windows code page 1250 text to UTF-8. The five bytes the code page leaves
// unassigned (0x81, 0x83, 0x88, 0x90, 0x98) become U+FFFD rather than an error, so one stray
// byte never stops a migration; when undefinedBytes is given it receives how many there were,
// so the caller can warn about them.
std::string cp1250ToUtf8(std::string_view bytes, std::size_t* undefinedBytes = nullptr);

}  // namespace kelvara::sqlite2
