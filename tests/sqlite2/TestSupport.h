#pragma once

#include "Sqlite2Reader.h"

#include <cstdint>
#include <map>
#include <ostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelvara::sqlite2 {

// Readable parameter names in test output.
inline void PrintTo(ByteOrder order, std::ostream* out)
{
    *out << (order == ByteOrder::BigEndian ? "big-endian" : "little-endian");
}

}  // namespace kelvara::sqlite2

namespace kelvara::sqlite2::test {

using Bytes = std::vector<std::uint8_t>;
using Values = std::vector<std::optional<std::string>>;

std::string fixturePath(const std::string& name);
Bytes readFile(const std::string& path);

// The rows and CREATE statements of an SQLite 2 ".dump", in file order.
struct Dump {
    std::vector<std::string> tableOrder;
    std::map<std::string, std::string> createSql;    // without the trailing ';'
    std::map<std::string, std::vector<Values>> rows;
};
Dump parseDump(const std::string& text);

// Record bytes as SQLite 2 lays them out: offset table, then NUL-terminated texts.
std::string makeRecord(const Values& fields);

// The 4-byte key of a table row: big-endian, sign bit flipped.
std::string rowKey(std::int32_t rowid);
// An index entry's key: 'a' for NULL or 'c' and the text, each ending in NUL, then the row key.
std::string indexKey(const Values& fields, std::int32_t rowid);

// Hand-built SQLite 2 images, for shapes the fixtures do not have (deep trees, huge rows)
// and for damage that needs exact placement.
class ImageBuilder {
public:
    struct Cell {
        Cell(std::int32_t rowid, std::string record, std::uint32_t leftChild = 0,
             std::vector<std::uint32_t> overflowPages = {})
            : rowid(rowid), record(std::move(record)), leftChild(leftChild),
              overflowPages(std::move(overflowPages))
        {
        }
        std::int32_t rowid;
        std::string record;
        std::string key;  // an index entry's whole key (record then empty); "" for a table row
        std::uint32_t leftChild;
        std::vector<std::uint32_t> overflowPages;  // used when the payload does not fit
    };

    ImageBuilder(std::uint32_t pageCount, ByteOrder order = ByteOrder::LittleEndian,
                 std::uint32_t fileFormat = 4);

    void set16(std::uint32_t page, std::size_t offset, std::uint32_t value);
    void set32(std::uint32_t page, std::size_t offset, std::uint32_t value);

    // Writes a whole b-tree page. Cells are linked in the given (key) order; with
    // scatter they are placed back to front so that link order differs from placement.
    // Returns the offset each cell was placed at.
    std::vector<std::size_t> writePage(std::uint32_t page, std::uint32_t rightChild,
                                       const std::vector<Cell>& cells, bool scatter = false);

    // sqlite_master at page 2 listing (name, root page, CREATE text) tables.
    struct TableEntry {
        std::string name;
        std::uint32_t root;
        std::string sql;
    };
    void writeMaster(const std::vector<TableEntry>& tables);

    const Bytes& bytes() const { return m_bytes; }

private:
    std::uint8_t* at(std::uint32_t page, std::size_t offset);

    Bytes m_bytes;
    bool m_bigEndian;
};

}  // namespace kelvara::sqlite2::test
