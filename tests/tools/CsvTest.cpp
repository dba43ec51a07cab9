#include "Catalogue.h"
#include "Csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvara::dbtool {
namespace {

std::vector<CsvRecord> readAll(const std::string& text)
{
    CsvReader reader(text);
    std::vector<CsvRecord> records;
    CsvRecord record;
    while (reader.next(record)) {
        records.push_back(record);
    }
    return records;
}

std::vector<std::string> texts(const CsvRecord& record)
{
    std::vector<std::string> out;
    for (const CsvField& field : record.fields) {
        out.push_back(field.text);
    }
    return out;
}

TEST(CsvWriter, QuotesOnlyWhatNeedsQuotingAndTellsNullFromEmpty)
{
    const struct {
        const char* value;  // null = SQL NULL
        std::size_t length;
        std::string written;
    } cases[] = {
        {nullptr, 0, ""},
        {"", 0, "\"\""},
        {"2.0 TDI", 7, "2.0 TDI"},
        {"a,b", 3, "\"a,b\""},
        {"say \"hi\"", 8, "\"say \"\"hi\"\"\""},
        {"two\r\nlines", 10, "\"two\r\nlines\""},
        {"lf\nonly", 7, "\"lf\nonly\""},
        {"cr\ronly", 7, "\"cr\ronly\""},
        {"Škoda Octavia – 1.9", 22, "Škoda Octavia – 1.9"},
        {" padded ", 8, " padded "},
        {"\xEF\xBB\xBFmark", 7, "\"\xEF\xBB\xBFmark\""},  // not to be read as a byte order mark
    };
    for (const auto& c : cases) {
        std::string out;
        appendCsvField(out, c.value, c.length);
        EXPECT_EQ(out, c.written) << (c.value != nullptr ? c.value : "<null>");
    }
}

TEST(CsvReader, ReadsQuotedCommasQuotesNewlinesAndUtf8)
{
    const std::string text =
        "plain,\"with, comma\",\"say \"\"hi\"\"\"\r\n"
        "\"multi\r\nline\nfield\",,\"\"\r\n"
        "Citroën,Škoda,日本\r\n";
    const auto records = readAll(text);
    ASSERT_EQ(records.size(), 3u);

    EXPECT_EQ(texts(records[0]), (std::vector<std::string>{"plain", "with, comma", "say \"hi\""}));
    EXPECT_EQ(records[0].line, 1u);

    EXPECT_EQ(texts(records[1]), (std::vector<std::string>{"multi\r\nline\nfield", "", ""}));
    EXPECT_EQ(records[1].line, 2u);
    EXPECT_TRUE(records[1].fields[0].quoted);
    EXPECT_FALSE(records[1].fields[1].quoted) << "an empty field is not a quoted empty text";
    EXPECT_TRUE(records[1].fields[2].quoted);
    EXPECT_EQ(records[1].fields[2].line, 4u) << "field starts after the two embedded newlines";

    EXPECT_EQ(texts(records[2]), (std::vector<std::string>{"Citroën", "Škoda", "日本"}));
    EXPECT_EQ(records[2].line, 5u);
}

TEST(CsvReader, TakesLfAndCrlfAlikeSkipsBlankLinesAndAByteOrderMark)
{
    const auto crlf = readAll("\xEF\xBB\xBF" "a,b\r\n\r\nc,d\r\n");
    const auto lf = readAll("a,b\n\nc,d");  // no final line end either
    ASSERT_EQ(crlf.size(), 2u);
    ASSERT_EQ(lf.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(texts(crlf[i]), texts(lf[i]));
        EXPECT_EQ(crlf[i].line, lf[i].line);
    }
    EXPECT_EQ(texts(crlf[0]), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(crlf[1].line, 3u);

    const auto trailing = readAll("a,\r\n,\r\n");
    ASSERT_EQ(trailing.size(), 2u);
    EXPECT_EQ(texts(trailing[0]), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(texts(trailing[1]), (std::vector<std::string>{"", ""}));
}

TEST(CsvReader, ReadsBackWhatTheWriterWrote)
{
    const std::vector<std::string> values = {
        "", "x", ",", "\"", "\"\"", "a\"b", "\r\n", "\n\n", "end,\"", "ü,\"ñ\"\r\n€", "  "};
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            appendCsvSeparator(text);
        }
        appendCsvField(text, values[i]);
    }
    appendCsvRecordEnd(text);
    appendCsvNull(text);
    appendCsvSeparator(text);
    appendCsvNull(text);
    appendCsvRecordEnd(text);

    const auto records = readAll(text);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(texts(records[0]), values);
    for (const CsvField& field : records[0].fields) {
        EXPECT_TRUE(!field.text.empty() || field.quoted) << "empty text must come back quoted";
    }
    ASSERT_EQ(records[1].fields.size(), 2u);
    EXPECT_FALSE(records[1].fields[0].quoted);
    EXPECT_TRUE(records[1].fields[0].text.empty());
}

TEST(CsvReader, RefusesMalformedInputNamingTheLine)
{
    const struct {
        std::string text;
        std::size_t line;
        std::string reason;
    } cases[] = {
        {"a,b\r\n\"open,field\r\nmore\r\n", 2, "unterminated quoted field"},
        {"a,b\r\nc,d\"e\r\n", 2, "quote character inside an unquoted field"},
        {"a\r\n\"closed\"x,y\r\n", 2, "text after the closing quote of a field"},
        {"a,b\rc,d\r\n", 1, "carriage return not followed by a line feed"},
        {"ok\r\n\"two\r\nlines \xC3\x28\"\r\n", 3, "invalid UTF-8"},
        {"ok\r\nbad \xFF\r\n", 2, "invalid UTF-8"},
        {"overlong \xC0\xAF\r\n", 1, "invalid UTF-8"},
        {"surrogate \xED\xA0\x80\r\n", 1, "invalid UTF-8"},
        {"cut short \xE2\x82", 1, "invalid UTF-8"},
        {"a\r\nb\r\nnul " + std::string(1, '\0') + "\r\n", 3, "NUL character"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        try {
            readAll(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const CsvError& e) {
            EXPECT_EQ(e.line(), c.line);
            EXPECT_EQ(e.reason(), c.reason);
            EXPECT_EQ(std::string(e.what()), "line " + std::to_string(c.line) + ": " + c.reason);
        }
    }
}

TEST(Utf8, AcceptsWellFormedAndFindsTheFirstBadByte)
{
    EXPECT_EQ(findInvalidUtf8(""), std::string::npos);
    EXPECT_EQ(findInvalidUtf8("ascii é € 𝄞 \xF4\x8F\xBF\xBF"), std::string::npos);
    EXPECT_EQ(findInvalidUtf8("ab\xF4\x90\x80\x80"), 2u) << "above U+10FFFF";
    EXPECT_EQ(findInvalidUtf8("ab\xE0\x80\x80"), 2u) << "overlong three-byte form";
    EXPECT_EQ(findInvalidUtf8("ab\xF0\x80\x80\x80"), 2u) << "overlong four-byte form";
    EXPECT_EQ(findInvalidUtf8("é\x80"), 2u) << "lone continuation byte";
    EXPECT_EQ(findInvalidUtf8("\xC3"), 0u) << "truncated at the end";
    EXPECT_EQ(findInvalidUtf8("\xE2\x28\xA1"), 0u) << "bad continuation";
}

TEST(PlainNumber, AcceptsWhatSqlReadsAsANumberAndNothingElse)
{
    for (const char* good : {"0", "12", "12.50", "-3", "+4", ".5", "5.", "1e3", "1.5E-2", "007"}) {
        EXPECT_TRUE(isPlainNumber(good)) << good;
    }
    for (const char* bad : {"", " 12", "12 ", "12,50", "$12", "1e", "e3", ".", "-", "+.",
                            "0x1F", "1.2.3", "12abc", "NaN", "--1", "1e+"}) {
        EXPECT_FALSE(isPlainNumber(bad)) << bad;
    }
}

}  // namespace
}  // namespace kelvara::dbtool
