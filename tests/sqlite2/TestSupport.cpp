#include "TestSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kelvara::sqlite2::test {

std::string fixturePath(const std::string& name)
{
    return std::string(KELVARA_SQLITE2_FIXTURES) + "/" + name;
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {

// Splits the dump into statements at ';' outside quotes.
std::vector<std::string> statements(const std::string& text)
{
    std::vector<std::string> out;
    std::string current;
    bool inString = false;
    for (char c : text) {
        if (c == '\'')
            inString = !inString;  // a doubled quote toggles twice
        if (c == ';' && !inString) {
            const auto first = current.find_first_not_of(" \t\r\n");
            out.push_back(first == std::string::npos ? std::string() : current.substr(first));
            current.clear();
        } else {
            current += c;
        }
    }
    return out;
}

bool startsWithNoCase(const std::string& s, const std::string& prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

Values parseValues(const std::string& list)
{
    Values values;
    std::size_t i = 0;
    for (;;) {
        while (i < list.size() && list[i] == ' ')
            ++i;
        if (i >= list.size())
            throw std::runtime_error("dump value list ends early: " + list);
        if (list[i] == '\'') {
            std::string text;
            ++i;
            for (;;) {
                if (i >= list.size())
                    throw std::runtime_error("unterminated string in dump");
                if (list[i] == '\'') {
                    if (i + 1 < list.size() && list[i + 1] == '\'') {
                        text += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += list[i++];
            }
            values.emplace_back(std::move(text));
        } else {
            const std::size_t end = list.find_first_of(",)", i);
            const std::string word = list.substr(i, end - i);
            if (word == "NULL")
                values.emplace_back(std::nullopt);
            else
                values.emplace_back(word);  // numbers are compared by their text
            i = end;
        }
        if (i < list.size() && list[i] == ',') {
            ++i;
            continue;
        }
        if (i < list.size() && list[i] == ')')
            return values;
        throw std::runtime_error("unexpected text in dump value list: " + list);
    }
}

}  // namespace

Dump parseDump(const std::string& text)
{
    Dump dump;
    for (const std::string& statement : statements(text)) {
        if (startsWithNoCase(statement, "create table ")) {
            const std::size_t begin = std::strlen("create table ");
            const std::size_t end = statement.find('(', begin);
            const std::string name = statement.substr(begin, end - begin);
            dump.tableOrder.push_back(name);
            dump.createSql[name] = statement;
        } else if (startsWithNoCase(statement, "INSERT INTO ")) {
            const std::size_t begin = std::strlen("INSERT INTO ");
            const std::size_t open = statement.find(" VALUES(", begin);
            if (open == std::string::npos)
                throw std::runtime_error("unexpected INSERT in dump: " + statement);
            const std::string name = statement.substr(begin, open - begin);
            dump.rows[name].push_back(parseValues(statement.substr(open + 8)));
        }
    }
    return dump;
}

std::string makeRecord(const Values& fields)
{
    std::size_t dataSize = 0;
    for (const auto& field : fields)
        dataSize += field ? field->size() + 1 : 0;
    const std::size_t slots = fields.size() + 1;
    std::size_t width = 1;
    while (!((width == 1 && slots + dataSize < 256) ||
             (width == 2 && slots * 2 + dataSize < 65536) || width == 3))
        ++width;
    std::string record(slots * width, '\0');
    std::size_t offset = slots * width;
    auto putOffset = [&](std::size_t index, std::size_t value) {
        for (std::size_t b = 0; b < width; ++b)
            record[index * width + b] = static_cast<char>((value >> (8 * b)) & 0xFF);
    };
    for (std::size_t k = 0; k < fields.size(); ++k) {
        putOffset(k, offset);
        if (fields[k]) {
            record += *fields[k];
            record += '\0';
            offset += fields[k]->size() + 1;
        }
    }
    putOffset(fields.size(), offset);
    return record;
}

std::string rowKey(std::int32_t rowid)
{
    std::string key(4, '\0');
    const auto biased = static_cast<std::uint32_t>(rowid) ^ 0x80000000u;
    for (int b = 0; b < 4; ++b)
        key[static_cast<std::size_t>(b)] = static_cast<char>(biased >> (24 - 8 * b));
    return key;
}

std::string indexKey(const Values& fields, std::int32_t rowid)
{
    std::string key;
    for (const auto& field : fields)
        key += field ? "c" + *field + '\0' : std::string("a\0", 2);
    return key + rowKey(rowid);
}

ImageBuilder::ImageBuilder(std::uint32_t pageCount, ByteOrder order, std::uint32_t fileFormat)
    : m_bytes(std::size_t{pageCount} * Database::PageSize, 0),
      m_bigEndian(order == ByteOrder::BigEndian)
{
    const char header[] = "** This file contains an SQLite 2.1 database **";
    std::memcpy(m_bytes.data(), header, sizeof header);
    set32(1, 48, 0xDAE37528u);
    set32(1, 64, fileFormat);
}

std::uint8_t* ImageBuilder::at(std::uint32_t page, std::size_t offset)
{
    const std::size_t position = std::size_t{page - 1} * Database::PageSize + offset;
    if (page == 0 || position >= m_bytes.size())
        throw std::logic_error("image builder: write outside the image");
    return m_bytes.data() + position;
}

void ImageBuilder::set16(std::uint32_t page, std::size_t offset, std::uint32_t value)
{
    std::uint8_t* p = at(page, offset + 1) - 1;
    p[m_bigEndian ? 0 : 1] = static_cast<std::uint8_t>(value >> 8);
    p[m_bigEndian ? 1 : 0] = static_cast<std::uint8_t>(value);
}

void ImageBuilder::set32(std::uint32_t page, std::size_t offset, std::uint32_t value)
{
    std::uint8_t* p = at(page, offset + 3) - 3;
    for (int i = 0; i < 4; ++i)
        p[m_bigEndian ? 3 - i : i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::size_t> ImageBuilder::writePage(std::uint32_t page, std::uint32_t rightChild,
                                                 const std::vector<Cell>& cells, bool scatter)
{
    constexpr std::size_t localLimit = 236;
    std::vector<std::size_t> sizes;
    for (const Cell& cell : cells) {
        const std::size_t payload =
            (cell.key.empty() ? 4 : cell.key.size()) + cell.record.size();
        sizes.push_back(payload <= localLimit ? 12 + (payload + 3) / 4 * 4 : 252);
    }
    std::vector<std::size_t> offsets(cells.size());
    std::size_t next = 8;
    for (std::size_t n = 0; n < cells.size(); ++n) {
        const std::size_t i = scatter ? cells.size() - 1 - n : n;
        offsets[i] = next;
        next += sizes[i];
    }
    if (next > Database::PageSize)
        throw std::logic_error("image builder: cells do not fit the page");

    std::memset(at(page, 0), 0, Database::PageSize);
    set32(page, 0, rightChild);
    set16(page, 4, cells.empty() ? 0 : static_cast<std::uint32_t>(offsets[0]));
    // The rest of the page is one free block, so that cells and free space fill it.
    if (next < Database::PageSize) {
        set16(page, 6, static_cast<std::uint32_t>(next));
        set16(page, next, static_cast<std::uint32_t>(Database::PageSize - next));
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        const std::size_t o = offsets[i];
        const std::size_t dataSize = cell.record.size();
        set32(page, o, cell.leftChild);
        set16(page, o + 4, cell.key.empty() ? 4 : static_cast<std::uint32_t>(cell.key.size()));
        set16(page, o + 6, i + 1 < cells.size() ? static_cast<std::uint32_t>(offsets[i + 1]) : 0);
        *at(page, o + 8) = 0;
        *at(page, o + 9) = static_cast<std::uint8_t>(dataSize >> 16);
        set16(page, o + 10, static_cast<std::uint32_t>(dataSize & 0xFFFF));

        std::string payload = (cell.key.empty() ? rowKey(cell.rowid) : cell.key) + cell.record;

        const std::size_t local = std::min(payload.size(), localLimit);
        std::memcpy(at(page, o + 12), payload.data(), local);
        if (payload.size() <= localLimit)
            continue;
        if (cell.overflowPages.empty())
            throw std::logic_error("image builder: cell needs overflow pages");
        set32(page, o + 248, cell.overflowPages.front());
        std::size_t done = local;
        for (std::size_t k = 0; k < cell.overflowPages.size(); ++k) {
            const std::uint32_t ovfl = cell.overflowPages[k];
            const std::size_t chunk = std::min<std::size_t>(payload.size() - done, 1020);
            std::memset(at(ovfl, 0), 0, Database::PageSize);
            set32(ovfl, 0, k + 1 < cell.overflowPages.size() ? cell.overflowPages[k + 1] : 0);
            std::memcpy(at(ovfl, 4), payload.data() + done, chunk);
            done += chunk;
        }
        if (done != payload.size())
            throw std::logic_error("image builder: too few overflow pages");
    }
    return offsets;
}

void ImageBuilder::writeMaster(const std::vector<TableEntry>& tables)
{
    std::vector<Cell> cells;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const TableEntry& t = tables[i];
        cells.push_back({static_cast<std::int32_t>(i + 1),
                         makeRecord({"table", t.name, t.name, std::to_string(t.root), t.sql})});
    }
    writePage(2, 0, cells);
}

}  // namespace kelvara::sqlite2::test
