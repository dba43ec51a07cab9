// Damaged and hostile files: each must end in the reader's own error naming the page where
// the damage is, never in a crash, a hang or a read outside the image.
#include "Sqlite2Reader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace kelvara::sqlite2 {
namespace {

using test::Bytes;
using test::ImageBuilder;
using test::makeRecord;

constexpr std::size_t Page = Database::PageSize;

const Bytes& fixture()
{
    static const Bytes bytes = test::readFile(test::fixturePath("catalogue-v2.db"));
    return bytes;
}

// Opens the image and reads every table, as the migration does.
void readEverything(const Bytes& image)
{
    const Database db = Database::fromBytes(image);
    for (const Table& table : db.tables())
        db.readRows(table);
}

void expectDamage(const Bytes& image, std::uint32_t page, const std::string& detail)
{
    try {
        readEverything(image);
    } catch (const CorruptError& e) {
        const std::string message = e.what();
        EXPECT_EQ(e.page(), page) << message;
        EXPECT_NE(message.find("page " + std::to_string(page) + ":"), std::string::npos) << message;
        EXPECT_NE(message.find(detail), std::string::npos) << message;
        return;
    }
    ADD_FAILURE() << "damage at page " << page << " (" << detail << ") went unnoticed";
}

// Little-endian patching of the x86 fixture.
void put16(Bytes& image, std::size_t position, std::uint32_t value)
{
    image.at(position) = static_cast<std::uint8_t>(value);
    image.at(position + 1) = static_cast<std::uint8_t>(value >> 8);
}

void put32(Bytes& image, std::size_t position, std::uint32_t value)
{
    put16(image, position, value & 0xFFFF);
    put16(image, position + 2, value >> 16);
}

std::size_t at(std::uint32_t page, std::size_t offset)
{
    return (page - 1) * Page + offset;
}

// Fixture layout: 2 sqlite_master (its kompresory entry overflows to 6), 3 Marki, 4 Modele,
// 5 kompresory (row 5 at offset 0x124 overflows to 8 -> 9 -> 10), 7 kolumny.
// Marki's first cell is at offset 8; its record (03 03 09 "Alpha\0") starts at offset 24.
constexpr std::size_t MarkiCell = 8;
constexpr std::size_t MarkiRecord = MarkiCell + 12 + 4;

TEST(Sqlite2Truncated, EachCutNamesThePageItBreaks)
{
    const auto cut = [](std::size_t size) { return Bytes(fixture().begin(), fixture().begin() + size); };
    expectDamage(cut(500), 1, "truncated");
    expectDamage(cut(5000), 5, "ends 904 bytes into this page");
    // Whole pages missing: the first link into the missing part is the fault.
    expectDamage(cut(5 * Page), 2, "link to page 6 is outside the file");
    expectDamage(cut(7 * Page), 5, "link to page 8 is outside the file");
    expectDamage(cut(9 * Page), 9, "link to page 10 is outside the file");
}

TEST(Sqlite2Truncated, ShortOrForeignHeadersAreNotSqlite2)
{
    for (std::size_t size : {0, 20, 47}) {
        try {
            Database::fromBytes(Bytes(fixture().begin(), fixture().begin() + static_cast<long>(size)));
            ADD_FAILURE() << size << "-byte file accepted";
        } catch (const CorruptError& e) {
            ADD_FAILURE() << "a short file is reported as damage: " << e.what();
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("not an SQLite 2"), std::string::npos);
        }
    }
    Bytes sqlite3 = fixture();
    const char v3[] = "SQLite format 3";
    std::copy(v3, v3 + sizeof v3, sqlite3.begin());
    EXPECT_THROW(Database::fromBytes(sqlite3), Error);
}

TEST(Sqlite2Header, ByteOrderMarkAndFileFormatAreChecked)
{
    Bytes noMark = fixture();
    put32(noMark, 48, 0x12345678);
    expectDamage(noMark, 1, "byte-order mark");

    Bytes future = fixture();
    put32(future, 64, 5);
    expectDamage(future, 1, "file format 5");
}

TEST(Sqlite2Links, LoopsAreCaughtAtThePageHoldingTheLink)
{
    // On a leaf, any child link (looping or not) already makes the page neither leaf nor
    // interior page.
    Bytes rightToSelf = fixture();
    put32(rightToSelf, at(3, 0), 3);
    expectDamage(rightToSelf, 3, "has no child page on an interior page");

    Bytes leftToSelf = fixture();
    put32(leftToSelf, at(4, 8), 4);
    expectDamage(leftToSelf, 4, "has a child page on a leaf page");

    Bytes overflowToSelf = fixture();
    put32(overflowToSelf, at(8, 0), 8);
    expectDamage(overflowToSelf, 8, "already read");

    Bytes overflowBack = fixture();
    put32(overflowBack, at(9, 0), 8);
    expectDamage(overflowBack, 9, "link to page 8");
}

TEST(Sqlite2Links, LinksIntoTheHeaderOrAnotherTreeAreRefused)
{
    // Row 5 of kompresory (page 5, offset 0x124) overflows: its link sits at offset 248.
    Bytes toHeader = fixture();
    put32(toHeader, at(5, 0x124 + 248), 1);
    expectDamage(toHeader, 5, "file header");

    Bytes toKolumny = fixture();
    put32(toKolumny, at(5, 0x124 + 248), 7);
    expectDamage(toKolumny, 5, "root of another table");

    Bytes overflowIntoRoot = fixture();
    put32(overflowIntoRoot, at(9, 0), 7);
    expectDamage(overflowIntoRoot, 9, "root of another table");
}

TEST(Sqlite2Cells, OffsetsOutsideThePageOrOverlappingAreRefused)
{
    for (std::uint32_t offset : {1020u, 1012u, 10u, 4u}) {
        Bytes image = fixture();
        put16(image, at(3, 4), offset);
        SCOPED_TRACE(offset);
        expectDamage(image, 3, "cell offset " + std::to_string(offset) + " is out of range");
    }

    Bytes selfLinked = fixture();
    put16(selfLinked, at(3, MarkiCell + 6), MarkiCell);
    expectDamage(selfLinked, 3, "overlaps");

    Bytes pastEnd = fixture();
    put16(pastEnd, at(3, 4), 1004);
    put16(pastEnd, at(3, 1004 + 4), 4);
    put16(pastEnd, at(3, 1004 + 6), 0);
    put16(pastEnd, at(3, 1004 + 10), 20);
    expectDamage(pastEnd, 3, "runs past the end of the page");

    Bytes wideKey = fixture();
    put16(wideKey, at(3, MarkiCell + 4), 5);
    expectDamage(wideKey, 3, "5-byte key");

    // A cell that grows runs into the page's free space.
    Bytes hugeRecord = fixture();
    hugeRecord.at(at(3, 0x98 + 9)) = 0x20;
    expectDamage(hugeRecord, 3, "free block at offset 184 overlaps a cell");
}

TEST(Sqlite2Cells, RowsOutOfKeyOrderAreRefused)
{
    Bytes image = fixture();
    image.at(at(3, 0x24 + 12 + 3)) = 0x01;  // Marki's second key now repeats rowid 1
    expectDamage(image, 3, "rowid 1 follows rowid 1");
}

TEST(Sqlite2Records, OffsetTablesThatDisagreeAreRefused)
{
    struct Case {
        std::size_t byte;
        std::uint8_t value;
        const char* detail;
    };
    // 03 03 09 "Alpha\0": field 0 NULL (the rowid column), field 1 "Alpha".
    const Case cases[] = {
        {0, 0x04, " has 3 fields but table \"Marki\" has 2 columns"},
        {0, 0x00, ": offset table size 0"},
        {0, 0x0A, ": offset table size 10"},
        {1, 0x0A, ": field 0 spans bytes 3..10"},
        {2, 0x08, ": field 1 is not a single NUL-terminated text"},
        {2, 0x0A, ": field 1 spans bytes 3..10"},
        {1, 0x04, ": field 0 is not a single NUL-terminated text"},
    };
    for (const Case& c : cases) {
        Bytes image = fixture();
        image.at(at(3, MarkiRecord + c.byte)) = c.value;
        SCOPED_TRACE(c.detail);
        expectDamage(image, 3, std::string("record of rowid 1") + c.detail);
    }
    // Offsets that stop short of the record's end.
    Bytes shortFields = fixture();
    shortFields.at(at(3, MarkiRecord + 2)) = 0x08;
    shortFields.at(at(3, MarkiRecord + 7)) = 0x00;
    expectDamage(shortFields, 3, "fields end at byte 8 but the record has 9 bytes");

    // Dropping the terminator, leaving offsets alone.
    Bytes unterminated = fixture();
    unterminated.at(at(3, MarkiRecord + 8)) = '!';
    expectDamage(unterminated, 3, "not a single NUL-terminated text");

    // In a row that overflows, the fault is reported at the page holding the cell.
    Bytes longRow = fixture();
    put16(longRow, at(5, 0x124 + 12 + 4 + 2), 0xFFFF);
    expectDamage(longRow, 5, "record of rowid 5: field 0 spans");
}

TEST(Sqlite2Schema, BadSchemaEntriesNamePage2)
{
    Bytes badRoot = fixture();
    badRoot.at(at(2, 0x30)) = 'Z';  // Marki's rootpage text "3"
    expectDamage(badRoot, 2, "\"Marki\" has root page Z");

    Bytes sharedRoot = fixture();
    sharedRoot.at(at(2, 0x9A)) = '3';  // Modele's rootpage text "4"
    expectDamage(sharedRoot, 2, "share root page 3");
}

TEST(Sqlite2Built, LoopBackToAnAncestorIsCaught)
{
    ImageBuilder image(6);
    image.writeMaster({{"t", 3, "create table t(id INTEGER PRIMARY KEY, v)"}});
    const auto cell = [](std::int32_t rowid, std::uint32_t left = 0) {
        return ImageBuilder::Cell{rowid, makeRecord({std::nullopt, "v"}), left};
    };
    image.writePage(3, 5, {cell(10, 4)});
    image.writePage(4, 3, {cell(5, 6)});  // its right child is the root again
    image.writePage(5, 0, {cell(20)});
    image.writePage(6, 0, {cell(3)});
    expectDamage(image.bytes(), 4, "link to page 3");
}

TEST(Sqlite2Built, APageSharedByTwoTablesIsRefusedOnOpen)
{
    // Reading each table alone would succeed; together they claim page 5 twice.
    ImageBuilder image(7);
    image.writeMaster({{"a", 3, "create table a(v)"}, {"b", 4, "create table b(v)"}});
    image.writePage(3, 5, {{2, makeRecord({"a"}), 6}});
    image.writePage(4, 5, {{2, makeRecord({"b"}), 7}});
    image.writePage(5, 0, {{3, makeRecord({"shared"})}});
    image.writePage(6, 0, {{1, makeRecord({"a"})}});
    image.writePage(7, 0, {{1, makeRecord({"b"})}});
    expectDamage(image.bytes(), 4, "link to page 5 leads to a page already read");
}

TEST(Sqlite2Built, OverflowChainThatEndsEarlyIsCaught)
{
    ImageBuilder image(5);
    image.writeMaster({{"t", 3, "create table t(v)"}});
    image.writePage(3, 0, {{1, makeRecord({std::string(2000, 'x')}), 0, {4, 5}}});
    Bytes bytes = image.bytes();
    ASSERT_NO_THROW(readEverything(bytes));
    put32(bytes, at(4, 0), 0);
    expectDamage(bytes, 4, "ends 753 bytes short");
}

TEST(Sqlite2Built, PayloadLargerThanTheFileIsRefusedBeforeReading)
{
    ImageBuilder image(4);
    image.writeMaster({{"t", 3, "create table t(v)"}});
    image.writePage(3, 0, {{1, makeRecord({std::string(500, 'x')}), 0, {4}}});
    Bytes bytes = image.bytes();
    bytes.at(at(3, 8 + 9)) = 0x0F;  // ~1 MB of data in a 4-page file
    expectDamage(bytes, 3, "more than the file holds");
}

// Every single-byte change and every cut of the fixture either reads or ends in the reader's
// error; anything else (a crash, std::out_of_range, bad_alloc) fails. Under the sanitizer
// build this also proves no byte outside the image is touched.
TEST(Sqlite2Sweep, EveryByteFlipAndEveryCutIsHandled)
{
    std::size_t refused = 0;
    std::size_t read = 0;
    const auto attempt = [&](const Bytes& image) {
        try {
            readEverything(image);
            ++read;
        } catch (const Error&) {
            ++refused;
        }
    };
    for (std::size_t i = 0; i < fixture().size(); ++i) {
        Bytes image = fixture();
        image[i] ^= 0xFF;
        attempt(image);
        image[i] = 0;
        attempt(image);
    }
    for (std::size_t size = 0; size < fixture().size(); size += 128)
        attempt(Bytes(fixture().begin(), fixture().begin() + static_cast<long>(size)));
    // Both outcomes must occur: changes in free space are harmless, changes to structure not.
    RecordProperty("refused", static_cast<int>(refused));
    RecordProperty("read", static_cast<int>(read));
    EXPECT_GT(refused, 1000u);
    EXPECT_GT(read, 1000u);
}

// A table with an index and a free list, then one change each: every page must stay
// accounted for and every index must agree with its table.
struct StructureCase {
    const char* name;
    void (*change)(test::ImageBuilder&);
    std::uint32_t page;
    const char* detail;
};

// Index t_v on page 4: one entry per (value, rowid).
void writeIndex(test::ImageBuilder& image, const std::vector<test::Values>& values,
                const std::vector<std::int32_t>& rowids)
{
    std::vector<test::ImageBuilder::Cell> entries;
    for (std::size_t i = 0; i < rowids.size(); ++i) {
        entries.emplace_back(0, "");
        entries.back().key = test::indexKey(values[i], rowids[i]);
    }
    image.writePage(4, 0, entries);
}

test::Bytes structuredImage(void (*change)(test::ImageBuilder&))
{
    ImageBuilder image(8);
    image.writePage(2, 0,
                    {{1, makeRecord({"table", "t", "t", "3",
                                     "create table t(id INTEGER PRIMARY KEY, v text)"})},
                     {2, makeRecord({"index", "t_v", "t", "4", "CREATE INDEX t_v ON t (v)"})}});
    image.writePage(3, 0,
                    {{1, makeRecord({std::nullopt, "b"})},
                     {2, makeRecord({std::nullopt, "a"})},
                     {3, makeRecord({std::nullopt, std::nullopt})}});
    writeIndex(image, {{std::nullopt}, {"a"}, {"b"}}, {3, 2, 1});
    // Free list: trunk 5 lists pages 6, 7 and 8.
    image.set32(1, 52, 5);
    image.set32(1, 56, 4);
    image.set32(5, 4, 3);
    image.set32(5, 8, 6);
    image.set32(5, 12, 7);
    image.set32(5, 16, 8);
    if (change)
        change(image);
    return image.bytes();
}

class Structure : public testing::TestWithParam<StructureCase> {};

TEST_P(Structure, EveryPageAccountedForAndIndexesAgree)
{
    const StructureCase& c = GetParam();
    expectDamage(structuredImage(c.change), c.page, c.detail);
}

TEST(Sqlite2Structure, TheUndamagedImageReads)
{
    const Database db = Database::fromBytes(structuredImage(nullptr));
    EXPECT_EQ(db.readRows("t").size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Sqlite2, Structure,
    testing::Values(
        StructureCase{"IndexTextDiffers",
                      [](test::ImageBuilder& i) {
                          writeIndex(i, {{std::nullopt}, {"a"}, {"c"}}, {3, 2, 1});
                      },
                      4, "column v of rowid 1 is 'b' in the table but 'c' in the index"},
        StructureCase{"IndexLacksARow",
                      [](test::ImageBuilder& i) { writeIndex(i, {{std::nullopt}, {"a"}}, {3, 2}); },
                      4, "has no entry for rowid 1"},
        StructureCase{"IndexNamesAMissingRow",
                      [](test::ImageBuilder& i) {
                          writeIndex(i, {{std::nullopt}, {"a"}, {"b"}, {"z"}}, {3, 2, 1, 9});
                      },
                      4, "stands for rowid 9, which table \"t\" does not hold"},
        StructureCase{"RowsDroppedFromTheTable",
                      [](test::ImageBuilder& i) { i.writePage(3, 0, {}); },
                      4, "stands for rowid 3, which table"},
        StructureCase{"FreeCountWrong", [](test::ImageBuilder& i) { i.set32(1, 56, 5); }, 1,
                      "counts 5 free pages but the free list holds 4"},
        StructureCase{"PageOnNoList",
                      [](test::ImageBuilder& i) {
                          i.set32(5, 4, 2);
                          i.set32(1, 56, 3);
                      },
                      8, "belongs to no table, index, overflow chain or the free list"},
        StructureCase{"FreePageAlsoInATree", [](test::ImageBuilder& i) { i.set32(5, 12, 4); }, 5,
                      "free page link to page 4 leads"},
        StructureCase{"ZeroedRoot",
                      [](test::ImageBuilder& i) { i.writePage(3, 0, {}); i.set16(3, 6, 0); },
                      3, "an all-zero page"},
        StructureCase{"LeavesAtTwoDepths",
                      [](test::ImageBuilder& i) {
                          // Root 3: row 2 with leaf 6 on its left; right child 7, an
                          // interior page with leaves 5 and 8: one level deeper.
                          const auto row = [](std::int32_t id, std::uint32_t left = 0) {
                              return test::ImageBuilder::Cell{
                                  id, makeRecord({std::nullopt, "v"}), left};
                          };
                          i.writePage(3, 7, {row(2, 6)});
                          i.writePage(6, 0, {row(1)});
                          i.writePage(7, 8, {row(4, 5)});
                          i.writePage(5, 0, {row(3)});
                          i.writePage(8, 0, {row(5)});
                          i.set32(1, 52, 0);
                          i.set32(1, 56, 0);
                      },
                      5, "leaf page at depth 3 of a tree whose other leaves are at depth 2"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvara::sqlite2
