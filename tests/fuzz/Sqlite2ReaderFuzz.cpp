// Any bytes as an SQLite 2 file image: opening it, listing its tables and reading every row
// either succeeds with rows that are consistent with the schema, or ends in the reader's own
// error naming a page inside the file. Nothing else may escape, crash, hang or leak.
// The same bytes also go through the CREATE TABLE parser and the cp1250 conversion.

#include "FuzzCheck.h"
#include "Cp1250.h"
#include "Sqlite2Reader.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace s2 = kelvara::sqlite2;

namespace {

void checkCorruptError(const s2::CorruptError& e, std::size_t size)
{
    // A page of the file, or the partial page just past its end.
    CHECK(e.page() >= 1);
    CHECK(e.page() <= size / s2::Database::PageSize + 1);
    const std::string message = e.what();
    CHECK(message.find("page " + std::to_string(e.page()) + ":") != std::string::npos);
}

void checkRows(const s2::Table& table, const std::vector<s2::Row>& rows)
{
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const s2::Row& row = rows[r];
        CHECK(row.values.size() == table.columns.size());
        if (r > 0)
            CHECK(rows[r - 1].rowid < row.rowid);
        for (const auto& value : row.values)
            CHECK(!value || value->find('\0') == std::string::npos);
        if (table.rowidColumn >= 0)
            CHECK(row.values[static_cast<std::size_t>(table.rowidColumn)] ==
                  std::to_string(row.rowid));
    }
}

bool isUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        i += length;
    }
    return true;
}

void readImage(const std::uint8_t* data, std::size_t size)
{
    try {
        const s2::Database db = s2::Database::fromBytes(std::vector<std::uint8_t>(data, data + size));
        CHECK(db.pageCount() == size / s2::Database::PageSize);
        for (const s2::Table& table : db.tables()) {
            CHECK(!table.columns.empty());
            CHECK(table.rowidColumn < static_cast<int>(table.columns.size()));
            CHECK(db.findTable(table.name) != nullptr);
            try {
                checkRows(table, db.readRows(table));
            } catch (const s2::CorruptError& e) {
                checkCorruptError(e, size);
            }
        }
    } catch (const s2::CorruptError& e) {
        checkCorruptError(e, size);
    } catch (const s2::Error&) {
        // Not an SQLite 2 file, or a CREATE statement that is not a column list.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    readImage(data, size);

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const s2::TableDefinition definition = s2::parseCreateTable(text);
        CHECK(!definition.columns.empty());
        CHECK(definition.integerPrimaryKey < static_cast<int>(definition.columns.size()));
    } catch (const s2::Error&) {
    }

    std::size_t undefined = 0;
    const std::string utf8 = s2::cp1250ToUtf8(text, &undefined);
    CHECK(isUtf8(utf8));
    CHECK(utf8.size() >= size && utf8.size() <= 3 * size);
    CHECK(undefined <= size);
    return 0;
}
