// The row the operator sees selected is the row Edit and Remove change: whether it was
// selected by a click or by the keys, after a search that failed half-way, with ids beyond
// 32 bits, and when the dialog that would edit it cannot open.

#include "CatalogTest.h"
#include "Dialog.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <fstream>
#include <stdexcept>

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
        m_vw = m_db.insertManufacturer("VW");
        m_golf = m_db.insertModel(m_vw, "Golf");
    }

    CCatalogDlg& openOnGolf()
    {
        CCatalogDlg& dlg = openMainWindow();
        seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
        seam::pick(dlg, IDC_MODEL_LIST, "Golf");
        clearStatements();
        Seam::clearMessages();
        return dlg;
    }

    // A compressor whose part number is "KV-" and its id, so each row tells whose it is.
    void insertWithId(const std::string& id, long long model)
    {
        m_db.exec("insert into kompresory values (" + id + ", " + std::to_string(model) +
                  ", '1.6', '1998', '2003', 'T', 'OE', 'KV-" + id + "', 1, 2, 3)");
    }

    // The part number of each listed row; "KV-" + id for the rows this file inserts.
    std::vector<std::string> parts(CCatalogDlg& dlg)
    {
        std::vector<std::string> out;
        for (const auto& row : seam::listRows(dlg, IDC_RESULTS))
            out.push_back(row.at(5));
        return out;
    }

    // The id the highlighted row shows, or "" when no row is highlighted.
    std::string highlightedId(CCatalogDlg& dlg)
    {
        const int row = seam::listSelection(dlg, IDC_RESULTS);
        return row < 0 ? std::string() : parts(dlg).at(static_cast<size_t>(row)).substr(3);
    }

    void clickPart(CCatalogDlg& dlg, const std::string& part)
    {
        const auto listed = parts(dlg);
        for (size_t row = 0; row < listed.size(); ++row) {
            if (listed[row] == part) {
                seam::clickListRow(dlg, IDC_RESULTS, static_cast<int>(row));
                return;
            }
        }
        throw std::logic_error(part + " is not listed");
    }

    std::vector<std::string> storedIds()
    {
        std::vector<std::string> ids;
        for (const auto& row : m_db.query("select id_kompresora from kompresory order by id_kompresora"))
            ids.push_back(row[0].value());
        return ids;
    }

    long long m_vw = 0, m_golf = 0;
};

}  // namespace

TEST_F(SelectedRowTest, TheKeysMoveTheSelectedCompressorWithTheHighlight)
{
    for (int i = 1; i <= 30; ++i)
        insertWithId(std::to_string(i), m_golf);
    const long long bmw = m_db.insertManufacturer("BMW");
    insertWithId("31", m_db.insertModel(bmw, "E46"));
    CCatalogDlg& dlg = openOnGolf();

    // Each key moves the highlight; the compressor Edit and Remove act on follows it.
    seam::pressKey(dlg, IDC_RESULTS, Key::Down);
    ASSERT_NE(seam::listSelection(dlg, IDC_RESULTS), -1);
    EXPECT_EQ(g_strCompressorId, highlightedId(dlg));
    for (Key key : {Key::Home, Key::Down, Key::Down, Key::End, Key::Home, Key::PageDown, Key::PageDown, Key::Up, Key::PageUp}) {
        const int before = seam::listSelection(dlg, IDC_RESULTS);
        seam::pressKey(dlg, IDC_RESULTS, key);
        EXPECT_NE(seam::listSelection(dlg, IDC_RESULTS), before) << static_cast<int>(key);
        EXPECT_EQ(g_strCompressorId, highlightedId(dlg)) << static_cast<int>(key);
    }
    // A click, then the keys from there.
    clickPart(dlg, "KV-20");
    EXPECT_EQ(g_strCompressorId, "20");
    seam::pressKey(dlg, IDC_RESULTS, Key::Down);
    EXPECT_EQ(g_strCompressorId, "19");

    Seam::answerMessageBox(IDYES);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    ASSERT_EQ(takeMessages(), std::vector<std::string>{"Are you sure that you want to delete this compressor?"});
    std::vector<std::string> expected;
    for (int i = 1; i <= 31; ++i) {
        if (i != 19)
            expected.push_back(std::to_string(i));
    }
    EXPECT_EQ(storedIds(), expected);

    // Typing a row's first letter: in a type search the BMW row comes before the VW rows.
    seam::type(dlg, IDC_SEARCH_TYPE, "t");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    clickPart(dlg, "KV-5");
    seam::typeKey(dlg, IDC_RESULTS, 'b');
    EXPECT_EQ(highlightedId(dlg), "31");
    EXPECT_EQ(g_strCompressorId, "31");
    std::string loaded;
    Seam::onNextDialog([&](CDialog& d) { loaded = seam::text(d, IDC_PART_NO); });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(loaded, "KV-31");

    // The list emptied (another manufacturer picked): nothing is selected, no compressor.
    clickPart(dlg, "KV-7");
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "BMW");
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());
    EXPECT_EQ(g_strCompressorId, "");
    EXPECT_EQ(storedIds().size(), 30u);
}

TEST_F(SelectedRowTest, ARowQueryThatFailsHalfWayLeavesEveryListedRowWithItsOwnId)
{
    // Rows wide enough to spread over many pages; the count reads only an index.
    for (int i = 1; i <= 300; ++i)
        insertWithId(std::to_string(i), m_golf);
    m_db.exec("update kompresory set pojemnosc = substr(hex(zeroblob(200)), 1, 300)");
    const Rows leaves = m_db.query(
        "select pageno from dbstat where name = 'kompresory' and pagetype = 'leaf' order by pageno");
    ASSERT_GT(leaves.size(), 10u);
    const long page = std::stol(leaves[leaves.size() * 2 / 3][0].value());
    const long pageSize = std::stol(m_db.scalar("pragma page_size").value());
    m_db = kelvara::test::RawDb(":memory:");
    {
        std::fstream file(m_catalogue.path(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp((page - 1) * pageSize);
        file << std::string(static_cast<size_t>(pageSize), '\xff');
    }
    m_db = kelvara::test::RawDb(m_catalogue.path());

    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"SQLITE_CORRUPT[11]: database disk image is malformed"});
    const auto listed = parts(dlg);
    ASSERT_GT(listed.size(), 150u);
    ASSERT_LT(listed.size(), 300u);
    EXPECT_EQ(g_nCompressorCount, static_cast<std::int32_t>(listed.size()));
    for (size_t row : {size_t{0}, listed.size() / 2, listed.size() - 1}) {
        seam::clickListRow(dlg, IDC_RESULTS, static_cast<int>(row));
        EXPECT_EQ("KV-" + g_strCompressorId, listed[row]);
    }

    // The bottom row is compressor 1; Remove deletes it and nothing else.
    const std::string counted = std::to_string(300 - listed.size() + 1);  // what the stale count named
    Seam::answerMessageBox(IDYES);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"Are you sure that you want to delete this compressor?",
                                                        "SQLITE_CORRUPT[11]: database disk image is malformed"}));
    EXPECT_EQ(m_db.query("select id_kompresora from kompresory where id_kompresora in (1, " + counted + ")"),
              (Rows{{counted}}));
    EXPECT_EQ(g_nCompressorCount, static_cast<std::int32_t>(listed.size() - 1));
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), listed.size() - 1);
    EXPECT_EQ(g_strCompressorId, "");
}

TEST_F(SelectedRowTest, IdsBeyond32BitsAreKeptExactly)
{
    const std::vector<std::string> ids{"-7", "1", "2147483648", "4294967297", "9223372036854775807"};
    for (const std::string& id : ids)
        insertWithId(id, m_golf);
    CCatalogDlg& dlg = openOnGolf();
    for (const std::string& id : ids) {
        clickPart(dlg, "KV-" + id);
        EXPECT_EQ(g_strCompressorId, id);
    }

    // Edit changes the row clicked, and only it.
    clickPart(dlg, "KV-2147483648");
    std::string loaded;
    Seam::onNextDialog([&](CDialog& d) {
        loaded = seam::text(d, IDC_PART_NO);
        seam::type(d, IDC_CAPACITY, "2.0");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(loaded, "KV-2147483648");
    EXPECT_EQ(m_db.query("select id_kompresora from kompresory where pojemnosc = '2.0'"), (Rows{{"2147483648"}}));

    for (const char* id : {"4294967297", "9223372036854775807", "-7"}) {
        clickPart(dlg, "KV-" + std::string(id));
        Seam::answerMessageBox(IDYES);
        seam::click(dlg, IDC_REMOVE_COMPRESSOR);
        EXPECT_EQ(m_db.query("select 1 from kompresory where id_kompresora = " + std::string(id)), Rows{}) << id;
    }
    EXPECT_EQ(storedIds(), (std::vector<std::string>{"1", "2147483648"}));
    EXPECT_EQ(parts(dlg), (std::vector<std::string>{"KV-2147483648", "KV-1"}));
    EXPECT_EQ(takeMessages().size(), 3u);  // the three confirmations, nothing else
}

TEST_F(SelectedRowTest, AnEditDialogThatCannotOpenEndsItsCommand)
{
    insertWithId("1", m_golf);
    insertWithId("2", m_golf);
    CCatalogDlg& dlg = openOnGolf();
    clickPart(dlg, "KV-1");
    theDb.applyBusyTimeout(300);  // only tests shorten it
    auto holder = holdLock(60000);

    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    // One wait, one message; no refresh; the clicked compressor still the selected one.
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"SQLITE_BUSY[5]: database is locked"});
    ASSERT_EQ(statements().size(), 1u);
    EXPECT_EQ(statements()[0].rfind("select kompresory.pojemnosc", 0), 0u);
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_EQ(g_strCompressorId, "1");
    EXPECT_EQ(highlightedId(dlg), "1");
    holder->kill();
    holder->wait();

    // Once the lock is gone, the same command edits the same compressor.
    Seam::onNextDialog([&](CDialog& d) {
        seam::type(d, IDC_CAPACITY, "2.0");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(m_db.query("select id_kompresora, pojemnosc from kompresory order by 1"),
              (Rows{{"1", "2.0"}, {"2", "1.6"}}));
    EXPECT_TRUE(takeMessages().empty());
}
