// Shapes the small fixtures never reach: deep trees whose interior cells are rows, rows of
// every offset width, old file formats.
#include "Sqlite2Reader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace kelvara::sqlite2 {
namespace {

using test::ImageBuilder;
using test::makeRecord;
using test::Values;

ImageBuilder::Cell rowCell(std::int32_t rowid, std::uint32_t leftChild = 0)
{
    const std::string name = "n" + std::to_string(rowid);
    return {rowid, makeRecord({std::nullopt, name, rowid % 2 ? std::nullopt : std::optional(name)}),
            leftChild};
}

std::vector<std::int32_t> rowids(const std::vector<Row>& rows)
{
    std::vector<std::int32_t> ids;
    for (const Row& row : rows)
        ids.push_back(row.rowid);
    return ids;
}

class ThreeLevelTree : public testing::TestWithParam<ByteOrder> {};

TEST_P(ThreeLevelTree, InteriorCellsAreRowsInKeyOrder)
{
    // page 3: cell 10 (left 4); right 6
    // page 4: cell 5 (left 7); right 8     page 6: cell 20 (left 5); right 9
    // page 7: -3, 1, 2   page 8: 6, 7      page 5: 11, 12   page 9: 21
    ImageBuilder image(9, GetParam());
    image.writeMaster({{"t", 3, "create table t(id INTEGER PRIMARY KEY, name, note)"}});
    image.writePage(3, 6, {rowCell(10, 4)});
    image.writePage(4, 8, {rowCell(5, 7)});
    image.writePage(6, 9, {rowCell(20, 5)});
    image.writePage(5, 0, {rowCell(11), rowCell(12)}, true);
    image.writePage(9, 0, {rowCell(21)});
    image.writePage(7, 0, {rowCell(-3), rowCell(1), rowCell(2)}, true);
    image.writePage(8, 0, {rowCell(6), rowCell(7)});

    const Database db = Database::fromBytes(image.bytes());
    EXPECT_EQ(db.byteOrder(), GetParam());
    const std::vector<Row> rows = db.readRows("t");
    EXPECT_EQ(rowids(rows), (std::vector<std::int32_t>{-3, 1, 2, 5, 6, 7, 10, 11, 12, 20, 21}));
    for (const Row& row : rows) {
        const std::string name = "n" + std::to_string(row.rowid);
        ASSERT_EQ(row.values.size(), 3u);
        EXPECT_EQ(row.values[0], std::to_string(row.rowid));
        EXPECT_EQ(row.values[1], name);
        EXPECT_EQ(row.values[2], row.rowid % 2 ? std::nullopt : std::optional(name));
    }
}

INSTANTIATE_TEST_SUITE_P(Sqlite2, ThreeLevelTree,
                         testing::Values(ByteOrder::LittleEndian, ByteOrder::BigEndian),
                         [](const auto& info) {
                             return info.param == ByteOrder::BigEndian ? "BigEndian"
                                                                       : "LittleEndian";
                         });

TEST(Sqlite2Rowid, ExtremeKeysDecode)
{
    ImageBuilder image(3);
    image.writeMaster({{"t", 3, "create table t(id INTEGER PRIMARY KEY, v)"}});
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    const std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    image.writePage(3, 0,
                    {{lowest, makeRecord({std::nullopt, "a"})},
                     {-1, makeRecord({std::nullopt, "b"})},
                     {0, makeRecord({std::nullopt, "c"})},
                     {highest, makeRecord({std::nullopt, "d"})}});
    const std::vector<Row> rows = Database::fromBytes(image.bytes()).readRows("t");
    EXPECT_EQ(rowids(rows), (std::vector<std::int32_t>{lowest, -1, 0, highest}));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].values[0], std::optional<std::string>("-2147483648"));
    EXPECT_EQ(rows[3].values[0], std::optional<std::string>("2147483647"));
}

// Record lengths on both sides of the 256 and 65536 boundaries, which switch the offset width.
class RecordWidth : public testing::TestWithParam<ByteOrder> {};

TEST_P(RecordWidth, OffsetWidthFollowsRecordLength)
{
    struct Case {
        std::size_t textLength;
        std::size_t recordLength;
        std::size_t width;
    };
    // Two columns, the second NULL: record = 3 offsets + text + NUL. Lengths 256-258 and
    // 65536-65538 cannot occur: widening the offsets itself adds 3 bytes.
    const std::vector<Case> cases = {
        {251, 255, 1}, {252, 259, 2}, {65528, 65535, 2}, {65529, 65539, 3}, {300000, 300010, 3}};

    std::uint32_t nextPage = 6;
    std::vector<ImageBuilder::Cell> cells;
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::string text(cases[i].textLength, '\0');
        for (std::size_t k = 0; k < text.size(); ++k)
            text[k] = static_cast<char>('a' + (k * 7 + i) % 26);
        const std::string record = makeRecord({text, std::nullopt});
        ASSERT_EQ(record.size(), cases[i].recordLength);
        ASSERT_EQ(static_cast<unsigned char>(record[0]), 3 * cases[i].width);
        ImageBuilder::Cell cell{static_cast<std::int32_t>(i + 1), record};
        const std::size_t overflow = (4 + record.size() - 236 + 1019) / 1020;
        for (std::size_t k = 0; k < overflow; ++k)
            cell.overflowPages.push_back(nextPage + static_cast<std::uint32_t>(overflow - 1 - k));
        nextPage += static_cast<std::uint32_t>(overflow);
        cells.push_back(std::move(cell));
        texts.push_back(std::move(text));
    }
    // Every cell overflows (252 bytes each), so they are spread over a two-level tree whose
    // interior cell overflows as well.
    ImageBuilder image(nextPage - 1, GetParam());
    image.writeMaster({{"w", 3, "create table w(a text, b text)"}});
    cells[2].leftChild = 4;
    image.writePage(3, 5, {cells[2]});
    image.writePage(4, 0, {cells[0], cells[1]}, true);
    image.writePage(5, 0, {cells[3], cells[4]});

    const std::vector<Row> rows = Database::fromBytes(image.bytes()).readRows("w");
    ASSERT_EQ(rows.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(rows[i].rowid, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(rows[i].values[0], texts[i]) << "text of " << cases[i].textLength << " bytes";
        EXPECT_EQ(rows[i].values[1], std::nullopt);
    }
}

INSTANTIATE_TEST_SUITE_P(Sqlite2, RecordWidth,
                         testing::Values(ByteOrder::LittleEndian, ByteOrder::BigEndian),
                         [](const auto& info) {
                             return info.param == ByteOrder::BigEndian ? "BigEndian"
                                                                       : "LittleEndian";
                         });

TEST(Sqlite2Record, EmptyStringsAndNullsStayApart)
{
    ImageBuilder image(3);
    image.writeMaster({{"t", 3, "create table t(a, b, c, d)"}});
    image.writePage(3, 0, {{1, makeRecord({"", std::nullopt, "x", ""})}});
    const std::vector<Row> rows = Database::fromBytes(image.bytes()).readRows("t");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].values, (Values{"", std::nullopt, "x", ""}));
}

TEST(Sqlite2FileFormat, BeforeFormat2IntegerPrimaryKeyIsAStoredColumn)
{
    const auto build = [](std::uint32_t format) {
        ImageBuilder image(3, ByteOrder::LittleEndian, format);
        image.writeMaster({{"t", 3, "create table t(id INTEGER PRIMARY KEY, v)"}});
        image.writePage(3, 0, {{-1952300, makeRecord({"77", "seventy-seven"})}});
        return image.bytes();
    };
    const Database old = Database::fromBytes(build(1));
    EXPECT_EQ(old.fileFormat(), 1u);
    EXPECT_EQ(old.tables().at(0).rowidColumn, -1);
    const std::vector<Row> rows = old.readRows("t");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].rowid, -1952300);
    EXPECT_EQ(rows[0].values, (Values{"77", "seventy-seven"}));

    // From format 2 on, a stored value there means the schema and the rows disagree.
    try {
        Database::fromBytes(build(2));
        ADD_FAILURE() << "stored value in the rowid column was not reported";
    } catch (const CorruptError& e) {
        EXPECT_EQ(e.page(), 3u) << e.what();
    }
}

TEST(Sqlite2Schema, EmptyTablesAndEmptyFiles)
{
    ImageBuilder image(3);
    image.writeMaster({{"t", 3, "create table t(a)"}});
    image.writePage(3, 0, {});  // no cells: one free block fills the page
    const Database db = Database::fromBytes(image.bytes());
    ASSERT_EQ(db.tables().size(), 1u);
    EXPECT_TRUE(db.readRows("t").empty());

    // A file that was created but never written to has page 1 only.
    const Database fresh = Database::fromBytes(ImageBuilder(1, ByteOrder::LittleEndian, 0).bytes());
    EXPECT_EQ(fresh.pageCount(), 1u);
    EXPECT_TRUE(fresh.tables().empty());
}

TEST(Sqlite2Schema, IndexesViewsAndTriggersAreNotTables)
{
    ImageBuilder image(4);
    image.writePage(2, 0,
                    {{1, makeRecord({"table", "t", "t", "3", "create table t(a unique)"})},
                     {2, makeRecord({"index", "(t autoindex 1)", "t", "4", std::nullopt})},
                     {3, makeRecord({"view", "v", "v", "0", "create view v as select a from t"})},
                     {4, makeRecord({"trigger", "g", "t", "0",
                                     "create trigger g after insert on t begin select 1; end"})}});
    image.writePage(3, 0, {{1, makeRecord({"x"})}});
    ImageBuilder::Cell entry{0, ""};
    entry.key = test::indexKey({"x"}, 1);
    image.writePage(4, 0, {entry});
    const Database db = Database::fromBytes(image.bytes());
    ASSERT_EQ(db.tables().size(), 1u);
    EXPECT_EQ(db.tables()[0].name, "t");
    EXPECT_EQ(db.readRows("t").at(0).values, (Values{"x"}));
}

}  // namespace
}  // namespace kelvara::sqlite2
