#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::db {

// A value for a statement's parameter $1, $2… (the same text on both engines): exact bytes,
// or SQL NULL. A text is referred to, not copied: it must live until the statement started.
class BoundValue {
public:
    BoundValue(std::nullopt_t) {}
    BoundValue(std::nullptr_t) {}
    BoundValue(std::string_view text) : m_text(text), m_null(false) {}
    BoundValue(const std::string& text) : m_text(text), m_null(false) {}
    BoundValue(const char* text) : m_text(text ? text : ""), m_null(!text) {}
    BoundValue(const std::optional<std::string>& text)
        : m_text(text ? std::string_view(*text) : std::string_view()), m_null(!text)
    {
    }
    BoundValue(long long number)
        : m_number(std::to_string(number)), m_integer(number), m_null(false), m_isNumber(true)
    {
    }
    BoundValue(int number) : BoundValue(static_cast<long long>(number)) {}

    bool isNull() const { return m_null; }
    // A whole number, bound as one where the engine tells numbers from texts.
    bool isInteger() const { return m_isNumber; }
    long long integer() const { return m_integer; }
    std::string_view text() const { return m_isNumber ? std::string_view(m_number) : m_text; }

private:
    std::string_view m_text;
    std::string m_number;
    long long m_integer = 0;
    bool m_null = true;
    bool m_isNumber = false;
};

using BoundValues = std::vector<BoundValue>;

}  // namespace kelvara::db
