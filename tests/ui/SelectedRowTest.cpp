// The row the operator sees selected is the row Edit and Remove change: selected by the keys,
// after a search that failed half-way, with ids beyond 32 bits, and when the dialog that would
// edit it cannot open.

#include "CatalogTest.h"
#include "Dialog.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <algorithm>
#include <fstream>

using platform::test::Key;
using platform::test::Seam;
namespace seam = platform::test;
using kelvara::test::Rows;

namespace {

class SelectedRowTest : public CatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        m_golf = m_db.insertModel(m_db.insertManufacturer("VW"), "Golf");
    }


    // Its part number is "KV-" and its id, so each listed row tells whose it is.
    void insertWithId(const std::string& id, long long model)
    {
        m_db.exec("insert into kompresory values (" + id + ", " + std::to_string(model) +
                  ", '1.6', '1998', '2003', 'T', 'OE', 'KV-" + id + "', 1, 2, 3)");
    }

    // The ids the listed rows show, top down.
    std::vector<std::string> listedIds(CCatalogDlg& dlg)
    {
        std::vector<std::string> ids;
        for (const auto& row : seam::listRows(dlg, IDC_RESULTS))
            ids.push_back(row.at(5).substr(3));
        return ids;
    }

    std::string highlightedId(CCatalogDlg& dlg)
    {
        const int row = seam::listSelection(dlg, IDC_RESULTS);
        return row < 0 ? std::string() : listedIds(dlg).at(static_cast<size_t>(row));
    }

    void clickId(CCatalogDlg& dlg, const std::string& id)
    {
        const auto ids = listedIds(dlg);
        const auto at = std::find(ids.begin(), ids.end(), id);
        ASSERT_NE(at, ids.end()) << id;
        seam::clickListRow(dlg, IDC_RESULTS, static_cast<int>(at - ids.begin()));
    }

    Rows storedIds() { return m_db.query("select id_kompresora from kompresory order by id_kompresora"); }

    void removeSelected(CCatalogDlg& dlg)
    {
        Seam::answerMessageBox(IDYES);
        seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    }

    long long m_golf = 0;
};

}  // namespace

TEST_F(SelectedRowTest, TheKeysMoveTheSelectedCompressorWithTheHighlight)
{
    for (int i = 1; i <= 30; ++i)
        insertWithId(std::to_string(i), m_golf);
    insertWithId("31", m_db.insertModel(m_db.insertManufacturer("BMW"), "E46"));
    CCatalogDlg& dlg = openOnGolf();

    for (Key key : {Key::Down, Key::Home, Key::Down, Key::End, Key::PageUp, Key::Home, Key::PageDown, Key::Up}) {
        const int before = seam::listSelection(dlg, IDC_RESULTS);
        seam::pressKey(dlg, IDC_RESULTS, key);
        EXPECT_NE(seam::listSelection(dlg, IDC_RESULTS), before) << static_cast<int>(key);
        EXPECT_EQ(g_strCompressorId, highlightedId(dlg)) << static_cast<int>(key);
    }
    clickId(dlg, "20");
    seam::pressKey(dlg, IDC_RESULTS, Key::Down);
    EXPECT_EQ(g_strCompressorId, "19");
    removeSelected(dlg);
    Rows expected;
    for (int i = 1; i <= 31; ++i) {
        if (i != 19)
            expected.push_back({std::to_string(i)});
    }
    EXPECT_EQ(storedIds(), expected);

    // A row's first letter: in a type search the BMW row stands before the VW rows.
    seam::type(dlg, IDC_SEARCH_TYPE, "t");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    clickId(dlg, "5");
    seam::typeKey(dlg, IDC_RESULTS, 'b');
    EXPECT_EQ(highlightedId(dlg), "31");
    removeSelected(dlg);
    expected.pop_back();
    EXPECT_EQ(storedIds(), expected);

    // The list emptied by another manufacturer: no row highlighted, no compressor.
    clickId(dlg, "7");
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "BMW");
    EXPECT_EQ(g_strCompressorId, "");
}

TEST_F(SelectedRowTest, ARowQueryThatFailsHalfWayLeavesEveryListedRowWithItsOwnId)
{
    // Rows wide enough for many pages; one page two thirds in is overwritten. The count reads
    // only an index and finds all 300.
    for (int i = 1; i <= 300; ++i)
        insertWithId(std::to_string(i), m_golf);
    m_db.exec("update kompresory set pojemnosc = hex(zeroblob(150))");
    const Rows leaves = m_db.query("select pageno from dbstat where name = 'kompresory' and pagetype = 'leaf'");
    const long page = std::stol(leaves.at(leaves.size() * 2 / 3)[0].value());
    const long pageSize = std::stol(m_db.scalar("pragma page_size").value());
    m_db = kelvara::test::RawDb(":memory:");
    std::fstream(m_catalogue.path(), std::ios::in | std::ios::out | std::ios::binary).seekp((page - 1) * pageSize)
        << std::string(static_cast<size_t>(pageSize), '\xff');
    m_db = kelvara::test::RawDb(m_catalogue.path());

    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"SQLITE_CORRUPT[11]: database disk image is malformed"});
    const auto listed = listedIds(dlg);
    ASSERT_GT(listed.size(), 150u);
    ASSERT_LT(listed.size(), 300u);
    EXPECT_EQ(g_nCompressorCount, static_cast<std::int32_t>(listed.size()));
    for (size_t row : {size_t{0}, listed.size() / 2, listed.size() - 1}) {
        seam::clickListRow(dlg, IDC_RESULTS, static_cast<int>(row));
        EXPECT_EQ(g_strCompressorId, listed[row]);
    }

    // The bottom row is compressor 1, not the one the counted 300 would name.
    const std::string counted = std::to_string(300 - listed.size() + 1);
    removeSelected(dlg);
    EXPECT_EQ(m_db.query("select id_kompresora from kompresory where id_kompresora in (1, " + counted + ")"),
              (Rows{{counted}}));
    EXPECT_EQ(g_nCompressorCount, static_cast<std::int32_t>(listed.size() - 1));
    EXPECT_EQ(listedIds(dlg).size(), listed.size() - 1);
}

TEST_F(SelectedRowTest, IdsBeyond32BitsAreKeptExactly)
{
    for (const char* id : {"-7", "1", "2147483648", "4294967297", "9223372036854775807"})
        insertWithId(id, m_golf);
    CCatalogDlg& dlg = openOnGolf();

    clickId(dlg, "2147483648");
    EXPECT_EQ(g_strCompressorId, "2147483648");
    Seam::onNextDialog([&](CDialog& d) {
        EXPECT_EQ(seam::text(d, IDC_PART_NO), "KV-2147483648");
        seam::type(d, IDC_CAPACITY, "2.0");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(m_db.query("select id_kompresora from kompresory where pojemnosc = '2.0'"), (Rows{{"2147483648"}}));

    for (const char* id : {"4294967297", "9223372036854775807", "-7"}) {
        clickId(dlg, id);
        EXPECT_EQ(g_strCompressorId, id);
        removeSelected(dlg);
    }
    EXPECT_EQ(storedIds(), (Rows{{"1"}, {"2147483648"}}));
    EXPECT_EQ(listedIds(dlg), (std::vector<std::string>{"2147483648", "1"}));
    EXPECT_EQ(takeMessages().size(), 3u);  // the three confirmations, nothing else
}

TEST_F(SelectedRowTest, AnEditDialogThatCannotOpenEndsItsCommand)
{
    insertWithId("1", m_golf);
    insertWithId("2", m_golf);
    CCatalogDlg& dlg = openOnGolf();
    clickId(dlg, "1");
    theDb.applyBusyTimeout(300);  // only tests shorten it
    auto holder = holdLock(60000);

    // One wait, one message, no refresh; the clicked compressor still the selected one.
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"SQLITE_BUSY[5]: database is locked"});
    ASSERT_EQ(statements().size(), 1u);
    EXPECT_EQ(statements()[0], sent().currentCompressor(false));
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_EQ(g_strCompressorId, "1");
    EXPECT_EQ(highlightedId(dlg), "1");

    holder->kill();
    holder->wait();
    Seam::onNextDialog([&](CDialog& d) {
        seam::type(d, IDC_CAPACITY, "2.0");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(m_db.query("select id_kompresora, pojemnosc from kompresory"), (Rows{{"1", "2.0"}, {"2", "1.6"}}));
}
