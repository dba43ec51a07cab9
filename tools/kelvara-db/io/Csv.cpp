#include "Csv.h"

#include <algorithm>

namespace kelvara::dbtool {

CsvError::CsvError(std::size_t line, const std::string& reason)
    : std::runtime_error("line " + std::to_string(line) + ": " + reason),
      m_line(line),
      m_reason(reason)
{
}

std::size_t findInvalidUtf8(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;  // allowed range of the second byte
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) {
                low = 0xA0;  // no overlong forms
            } else if (lead == 0xED) {
                high = 0x9F;  // no surrogates
            }
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) {
                low = 0x90;
            } else if (lead == 0xF4) {
                high = 0x8F;  // nothing above U+10FFFF
            }
        } else {
            return i;
        }
        if (i + length > n) {
            return i;
        }
        if (bytes[i + 1] < low || bytes[i + 1] > high) {
            return i;
        }
        for (std::size_t k = 2; k < length; ++k) {
            if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF) {
                return i;
            }
        }
        i += length;
    }
    return std::string_view::npos;
}

namespace {

bool startsLikeAFormula(std::string_view text)
{
    const std::size_t first = text.find_first_not_of('\'');
    return first != std::string_view::npos &&
           std::string_view("=+-@\t\r").find(text[first]) != std::string_view::npos;
}

}  // namespace

std::string guardFormula(std::string_view text)
{
    return startsLikeAFormula(text) ? "'" + std::string(text) : std::string(text);
}

std::string unguardFormula(std::string_view text)
{
    if (!text.empty() && text[0] == '\'' && startsLikeAFormula(text.substr(1))) {
        text.remove_prefix(1);
    }
    return std::string(text);
}

bool looksLikeUtf16(std::string_view text)
{
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
        return true;
    }
    // ASCII in UTF-16 has a NUL beside every letter; UTF-8 text has no NUL at all.
    const std::string_view head = text.substr(0, 64);
    return head.size() >= 4 && std::count(head.begin(), head.end(), '\0') * 3 >=
                                   static_cast<long>(head.size());
}

void appendCsvField(std::string& out, const char* value, std::size_t length)
{
    if (value == nullptr) {
        return;
    }
    const std::string_view text(value, length);
    if (text.empty()) {
        out += "\"\"";
        return;
    }
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

CsvReader::CsvReader(std::string_view text) : m_text(text)
{
    if (m_text.substr(0, 3) == "\xEF\xBB\xBF") {
        m_pos = 3;
    }
}

void CsvReader::readField(CsvField& field)
{
    field.text.clear();
    field.line = m_line;
    field.quoted = m_pos < m_text.size() && m_text[m_pos] == '"';
    if (!field.quoted) {
        const std::size_t end = m_text.find_first_of(",\r\n", m_pos);
        const std::size_t stop = end == std::string_view::npos ? m_text.size() : end;
        const std::string_view raw = m_text.substr(m_pos, stop - m_pos);
        if (raw.find('"') != std::string_view::npos) {
            throw CsvError(m_line, "quote character inside an unquoted field");
        }
        field.text.assign(raw);
        m_pos = stop;
        return;
    }

    ++m_pos;
    for (;;) {
        const std::size_t quote = m_text.find('"', m_pos);
        if (quote == std::string_view::npos) {
            throw CsvError(field.line, "unterminated quoted field");
        }
        const std::string_view chunk = m_text.substr(m_pos, quote - m_pos);
        m_line += static_cast<std::size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
        field.text += chunk;
        m_pos = quote + 1;
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            field.text += '"';
            ++m_pos;
            continue;
        }
        break;
    }
    if (m_pos < m_text.size() && m_text[m_pos] != ',' && m_text[m_pos] != '\r' &&
        m_text[m_pos] != '\n') {
        throw CsvError(m_line, "text after the closing quote of a field");
    }
}

bool CsvReader::next(CsvRecord& record)
{
    // Skip empty lines.
    for (;;) {
        if (m_text.compare(m_pos, 1, "\n") == 0) {
            m_pos += 1;
        } else if (m_text.compare(m_pos, 2, "\r\n") == 0) {
            m_pos += 2;
        } else {
            break;
        }
        ++m_line;
    }
    if (m_pos >= m_text.size()) {
        return false;
    }

    record.fields.clear();
    record.line = m_line;
    const std::size_t start = m_pos;
    for (;;) {
        record.fields.emplace_back();
        readField(record.fields.back());
        if (m_pos >= m_text.size()) {
            break;
        }
        const char c = m_text[m_pos];
        if (c == ',') {
            ++m_pos;
            continue;
        }
        if (c == '\n') {
            ++m_pos;
            ++m_line;
            break;
        }
        // c is '\r'
        if (m_text.compare(m_pos, 2, "\r\n") != 0) {
            throw CsvError(m_line, "carriage return not followed by a line feed");
        }
        m_pos += 2;
        ++m_line;
        break;
    }

    const std::string_view raw = m_text.substr(start, m_pos - start);
    std::size_t bad = findInvalidUtf8(raw);
    const char* what = "invalid UTF-8";
    const std::size_t nul = raw.find('\0');
    if (nul < bad) {
        bad = nul;
        what = "NUL character";
    }
    if (bad != std::string_view::npos) {
        const std::string_view before = raw.substr(0, bad);
        throw CsvError(record.line +
                           static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n')),
                       what);
    }
    return true;
}

}  // namespace kelvara::dbtool
