#pragma once

// CSV as RFC 4180 describes it, in UTF-8. Written with CRLF line ends; read with CRLF or
// LF. An unquoted empty field and a quoted empty field ("") are told apart, so that NULL
// and an empty text both survive a round trip.

#include <cstddef>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::dbtool {

struct CsvField {
    std::string text;
    bool quoted = false;
    std::size_t line = 0;  // physical line on which the field starts, from 1
};

struct CsvRecord {
    std::vector<CsvField> fields;  // at most the reader's maxFields of them
    std::size_t count = 0;         // fields in the record, also those past maxFields
    std::size_t line = 0;          // physical line on which the record starts, from 1
};

class CsvError : public std::runtime_error {
public:
    CsvError(std::size_t line, const std::string& reason);
    std::size_t line() const { return m_line; }
    const std::string& reason() const { return m_reason; }

private:
    std::size_t m_line;
    std::string m_reason;
};

// What one record may take, so that memory follows the longest line a caller accepts and
// not the shape of the input (a line of commas, a field that never ends).
struct CsvLimits {
    std::size_t maxFields = static_cast<std::size_t>(-1);       // kept; the rest are only counted
    std::size_t maxRecordBytes = static_cast<std::size_t>(-1);  // longer records are refused
};

// Reads records one by one, from text in memory or from a stream read a piece at a time;
// only the record being read is held. A UTF-8 byte order mark at the very start is skipped;
// empty lines between records are skipped. Malformed input — an unterminated quoted field,
// a quote inside an unquoted field, text after a closing quote, a carriage return not
// followed by a line feed, invalid UTF-8, a NUL byte, a record over the limit — throws
// CsvError naming the line where the fault is.
class CsvReader {
public:
    explicit CsvReader(std::string_view text, CsvLimits limits = {});
    explicit CsvReader(std::istream& in, CsvLimits limits = {});
    // Fills record with the next one; false at the end of the text.
    bool next(CsvRecord& record);

private:
    void readField(CsvField& field);
    // Position of the first of chars at or after from, reading on as needed; npos at the end.
    std::size_t find(const char* chars, std::size_t from);
    // Whether n more bytes from m_pos are there, reading on as needed.
    bool have(std::size_t n);
    bool readMore();
    void checkLength(std::size_t end) const;

    std::istream* m_in = nullptr;
    CsvLimits m_limits;
    std::string m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_recordStart = 0;
    std::size_t m_recordLine = 1;
    std::size_t m_line = 1;
    CsvField m_spare;  // fields past maxFields are read into it
};

// Appends one field: null value → nothing (empty field), empty text → "", text that holds
// a comma, a quote, CR or LF, or that starts with U+FEFF → quoted with inner quotes doubled,
// anything else as is.
void appendCsvField(std::string& out, const char* value, std::size_t length);
inline void appendCsvField(std::string& out, std::string_view value)
{
    appendCsvField(out, value.data() == nullptr ? "" : value.data(), value.size());
}
inline void appendCsvNull(std::string& out) { appendCsvField(out, nullptr, 0); }
inline void appendCsvSeparator(std::string& out) { out += ','; }
inline void appendCsvRecordEnd(std::string& out) { out += "\r\n"; }

// Spreadsheets run a cell that starts with = + - @ (or a tab or carriage return before
// them) as a formula. Such a text is written with a leading apostrophe, which spreadsheets
// take as "this is text" and do not show. Apostrophes the text already starts with are
// counted past, so that unguardFormula() gives back exactly what guardFormula() was given:
// "=1" <-> "'=1", "'=1" <-> "''=1", and "'abc" stays as it is both ways.
std::string guardFormula(std::string_view text);
std::string unguardFormula(std::string_view text);

// True when the text starts like UTF-16 (a byte order mark, or NUL bytes between ASCII
// letters), which is what a spreadsheet's "Unicode text" export writes.
bool looksLikeUtf16(std::string_view text);

// Position of the first byte that is not part of well-formed UTF-8 (overlong forms,
// surrogates and values above U+10FFFF are ill-formed), or npos when all is well.
std::size_t findInvalidUtf8(std::string_view text);

}  // namespace kelvara::dbtool
