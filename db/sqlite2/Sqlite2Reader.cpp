#include "Sqlite2Reader.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kelvara::sqlite2 {

namespace {

// 47 characters and a NUL; identical in every file from 2.1 to 2.8.
constexpr char HeaderText[] = "** This file contains an SQLite 2.1 database **";
constexpr std::size_t HeaderTextSize = sizeof HeaderText;  // includes the NUL
constexpr std::uint32_t ByteOrderMagic = 0xDAE37528u;

constexpr std::size_t PageSize = Database::PageSize;
constexpr std::size_t PageHeaderSize = 8;
constexpr std::size_t CellHeaderSize = 12;
constexpr std::size_t MaxLocalPayload = 236;
constexpr std::size_t OverflowSlot = CellHeaderSize + MaxLocalPayload;  // 248
constexpr std::size_t OverflowCellSize = OverflowSlot + 4;             // 252
constexpr std::size_t OverflowPageData = PageSize - 4;
constexpr std::size_t MaxCellOffset = PageSize - 16;
constexpr std::size_t TableKeySize = 4;
constexpr std::size_t MaxRecordSize = 1048576;
constexpr std::size_t UsablePageBytes = PageSize - PageHeaderSize;  // 1016
constexpr std::uint32_t MaxFreeLeavesPerTrunk = (PageSize - 8) / 4;  // 254

constexpr std::uint32_t MasterRoot = 2;
constexpr std::size_t MasterFields = 5;

[[noreturn]] void corrupt(std::uint32_t page, const std::string& detail)
{
    throw CorruptError(page, detail);
}

std::string inQuotes(std::string_view name)
{
    return "\"" + std::string(name) + "\"";
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::int32_t rowidFromKey(const std::uint8_t* key)
{
    // Big-endian with the sign bit flipped, so that memcmp order is numeric order.
    const std::uint32_t biased = (std::uint32_t{key[0]} << 24) | (std::uint32_t{key[1]} << 16) |
                                 (std::uint32_t{key[2]} << 8) | std::uint32_t{key[3]};
    const std::uint32_t raw = biased ^ 0x80000000u;
    return raw >= 0x80000000u ? static_cast<std::int32_t>(std::int64_t{raw} - 0x100000000LL)
                              : static_cast<std::int32_t>(raw);
}

// Walks one b-tree (and the overflow chains of its cells) and refuses to read any page twice,
// which is what keeps a file with looping links from hanging us.
class TreeWalker {
public:
    struct Cell {
        std::uint16_t offset = 0;
        std::uint32_t leftChild = 0;
        std::uint32_t keySize = 0;
        std::uint32_t dataSize = 0;
    };

    TreeWalker(const std::vector<std::uint8_t>& image, ByteOrder order, std::uint32_t pageCount,
               const std::vector<std::uint32_t>& otherRoots)
        : m_image(image), m_bigEndian(order == ByteOrder::BigEndian), m_pageCount(pageCount),
          m_otherRoots(otherRoots), m_visited(std::size_t{pageCount} + 1, false)
    {
    }

    // Calls visit(page, cell) for every entry in key order; interior cells are entries too.
    template <typename Visit>
    void walk(std::uint32_t root, Visit&& visit)
    {
        struct Frame {
            std::uint32_t page;
            std::size_t depth;
            std::uint32_t rightChild;
            std::vector<Cell> cells;
            std::size_t next = 0;
            bool leftDone = false;
        };
        std::vector<Frame> stack;
        std::size_t leafDepth = 0;
        auto enter = [&](std::uint32_t page, std::size_t depth) {
            stack.push_back(Frame{page, depth, u32(page, 0), cellsOf(page)});
            const Frame& frame = stack.back();
            // A page is a leaf or an interior page as a whole; every leaf at the same depth.
            const bool leaf = frame.rightChild == 0;
            for (const Cell& cell : frame.cells)
                if ((cell.leftChild == 0) != leaf)
                    corrupt(page, "cell at offset " + std::to_string(cell.offset) +
                                      (leaf ? " has a child page on a leaf page"
                                            : " has no child page on an interior page"));
            if (!leaf)
                return;
            if (leafDepth == 0)
                leafDepth = depth;
            else if (leafDepth != depth)
                corrupt(page, "leaf page at depth " + std::to_string(depth) +
                                  " of a tree whose other leaves are at depth " +
                                  std::to_string(leafDepth));
        };

        if (root < 2 || root > m_pageCount || m_visited[root])
            corrupt(root, "root page is outside the file or already belongs to another tree");
        m_visited[root] = true;
        enter(root, 1);
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next < frame.cells.size()) {
                const Cell& cell = frame.cells[frame.next];
                if (cell.leftChild != 0 && !frame.leftDone) {
                    frame.leftDone = true;
                    const std::uint32_t from = frame.page;
                    const std::uint32_t child = cell.leftChild;
                    const std::size_t depth = frame.depth + 1;
                    claim(from, child, "child");
                    enter(child, depth);  // invalidates frame
                    continue;
                }
                visit(frame.page, cell);
                ++frame.next;
                frame.leftDone = false;
                continue;
            }
            const std::uint32_t from = frame.page;
            const std::uint32_t right = frame.rightChild;
            const std::size_t depth = frame.depth + 1;
            stack.pop_back();
            if (right != 0) {
                claim(from, right, "right child");
                enter(right, depth);
            }
        }
    }

    // Key followed by data, gathered from the cell and its overflow chain.
    std::string payload(std::uint32_t page, const Cell& cell)
    {
        std::string out;
        followPayload(page, cell, &out);
        return out;
    }

    // Checks a link found on page `from` and marks its target as read.
    void claim(std::uint32_t from, std::uint32_t target, const char* kind)
    {
        const std::string link = std::string(kind) + " link to page " + std::to_string(target);
        if (target == 1)
            corrupt(from, link + " leads to the file header");
        if (target < 2 || target > m_pageCount)
            corrupt(from, link + " is outside the file (" + std::to_string(m_pageCount) +
                              " pages; truncated copy?)");
        if (m_visited[target])
            corrupt(from, link + " leads to a page already read (a loop, or a page two trees share)");
        if (std::binary_search(m_otherRoots.begin(), m_otherRoots.end(), target))
            corrupt(from, link + " leads into the root of another table or index");
        m_visited[target] = true;
    }

    // The first page no walk has reached, 0 when every page from 2 on was read.
    std::uint32_t firstUnread() const
    {
        for (std::uint32_t page = 2; page <= m_pageCount; ++page)
            if (!m_visited[page])
                return page;
        return 0;
    }

    std::uint32_t u32(std::uint32_t page, std::size_t offset) const
    {
        const std::uint8_t* p = pageData(page) + offset;
        if (m_bigEndian)
            return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                   (std::uint32_t{p[2]} << 8) | p[3];
        return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
               (std::uint32_t{p[1]} << 8) | p[0];
    }

private:
    void followPayload(std::uint32_t page, const Cell& cell, std::string* out)
    {
        const std::size_t total = std::size_t{cell.keySize} + cell.dataSize;
        const std::uint8_t* local = pageData(page) + cell.offset + CellHeaderSize;
        if (total <= MaxLocalPayload) {
            if (out)
                out->assign(local, local + total);
            return;
        }

        std::size_t remaining = total - MaxLocalPayload;
        // Refuse sizes no chain in this file could supply before allocating for them.
        if (remaining > std::size_t{m_pageCount} * OverflowPageData)
            corrupt(page, "cell at offset " + std::to_string(cell.offset) + " claims " +
                              std::to_string(total) + " bytes of payload, more than the file holds");
        if (out) {
            out->reserve(total);
            out->assign(local, local + MaxLocalPayload);
        }
        std::uint32_t from = page;
        std::uint32_t next = u32(page, cell.offset + OverflowSlot);
        while (remaining > 0) {
            if (next == 0)
                corrupt(from, "overflow chain of the cell at page " + std::to_string(page) +
                                  " offset " + std::to_string(cell.offset) + " ends " +
                                  std::to_string(remaining) + " bytes short");
            claim(from, next, "overflow");
            const std::size_t chunk = std::min(remaining, OverflowPageData);
            const std::uint8_t* data = pageData(next);
            if (out)
                out->append(data + 4, data + 4 + chunk);
            remaining -= chunk;
            from = next;
            next = u32(next, 0);
        }
        if (next != 0)
            corrupt(from, "overflow chain of the cell at page " + std::to_string(page) +
                              " offset " + std::to_string(cell.offset) +
                              " goes on to page " + std::to_string(next) +
                              " after its payload is complete");
    }

    const std::uint8_t* pageData(std::uint32_t page) const
    {
        return m_image.data() + std::size_t{page - 1} * PageSize;
    }

    std::uint32_t u16(std::uint32_t page, std::size_t offset) const
    {
        const std::uint8_t* p = pageData(page) + offset;
        return m_bigEndian ? (std::uint32_t{p[0]} << 8) | p[1] : (std::uint32_t{p[1]} << 8) | p[0];
    }

    // Marks [offset, offset + size) as taken on the page, in 4-byte units.
    static bool take(std::bitset<PageSize / 4>& used, std::size_t offset, std::size_t size)
    {
        for (std::size_t unit = offset / 4; unit < (offset + size) / 4; ++unit) {
            if (used.test(unit))
                return false;
            used.set(unit);
        }
        return true;
    }

    // The cells of a b-tree page in key order, with their placement checked: cells and
    // free blocks together fill the page exactly, none overlapping another.
    std::vector<Cell> cellsOf(std::uint32_t page) const
    {
        std::vector<Cell> cells;
        std::bitset<PageSize / 4> used;  // 4-byte units; cells are aligned and padded to 4
        used.set(0);
        used.set(1);
        std::size_t cellBytes = 0;
        std::uint32_t offset = u16(page, 4);
        while (offset != 0) {
            const std::string where = "cell offset " + std::to_string(offset);
            if (offset < PageHeaderSize || offset > MaxCellOffset || offset % 4 != 0)
                corrupt(page, where + " is out of range");
            Cell cell;
            cell.offset = static_cast<std::uint16_t>(offset);
            cell.leftChild = u32(page, offset);
            const std::uint8_t* p = pageData(page) + offset;
            cell.keySize = u16(page, offset + 4) | (std::uint32_t{p[8]} << 16);
            cell.dataSize = u16(page, offset + 10) | (std::uint32_t{p[9]} << 16);
            const std::size_t payload = std::size_t{cell.keySize} + cell.dataSize;
            const std::size_t size = payload <= MaxLocalPayload
                                         ? CellHeaderSize + (payload + 3) / 4 * 4
                                         : OverflowCellSize;
            if (offset + size > PageSize)
                corrupt(page, where + ": cell of " + std::to_string(size) +
                                  " bytes runs past the end of the page");
            if (!take(used, offset, size))
                corrupt(page, where + " overlaps another cell (the cell list loops?)");
            cellBytes += size;
            cells.push_back(cell);
            offset = u16(page, offset + 6);
        }

        std::size_t freeBytes = 0;
        std::size_t previous = 0;
        for (std::size_t block = u16(page, 6); block != 0; block = u16(page, block + 2)) {
            const std::string where = "free block at offset " + std::to_string(block);
            if (block < PageHeaderSize || block > PageSize - 4 || block % 4 != 0 ||
                block <= previous)
                corrupt(page, where + " is out of range or out of order");
            const std::size_t size = u16(page, block);
            if (size < 4 || size % 4 != 0 || block + size > PageSize)
                corrupt(page, where + " has an impossible size of " + std::to_string(size));
            if (!take(used, block, size))
                corrupt(page, where + " overlaps a cell or another free block");
            freeBytes += size;
            previous = block;
        }
        if (cellBytes + freeBytes != UsablePageBytes)
            corrupt(page, "cells (" + std::to_string(cellBytes) + " bytes) and free blocks (" +
                              std::to_string(freeBytes) + " bytes) do not fill the page's " +
                              std::to_string(UsablePageBytes) + " bytes" +
                              (cells.empty() && freeBytes == 0 ? " (an all-zero page?)" : ""));
        return cells;
    }

    const std::vector<std::uint8_t>& m_image;
    bool m_bigEndian;
    std::uint32_t m_pageCount;
    const std::vector<std::uint32_t>& m_otherRoots;
    std::vector<bool> m_visited;
};

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

// Reads every row of a table tree; rowidColumn gets the rowid from the key.
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

// An index as sqlite_master lists it.
struct IndexDefinition {
    std::string name;
    std::uint32_t root = 0;
    std::string table;
    std::optional<std::string> sql;
};

std::string shownField(std::optional<std::string_view> value)
{
    if (!value)
        return "NULL";
    return "'" + std::string(value->substr(0, 40)) + (value->size() > 40 ? "'..." : "'");
}

// Walks one index tree and checks it against its table's rows: one entry per row, keys
// ascending, each key field ('a' NULL, 'b' a number, 'c' text, each ending in NUL)
// agreeing with the row. Automatic indexes have no CREATE text: only their row keys count.
void checkIndex(TreeWalker& walker, const IndexDefinition& index, const Table& table,
                const std::vector<Row>& rows)
{
    const std::string label = "index " + inQuotes(index.name);
    std::vector<int> columns;  // table column of each key field, -1 for a name it lacks
    bool known = false;
    if (index.sql) {
        try {
            for (const std::string& name : parseCreateIndex(*index.sql)) {
                int found = -1;
                for (std::size_t c = 0; c < table.columns.size(); ++c)
                    if (equalsIgnoreCase(table.columns[c].name, name))
                        found = static_cast<int>(c);
                columns.push_back(found);
            }
            known = true;
        } catch (const Error&) {
            // An index text we cannot take apart still has its row keys checked.
        }
    }

    std::vector<bool> seen(rows.size(), false);
    std::string previous;
    walker.walk(index.root, [&](std::uint32_t page, const TreeWalker::Cell& cell) {
        const std::string where = label + " entry at offset " + std::to_string(cell.offset);
        if (cell.dataSize != 0 || cell.keySize <= TableKeySize)
            corrupt(page, where + " has a key of " + std::to_string(cell.keySize) +
                              " bytes and data of " + std::to_string(cell.dataSize) +
                              "; index entries are a key alone");
        const std::string key = walker.payload(page, cell);
        if (!previous.empty() && !(previous < key))
            corrupt(page, where + " is out of key order");

        std::vector<std::pair<char, std::string_view>> fields;
        const std::size_t end = key.size() - TableKeySize;
        for (std::size_t p = 0; p < end;) {
            const char kind = key[p];
            const std::size_t nul = key.find('\0', p + 1);
            if ((kind != 'a' && kind != 'b' && kind != 'c') || nul >= end)
                corrupt(page, where + ": key field " + std::to_string(fields.size()) +
                                  " is malformed");
            fields.emplace_back(kind, std::string_view(key).substr(p + 1, nul - p - 1));
            p = nul + 1;
        }
        const std::int32_t rowid =
            rowidFromKey(reinterpret_cast<const std::uint8_t*>(key.data()) + end);
        const auto row =
            std::lower_bound(rows.begin(), rows.end(), rowid,
                             [](const Row& r, std::int32_t id) { return r.rowid < id; });
        const std::string ofRow = "rowid " + std::to_string(rowid);
        if (row == rows.end() || row->rowid != rowid)
            corrupt(page, where + " stands for " + ofRow + ", which table " +
                              inQuotes(table.name) + " does not hold");
        const auto n = static_cast<std::size_t>(row - rows.begin());
        if (seen[n])
            corrupt(page, where + " is a second entry for " + ofRow);
        seen[n] = true;
        previous = key;
        if (!known)
            return;
        if (fields.size() != columns.size())
            corrupt(page, where + " has " + std::to_string(fields.size()) +
                              " fields; the index has " + std::to_string(columns.size()) +
                              " columns");
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (columns[k] < 0)
                continue;
            const auto column = static_cast<std::size_t>(columns[k]);
            const auto& value = row->values[column];
            const char kind = fields[k].first;
            const std::string_view text = fields[k].second;
            const bool agrees = kind == 'a'   ? !value
                                : kind == 'c' ? value && *value == text
                                              : value.has_value();
            if (agrees)
                continue;
            const std::optional<std::string_view> inTable =
                value ? std::optional<std::string_view>(*value) : std::nullopt;
            const std::optional<std::string_view> inIndex =
                kind == 'a' ? std::nullopt : std::optional<std::string_view>(text);
            corrupt(page, where + ": column " + table.columns[column].name + " of " + ofRow +
                              " is " + shownField(inTable) + " in the table but " +
                              shownField(inIndex) + " in the index");
        }
    });
    for (std::size_t n = 0; n < rows.size(); ++n)
        if (!seen[n])
            corrupt(index.root, label + " has no entry for rowid " +
                                    std::to_string(rows[n].rowid) + " of table " +
                                    inQuotes(table.name));
}

// The free list: trunk pages chained from the file header, each listing leaf pages. Every
// page it names is claimed, and the count must match the header's.
void checkFreeList(TreeWalker& walker, std::uint32_t firstTrunk, std::uint32_t count)
{
    std::uint32_t found = 0;
    std::uint32_t from = 1;
    for (std::uint32_t trunk = firstTrunk; trunk != 0; trunk = walker.u32(trunk, 0)) {
        walker.claim(from, trunk, "free-list trunk");
        ++found;
        const std::uint32_t leaves = walker.u32(trunk, 4);
        if (leaves > MaxFreeLeavesPerTrunk)
            corrupt(trunk, "free-list trunk lists " + std::to_string(leaves) +
                               " pages; a trunk holds at most " +
                               std::to_string(MaxFreeLeavesPerTrunk));
        for (std::uint32_t i = 0; i < leaves; ++i) {
            walker.claim(trunk, walker.u32(trunk, 8 + 4 * std::size_t{i}), "free page");
            ++found;
        }
        from = trunk;
    }
    if (found != count)
        corrupt(1, "the file header counts " + std::to_string(count) +
                       " free pages but the free list holds " + std::to_string(found));
}

// Root page numbers are stored as decimal text; nullopt unless it is plain digits.
std::optional<std::uint32_t> parsePageNumber(const std::optional<std::string>& text)
{
    if (!text || text->empty() || text->size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : *text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

CorruptError::CorruptError(std::uint32_t page, const std::string& detail)
    : Error("damaged SQLite 2 file at page " + std::to_string(page) + ": " + detail), m_page(page)
{
}

Database Database::openFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("cannot open " + path);
    std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad())
        throw Error("cannot read " + path);
    return fromBytes(std::move(image));
}

Database Database::fromBytes(std::vector<std::uint8_t> image)
{
    if (image.size() < HeaderTextSize ||
        std::memcmp(image.data(), HeaderText, HeaderTextSize) != 0)
        throw Error("not an SQLite 2 database (the header text is missing)");
    if (image.size() / PageSize >= 0xFFFFFFFFu)
        throw Error("file too large for an SQLite 2 database");
    // SQLite 2 would take a short file as empty; for a catalogue that only means a broken copy.
    if (image.size() < PageSize || image.size() % PageSize != 0)
        corrupt(static_cast<std::uint32_t>(image.size() / PageSize + 1),
                "the file ends " + std::to_string(image.size() % PageSize) +
                    " bytes into this page (truncated copy?)");

    Database db;
    db.m_pageCount = static_cast<std::uint32_t>(image.size() / PageSize);
    const std::uint8_t* m = image.data() + 48;
    const std::uint32_t asLittle = std::uint32_t{m[0]} | (std::uint32_t{m[1]} << 8) |
                                   (std::uint32_t{m[2]} << 16) | (std::uint32_t{m[3]} << 24);
    const std::uint32_t asBig = std::uint32_t{m[3]} | (std::uint32_t{m[2]} << 8) |
                                (std::uint32_t{m[1]} << 16) | (std::uint32_t{m[0]} << 24);
    if (asLittle == ByteOrderMagic)
        db.m_byteOrder = ByteOrder::LittleEndian;
    else if (asBig == ByteOrderMagic)
        db.m_byteOrder = ByteOrder::BigEndian;
    else
        corrupt(1, "the byte-order mark at offset 48 is missing");

    const std::uint8_t* f = image.data() + 64;
    db.m_fileFormat = db.m_byteOrder == ByteOrder::BigEndian
                          ? (std::uint32_t{f[0]} << 24) | (std::uint32_t{f[1]} << 16) |
                                (std::uint32_t{f[2]} << 8) | f[3]
                          : (std::uint32_t{f[3]} << 24) | (std::uint32_t{f[2]} << 16) |
                                (std::uint32_t{f[1]} << 8) | f[0];
    db.m_image = std::move(image);
    if (db.m_pageCount == 1) {
        // Created but never written to: no sqlite_master yet.
        if (db.m_fileFormat > 4)
            corrupt(1, "unknown file format " + std::to_string(db.m_fileFormat));
        return db;
    }
    if (db.m_fileFormat < 1 || db.m_fileFormat > 4)
        corrupt(1, "unknown file format " + std::to_string(db.m_fileFormat) +
                       " (SQLite 2 writes 1 to 4)");

    // One walker for the whole file: every page from 2 on must belong to exactly one table
    // or index tree, overflow chain or the free list. Damage that drops rows from a walk
    // leaves pages unclaimed or breaks an invariant of the page that holds it, so the whole
    // structure is checked here, before anything is read for use.
    // The walker sees m_rootPages by reference: roots listed below are protected from then on.
    TreeWalker accounting(db.m_image, db.m_byteOrder, db.m_pageCount, db.m_rootPages);
    const std::vector<Row> master =
        readTree(accounting, MasterRoot, "sqlite_master", MasterFields, -1);
    db.m_rootPages.push_back(MasterRoot);
    std::vector<IndexDefinition> indexes;
    for (const Row& entry : master) {
        const auto& type = entry.values[0];
        const auto& name = entry.values[1];
        const auto root = parsePageNumber(entry.values[3]);
        const std::string label = "schema entry of rowid " + std::to_string(entry.rowid);
        if (type && *type == "index") {
            if (!name || !entry.values[2])
                corrupt(MasterRoot, label + " is an index without a name or a table");
            if (!root || *root < 3 || *root > db.m_pageCount)
                corrupt(MasterRoot, "index " + inQuotes(*name) + " has root page " +
                                        entry.values[3].value_or("NULL") +
                                        ", not a page of this " +
                                        std::to_string(db.m_pageCount) + "-page file");
            indexes.push_back({*name, *root, *entry.values[2], entry.values[4]});
            db.m_rootPages.push_back(*root);
            continue;
        }
        if (!type || *type != "table")
            continue;
        if (!name)
            corrupt(MasterRoot, label + " is a table without a name");
        if (!root || *root < 3 || *root > db.m_pageCount)
            corrupt(MasterRoot, "table " + inQuotes(*name) + " has root page " +
                                    entry.values[3].value_or("NULL") + ", not a page of this " +
                                    std::to_string(db.m_pageCount) + "-page file");
        if (!entry.values[4])
            corrupt(MasterRoot, "table " + inQuotes(*name) + " has no CREATE statement");

        TableDefinition definition;
        try {
            definition = parseCreateTable(*entry.values[4]);
        } catch (const Error& e) {
            throw Error("table " + inQuotes(*name) + ": " + e.what());
        }
        Table table;
        table.name = *name;
        table.rootPage = *root;
        table.sql = *entry.values[4];
        table.columns = std::move(definition.columns);
        // Before format 2 an INTEGER PRIMARY KEY was an ordinary stored column.
        table.rowidColumn = db.m_fileFormat >= 2 ? definition.integerPrimaryKey : -1;
        db.m_tables.push_back(std::move(table));
        db.m_rootPages.push_back(*root);
    }
    std::sort(db.m_rootPages.begin(), db.m_rootPages.end());
    const auto twice = std::adjacent_find(db.m_rootPages.begin(), db.m_rootPages.end());
    if (twice != db.m_rootPages.end())
        corrupt(MasterRoot, "two tables or indexes share root page " + std::to_string(*twice));

    std::vector<std::vector<Row>> rows;
    for (const Table& table : db.m_tables)
        rows.push_back(readTree(accounting, table.rootPage, table.name, table.columns.size(),
                                table.rowidColumn));
    for (const IndexDefinition& index : indexes) {
        const Table* table = db.findTable(index.table);
        if (!table)
            corrupt(MasterRoot, "index " + inQuotes(index.name) + " belongs to table " +
                                    inQuotes(index.table) + ", which the file does not hold");
        checkIndex(accounting, index, *table,
                   rows[static_cast<std::size_t>(table - db.m_tables.data())]);
    }
    checkFreeList(accounting, accounting.u32(1, 52), accounting.u32(1, 56));
    if (const std::uint32_t stray = accounting.firstUnread())
        corrupt(stray, "page belongs to no table, index, overflow chain or the free list");
    return db;
}

const Table* Database::findTable(std::string_view name) const
{
    for (const Table& table : m_tables)
        if (equalsIgnoreCase(table.name, name))
            return &table;
    return nullptr;
}

std::vector<Row> Database::readRows(std::string_view tableName) const
{
    const Table* table = findTable(tableName);
    if (!table)
        throw Error("no table " + inQuotes(tableName) + " in the SQLite 2 file");
    return readRows(*table);
}

std::vector<Row> Database::readRows(const Table& table) const
{
    TreeWalker walker(m_image, m_byteOrder, m_pageCount, m_rootPages);
    return readTree(walker, table.rootPage, table.name, table.columns.size(), table.rowidColumn);
}

bool hasSqlite2Header(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char head[HeaderTextSize] = {};
    if (!in.read(head, sizeof head))
        return false;
    return std::memcmp(head, HeaderText, HeaderTextSize) == 0;
}

bool hasHotJournal(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path journal(path + "-journal");
    if (!std::filesystem::is_regular_file(journal, error))
        return false;
    const auto size = std::filesystem::file_size(journal, error);
    return !error && size > 0;
}

}  // namespace kelvara::sqlite2
