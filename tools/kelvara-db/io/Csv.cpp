#include "Csv.h"

#include <algorithm>
#include <istream>

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
    // A text starting with U+FEFF would read as a byte order mark at the start of a file.
    if (text.find_first_of(",\"\r\n") == std::string_view::npos && text.substr(0, 3) != "\xEF\xBB\xBF") {
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

namespace {

// Pieces read from a stream; the consumed front of the buffer is dropped once it is this long.
constexpr std::size_t kPiece = 1 << 16;

}  // namespace

CsvReader::CsvReader(std::string_view text, CsvLimits limits) : m_limits(limits), m_buffer(text)
{
    if (have(3) && m_buffer.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        m_pos = 3;
    }
}

CsvReader::CsvReader(std::istream& in, CsvLimits limits) : m_in(&in), m_limits(limits)
{
    if (have(3) && m_buffer.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        m_pos = 3;
    }
}

bool CsvReader::readMore()
{
    if (!m_in || !*m_in) {
        return false;
    }
    const std::size_t size = m_buffer.size();
    m_buffer.resize(size + kPiece);
    m_in->read(&m_buffer[size], static_cast<std::streamsize>(kPiece));
    m_buffer.resize(size + static_cast<std::size_t>(m_in->gcount()));
    if (m_in->bad()) {
        throw CsvError(m_line, "the file cannot be read");
    }
    return m_buffer.size() > size;
}

void CsvReader::checkLength(std::size_t end) const
{
    if (end - m_recordStart > m_limits.maxRecordBytes) {
        throw CsvError(m_recordLine, "the row is longer than " + std::to_string(m_limits.maxRecordBytes) + " bytes");
    }
}

std::size_t CsvReader::find(const char* chars, std::size_t from)
{
    for (;;) {
        const std::size_t found = m_buffer.find_first_of(chars, from);
        if (found != std::string::npos) {
            checkLength(found);
            return found;
        }
        checkLength(m_buffer.size());
        from = m_buffer.size();
        if (!readMore()) {
            return std::string::npos;
        }
    }
}

bool CsvReader::have(std::size_t n)
{
    while (m_buffer.size() - m_pos < n) {
        if (!readMore()) {
            return false;
        }
    }
    return true;
}

void CsvReader::readField(CsvField& field)
{
    field.text.clear();
    field.line = m_line;
    field.quoted = have(1) && m_buffer[m_pos] == '"';
    if (!field.quoted) {
        const std::size_t end = find(",\r\n", m_pos);
        const std::size_t stop = end == std::string::npos ? m_buffer.size() : end;
        const std::string_view raw = std::string_view(m_buffer).substr(m_pos, stop - m_pos);
        if (raw.find('"') != std::string_view::npos) {
            throw CsvError(m_line, "quote character inside an unquoted field");
        }
        field.text.assign(raw);
        m_pos = stop;
        return;
    }

    ++m_pos;
    for (;;) {
        const std::size_t quote = find("\"", m_pos);
        if (quote == std::string::npos) {
            throw CsvError(field.line, "unterminated quoted field");
        }
        const std::string_view chunk = std::string_view(m_buffer).substr(m_pos, quote - m_pos);
        m_line += static_cast<std::size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
        field.text += chunk;
        m_pos = quote + 1;
        if (have(1) && m_buffer[m_pos] == '"') {
            field.text += '"';
            ++m_pos;
            continue;
        }
        break;
    }
    if (have(1) && m_buffer[m_pos] != ',' && m_buffer[m_pos] != '\r' && m_buffer[m_pos] != '\n') {
        throw CsvError(m_line, "text after the closing quote of a field");
    }
}

bool CsvReader::next(CsvRecord& record)
{
    // What earlier records took is let go of.
    if (m_in && m_pos >= kPiece) {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
    }
    // Skip empty lines.
    for (;;) {
        if (have(1) && m_buffer[m_pos] == '\n') {
            m_pos += 1;
        } else if (have(2) && m_buffer.compare(m_pos, 2, "\r\n") == 0) {
            m_pos += 2;
        } else {
            break;
        }
        ++m_line;
    }
    if (!have(1)) {
        return false;
    }

    record.fields.clear();
    record.count = 0;
    record.line = m_recordLine = m_line;
    m_recordStart = m_pos;
    for (;;) {
        CsvField* field = &m_spare;
        if (record.fields.size() < m_limits.maxFields) {
            field = &record.fields.emplace_back();
        }
        readField(*field);
        ++record.count;
        if (!have(1)) {
            break;
        }
        const char c = m_buffer[m_pos];
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
        if (!have(2) || m_buffer[m_pos + 1] != '\n') {
            throw CsvError(m_line, "carriage return not followed by a line feed");
        }
        m_pos += 2;
        ++m_line;
        break;
    }

    const std::string_view raw = std::string_view(m_buffer).substr(m_recordStart, m_pos - m_recordStart);
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
