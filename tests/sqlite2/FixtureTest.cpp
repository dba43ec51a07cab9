#include "Cp1250.h"
#include "Sqlite2Reader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace kelvara::sqlite2 {
namespace {

using test::Dump;
using test::fixturePath;

const Dump& dump()
{
    static const Dump parsed = [] {
        const test::Bytes text = test::readFile(fixturePath("catalogue-v2.sql"));
        return test::parseDump(std::string(text.begin(), text.end()));
    }();
    return parsed;
}

struct FixtureCase {
    const char* file;
    ByteOrder order;
};

void PrintTo(const FixtureCase& c, std::ostream* out)
{
    *out << c.file;
}

class FixtureTest : public testing::TestWithParam<FixtureCase> {
protected:
    Database open() const { return Database::openFile(fixturePath(GetParam().file)); }
};

TEST(Sqlite2Dump, ParserSeesEveryTable)
{
    // Guards the comparison below against a dump parser that silently finds nothing.
    const Dump& d = dump();
    ASSERT_EQ(d.tableOrder, (std::vector<std::string>{"Marki", "Modele", "kompresory", "kolumny"}));
    EXPECT_EQ(d.rows.at("Marki").size(), 6u);
    EXPECT_EQ(d.rows.at("Modele").size(), 6u);
    EXPECT_EQ(d.rows.at("kompresory").size(), 7u);
    EXPECT_EQ(d.rows.at("kolumny").size(), 1u);
    EXPECT_EQ(d.rows.at("kompresory")[1][4], std::optional<std::string>(""));
    EXPECT_EQ(d.rows.at("kompresory")[1][8], std::nullopt);
    EXPECT_EQ(d.rows.at("Marki")[4][1], std::optional<std::string>("Alfa \"Romeo\""));
}

TEST_P(FixtureTest, HeaderAndSchema)
{
    const Database db = open();
    EXPECT_EQ(db.byteOrder(), GetParam().order);
    EXPECT_EQ(db.fileFormat(), 4u);
    EXPECT_EQ(db.pageCount(), 10u);

    std::vector<std::string> names;
    for (const Table& table : db.tables()) {
        names.push_back(table.name);
        EXPECT_EQ(table.sql, dump().createSql.at(table.name)) << table.name;
    }
    EXPECT_EQ(names, dump().tableOrder);

    const Table* marki = db.findTable("Marki");
    ASSERT_NE(marki, nullptr);
    EXPECT_EQ(marki->rootPage, 3u);
    ASSERT_EQ(marki->columns.size(), 2u);
    EXPECT_EQ(marki->columns[0].name, "id_marki");
    EXPECT_EQ(marki->columns[0].type, "INTEGER");
    EXPECT_EQ(marki->columns[1].name, "marka");
    EXPECT_EQ(marki->rowidColumn, 0);

    // kompresory's CREATE text continues on an overflow page; its last column proves it.
    const Table* kompresory = db.findTable("kompresory");
    ASSERT_NE(kompresory, nullptr);
    ASSERT_EQ(kompresory->columns.size(), 11u);
    EXPECT_EQ(kompresory->columns.back().name, "netto");
    EXPECT_EQ(kompresory->columns.back().type, "numeric");

    const Table* kolumny = db.findTable("KOLUMNY");
    ASSERT_NE(kolumny, nullptr);
    EXPECT_EQ(kolumny->name, "kolumny");
    EXPECT_EQ(kolumny->rowidColumn, -1);
    ASSERT_EQ(kolumny->columns.size(), 9u);
    EXPECT_EQ(kolumny->columns[0].name, "manufacturer");
    EXPECT_EQ(kolumny->columns[8].name, "price");
    EXPECT_EQ(kolumny->columns[8].type, "");
}

TEST_P(FixtureTest, EveryRowEqualsTheDump)
{
    const Database db = open();
    for (const std::string& name : dump().tableOrder) {
        const std::vector<test::Values>& expected = dump().rows.at(name);
        const std::vector<Row> rows = db.readRows(name);
        ASSERT_EQ(rows.size(), expected.size()) << name;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].values.size(), expected[r].size()) << name << " row " << r;
            for (std::size_t c = 0; c < expected[r].size(); ++c)
                EXPECT_EQ(rows[r].values[c], expected[r][c])
                    << name << " row " << r << " column " << c;
            // kolumny has no rowid alias, so its rowid is only in the key.
            EXPECT_EQ(rows[r].rowid, static_cast<std::int32_t>(r + 1)) << name;
        }
    }
}

TEST_P(FixtureTest, LongRowUsesTwoByteOffsetsAndThreeOverflowPages)
{
    const std::vector<Row> rows = open().readRows("kompresory");
    ASSERT_GE(rows.size(), 5u);
    const auto& nrkv = rows[4].values[7];
    ASSERT_TRUE(nrkv.has_value());
    EXPECT_EQ(nrkv->size(), 3000u);
    EXPECT_EQ(nrkv->substr(0, 11), "LONG-00000|");
    EXPECT_EQ(nrkv->substr(nrkv->size() - 8), "|00498|0");
    EXPECT_EQ(rows[4].values[8], std::optional<std::string>("250"));
}

INSTANTIATE_TEST_SUITE_P(Sqlite2, FixtureTest,
                         testing::Values(FixtureCase{"catalogue-v2.db", ByteOrder::LittleEndian},
                                         FixtureCase{"catalogue-v2-bigendian.db",
                                                     ByteOrder::BigEndian}),
                         [](const auto& info) {
                             return info.param.order == ByteOrder::BigEndian ? "BigEndian"
                                                                             : "LittleEndian";
                         });

TEST(Sqlite2Fixture, BigEndianFileReadsLikeLittleEndian)
{
    const Database little = Database::openFile(fixturePath("catalogue-v2.db"));
    const Database big = Database::openFile(fixturePath("catalogue-v2-bigendian.db"));
    ASSERT_EQ(little.tables().size(), big.tables().size());
    for (std::size_t t = 0; t < little.tables().size(); ++t) {
        const Table& a = little.tables()[t];
        const Table& b = big.tables()[t];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.rootPage, b.rootPage);
        EXPECT_EQ(a.sql, b.sql);
        const std::vector<Row> rowsA = little.readRows(a);
        const std::vector<Row> rowsB = big.readRows(b);
        ASSERT_EQ(rowsA.size(), rowsB.size()) << a.name;
        for (std::size_t r = 0; r < rowsA.size(); ++r) {
            EXPECT_EQ(rowsA[r].rowid, rowsB[r].rowid);
            EXPECT_EQ(rowsA[r].values, rowsB[r].values) << a.name << " row " << r;
        }
    }
}

TEST(Sqlite2Fixture, UnknownTableOrFileIsAPlainError)
{
    const Database db = Database::openFile(fixturePath("catalogue-v2.db"));
    EXPECT_EQ(db.findTable("sqlite_master"), nullptr);
    try {
        db.readRows("Klienci");
        FAIL() << "no error for an unknown table";
    } catch (const CorruptError&) {
        FAIL() << "an unknown table is not damage";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Klienci"), std::string::npos);
    }
    EXPECT_THROW(Database::openFile(fixturePath("no-such-file.db")), Error);
}

TEST(Sqlite2Fixture, Cp1250RowsConvertToTheirUtf8Twins)
{
    // The fixture stores some names twice: typed in UTF-8 and in cp1250.
    const std::vector<Row> marki =
        Database::openFile(fixturePath("catalogue-v2.db")).readRows("Marki");
    ASSERT_EQ(marki.size(), 6u);
    EXPECT_EQ(cp1250ToUtf8(*marki[2].values[1]), *marki[1].values[1]);  // Škoda
    EXPECT_EQ(cp1250ToUtf8(*marki[5].values[1]), "\xC5\x81" "ada \xC5\xBB\xC3\xB3\xC5\x82\xC4\x87");
    // Already-UTF-8 text is not what the conversion is for: it gets mangled, not kept.
    EXPECT_NE(cp1250ToUtf8(*marki[3].values[1]), *marki[3].values[1]);
}

class Sqlite2FileHelpers : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("kelvara-sqlite2-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string write(const std::string& name, const std::string& content) const
    {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::filesystem::path m_dir;
};

TEST_F(Sqlite2FileHelpers, HeaderTextIdentifiesSqlite2Files)
{
    EXPECT_TRUE(hasSqlite2Header(fixturePath("catalogue-v2.db")));
    EXPECT_TRUE(hasSqlite2Header(fixturePath("catalogue-v2-bigendian.db")));
    EXPECT_FALSE(hasSqlite2Header(write("v3.db", std::string("SQLite format 3\0", 16) +
                                                     std::string(100, '\0'))));
    EXPECT_FALSE(hasSqlite2Header(write("short.db", "** This file contains an SQLite 2.1")));
    EXPECT_FALSE(hasSqlite2Header(write("empty.db", "")));
    EXPECT_FALSE(hasSqlite2Header((m_dir / "missing.db").string()));
}

TEST_F(Sqlite2FileHelpers, OnlyANonEmptyJournalIsHot)
{
    const std::string db = write("old.db", "x");
    EXPECT_FALSE(hasHotJournal(db));
    write("old.db-journal", "");
    EXPECT_FALSE(hasHotJournal(db));
    write("old.db-journal", "\xd9\xd5\x05\xf9\x20\xa1\x63\xd6");
    EXPECT_TRUE(hasHotJournal(db));
    EXPECT_FALSE(hasHotJournal(write("other.db", "x")));
}

}  // namespace
}  // namespace kelvara::sqlite2
