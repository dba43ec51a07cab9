#include "Sqlite2Records.h"

namespace kelvara::sqlite2::detail {

namespace {

std::string describeRecord(std::int32_t rowid)
{
    return "record of rowid " + std::to_string(rowid);
}

// Splits a row record into its fields: an offset table of 1-, 2- or 3-byte little-endian
// offsets (width chosen by the record length), then NUL-terminated texts; empty = NULL.
std::vector<std::optional<std::string>> decodeRecord(std::uint32_t page, std::int32_t rowid,
                                                     std::string_view record,
                                                     std::size_t expectedFields,
                                                     std::string_view tableName)
{
    const std::size_t length = record.size();
    const std::string what = describeRecord(rowid);
    if (length == 0)
        corrupt(page, what + " is empty");
    const std::size_t width = length < 256 ? 1 : length < 65536 ? 2 : 3;
    auto offsetAt = [&](std::size_t index) {
        std::size_t value = 0;
        for (std::size_t b = 0; b < width; ++b)
            value |= std::size_t{static_cast<std::uint8_t>(record[index * width + b])} << (8 * b);
        return value;
    };

    const std::size_t dataStart = offsetAt(0);
    if (dataStart < width || dataStart % width != 0 || dataStart > length)
        corrupt(page, what + ": offset table size " + std::to_string(dataStart) +
                          " does not fit a record of " + std::to_string(length) + " bytes");
    const std::size_t fields = dataStart / width - 1;
    if (fields != expectedFields)
        corrupt(page, what + " has " + std::to_string(fields) + " fields but table " +
                          inQuotes(tableName) + " has " + std::to_string(expectedFields) +
                          " columns");

    std::vector<std::optional<std::string>> values;
    values.reserve(fields);
    std::size_t start = dataStart;
    for (std::size_t k = 0; k < fields; ++k) {
        const std::size_t end = offsetAt(k + 1);
        if (end < start || end > length)
            corrupt(page, what + ": field " + std::to_string(k) + " spans bytes " +
                              std::to_string(start) + ".." + std::to_string(end) +
                              " of a record of " + std::to_string(length) + " bytes");
        if (end == start) {
            values.emplace_back(std::nullopt);
        } else {
            const std::string_view text = record.substr(start, end - start - 1);
            if (record[end - 1] != '\0' || text.find('\0') != std::string_view::npos)
                corrupt(page, what + ": field " + std::to_string(k) +
                                  " is not a single NUL-terminated text");
            values.emplace_back(std::string(text));
        }
        start = end;
    }
    if (start != length)
        corrupt(page, what + ": fields end at byte " + std::to_string(start) +
                          " but the record has " + std::to_string(length) + " bytes");
    return values;
}

// Table entries have a 4-byte rowid key and a record of at most 1 MiB.
void checkTableCell(std::uint32_t page, const TreeWalker::Cell& cell)
{
    const std::string where = "cell at offset " + std::to_string(cell.offset);
    if (cell.keySize != TableKeySize)
        corrupt(page, where + " has a " + std::to_string(cell.keySize) +
                          "-byte key; table rows have 4");
    if (cell.dataSize > MaxRecordSize)
        corrupt(page, where + " holds a record of " + std::to_string(cell.dataSize) +
                          " bytes, over the 1 MiB a row may have");
}

}  // namespace

std::int32_t rowidFromKey(const std::uint8_t* key)
{
    // Big-endian with the sign bit flipped, so that memcmp order is numeric order.
    const std::uint32_t biased = (std::uint32_t{key[0]} << 24) | (std::uint32_t{key[1]} << 16) |
                                 (std::uint32_t{key[2]} << 8) | std::uint32_t{key[3]};
    const std::uint32_t raw = biased ^ 0x80000000u;
    return raw >= 0x80000000u ? static_cast<std::int32_t>(std::int64_t{raw} - 0x100000000LL)
                              : static_cast<std::int32_t>(raw);
}

std::vector<Row> readTree(TreeWalker& walker, std::uint32_t root, std::string_view tableName,
                          std::size_t columnCount, int rowidColumn)
{
    std::vector<Row> rows;
    walker.walk(root, [&](std::uint32_t page, const TreeWalker::Cell& cell) {
        checkTableCell(page, cell);
        const std::string payload = walker.payload(page, cell);
        const auto* key = reinterpret_cast<const std::uint8_t*>(payload.data());
        Row row;
        row.rowid = rowidFromKey(key);
        if (!rows.empty() && row.rowid <= rows.back().rowid)
            corrupt(page, "cell at offset " + std::to_string(cell.offset) + ": rowid " +
                              std::to_string(row.rowid) + " follows rowid " +
                              std::to_string(rows.back().rowid) + " (tree out of order)");
        row.values = decodeRecord(page, row.rowid,
                                  std::string_view(payload).substr(TableKeySize), columnCount,
                                  tableName);
        if (rowidColumn >= 0) {
            auto& slot = row.values[static_cast<std::size_t>(rowidColumn)];
            if (slot)
                corrupt(page, describeRecord(row.rowid) +
                                  " stores a value in its INTEGER PRIMARY KEY column");
            slot = std::to_string(row.rowid);
        }
        rows.push_back(std::move(row));
    });
    return rows;
}

}  // namespace kelvara::sqlite2::detail
