// The two compressor searches, the result rows and the clicked row.

#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"

using platform::test::Seam;
namespace seam = platform::test;
using kelvara::test::CompressorRow;

namespace {

// Column 3 of each list row: the compressor type (every column is shown by default).
std::vector<std::string> column(const std::vector<std::vector<std::string>>& rows, size_t c)
{
    std::vector<std::string> out;
    for (const auto& row : rows)
        out.push_back(row.at(c));
    return out;
}

}  // namespace

class SearchTest : public EngineCatalogTest {};

TEST_P(SearchTest, TypeSearchRunsItsStatementsAndUpperCasesTheType)
{
    const long long audi = m_db.insertManufacturer("Audi");
    const long long a4 = m_db.insertModel(audi, "A4");
    m_db.insertCompressor(a4, compressor("ABC", "KV-upper"));
    m_db.insertCompressor(a4, compressor("abc", "KV-lower"));
    CCatalogDlg& dlg = openMainWindow();
    clearStatements();

    seam::type(dlg, IDC_SEARCH_TYPE, "abc");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    EXPECT_EQ(statements(),
              (std::vector<std::string>{sent().countCompressorsOfType("ABC"), sent().compressorsOfType("ABC")}));
    const auto rows = seam::listRows(dlg, IDC_RESULTS);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][5], "KV-upper");
    // The edit keeps what was typed.
    EXPECT_EQ(seam::text(dlg, IDC_SEARCH_TYPE), "abc");

    // Letters beyond ASCII are upper-cased too.
    m_db.insertCompressor(a4, compressor("ŻÓŁW-7", "KV-utf8"));
    seam::type(dlg, IDC_SEARCH_TYPE, "żółw-7");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    ASSERT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 1u);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS)[0][5], "KV-utf8");
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(SearchTest, TypeSearchNeedsAText)
{
    const long long audi = m_db.insertManufacturer("Audi");
    const long long a4 = m_db.insertModel(audi, "A4");
    m_db.insertCompressor(a4, compressor(" ", "KV-blank"));
    m_db.insertCompressor(a4, compressor("X1"));
    CCatalogDlg& dlg = openMainWindow();

    // One space is a type like any other.
    seam::type(dlg, IDC_SEARCH_TYPE, " ");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    ASSERT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 1u);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS)[0][5], "KV-blank");

    // An empty text is refused and the rows stay.
    clearStatements();
    seam::type(dlg, IDC_SEARCH_TYPE, "");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, "You need to enter compressor type to look for.");
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type, MB_OK);
    EXPECT_TRUE(statements().empty());
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 1u);
}

TEST_P(SearchTest, TypeSearchListsManufacturersAndModelsAscending)
{
    // The query orders descending and every row goes in at the top: the list ascends.
    const long long bmw = m_db.insertManufacturer("BMW");
    const long long audi = m_db.insertManufacturer("Audi");
    m_db.insertCompressor(m_db.insertModel(bmw, "X5"), compressor("T1"));
    m_db.insertCompressor(m_db.insertModel(audi, "A6"), compressor("T1"));
    m_db.insertCompressor(m_db.insertModel(audi, "A4"), compressor("T1"));
    m_db.insertCompressor(m_db.insertModel(audi, "A8"), compressor("OTHER"));
    CCatalogDlg& dlg = openMainWindow();
    seam::type(dlg, IDC_SEARCH_TYPE, "t1");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    EXPECT_EQ(column(seam::listRows(dlg, IDC_RESULTS), 0),
              (std::vector<std::string>{"Audi A4", "Audi A6", "BMW X5"}));
    EXPECT_EQ(g_nCompressorCount, 3);
}

TEST_P(SearchTest, CarSearchRowsClicksAndIds)
{
    const long long alpha = m_db.insertManufacturer("Alpha");
    const long long beta = m_db.insertModel(alpha, "Beta");
    const long long other = m_db.insertModel(alpha, "Gamma");
    const long long r1 = m_db.insertCompressor(beta, {"1.4", "1998", "2003", "SD7V16", "OE-1", "KV-1", "1", "2", "3"});
    const long long r2 = m_db.insertCompressor(beta, compressor("T2", "KV-2"));
    const long long r3 = m_db.insertCompressor(beta, {std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                                      std::nullopt, "KV-3", std::nullopt, std::nullopt, std::nullopt});
    m_db.insertCompressor(other, compressor("T9", "KV-9"));
    CCatalogDlg& dlg = openMainWindow();

    // Nothing happens without both selections.
    clearStatements();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Alpha");
    dlg.SearchByModel();
    EXPECT_EQ(statements().size(), 1u);  // only the model list
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());

    g_strCompressorId = "77";
    clearStatements();
    seam::pick(dlg, IDC_MODEL_LIST, "Beta");
    EXPECT_EQ(statements(), (std::vector<std::string>{sent().countCompressorsOfCar("Alpha", "Beta"),
                                                      sent().compressorsOfCar("Alpha", "Beta")}));
    // A car search leaves no compressor selected, though rows were found.
    EXPECT_EQ(g_strCompressorId, "");

    // Rows in the reverse of the query's order (by id here): R3, R2, R1 from the top.
    const auto rows = seam::listRows(dlg, IDC_RESULTS);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(column(rows, 5), (std::vector<std::string>{"KV-3", "KV-2", "KV-1"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"Alpha Beta", "1.4", "1998 - 2003", "SD7V16", "OE-1", "KV-1", "1",
                                                 "2", "3"}));
    // NULLs show as empty texts.
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Alpha Beta", "", " - ", "", "", "KV-3", "", "", ""}));

    ASSERT_EQ(g_nCompressorCount, 3);
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    EXPECT_EQ(g_strCompressorId, std::to_string(r3));
    EXPECT_EQ(g_pCompressorIds[2], r3);
    seam::clickListRow(dlg, IDC_RESULTS, 2);
    EXPECT_EQ(g_strCompressorId, std::to_string(r1));
    seam::clickListRow(dlg, IDC_RESULTS, 1);
    EXPECT_EQ(g_strCompressorId, std::to_string(r2));

    // A click below the rows selects nothing, and no compressor.
    seam::clickListEmptyArea(dlg, IDC_RESULTS);
    EXPECT_EQ(seam::listSelection(dlg, IDC_RESULTS), -1);
    EXPECT_EQ(g_strCompressorId, "");

    // A type search leaves no compressor selected either.
    seam::clickListRow(dlg, IDC_RESULTS, 1);
    seam::type(dlg, IDC_SEARCH_TYPE, "t9");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    EXPECT_EQ(g_strCompressorId, "");
    EXPECT_EQ(column(seam::listRows(dlg, IDC_RESULTS), 5), std::vector<std::string>{"KV-9"});
}

TEST_P(SearchTest, OnlyThePriceColumnShowsTheNetPriceFirst)
{
    m_db.exec("update kolumny set manufacturer=0, capacity=0, year=0, type=0, common=0, kelvara=0, jobber=0, "
              "deposit=0, price=1");
    const long long a = m_db.insertManufacturer("A");
    m_db.insertCompressor(m_db.insertModel(a, "B"), {"1", "2", "3", "T", "C", "K", "10.5", "2", "99.90"});
    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, 0);
    seam::pick(dlg, IDC_MODEL_LIST, 0);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS), (std::vector<std::vector<std::string>>{{"99.90"}}));
}

TEST_P(SearchTest, HostileValuesFindExactlyTheirOwnRows)
{
    // Names and types that plain double quotes would turn into column references or break.
    const std::vector<std::string> names{"marka", "MODEL", "rowid", "Say \"hi\"", "O'Brien", "typ", "Škoda – Ünï"};
    std::vector<long long> models;
    for (const std::string& name : names) {
        const long long m = m_db.insertManufacturer(name);
        const long long model = m_db.insertModel(m, name);
        m_db.insertCompressor(model, compressor(name, "KV-" + name));
        models.push_back(model);
    }
    // Decoys whose values differ.
    const long long decoy = m_db.insertManufacturer("Decoy");
    m_db.insertCompressor(m_db.insertModel(decoy, "Decoy"), compressor("DECOY", "KV-decoy"));
    CCatalogDlg& dlg = openMainWindow();

    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        seam::pick(dlg, IDC_MANUFACTURER_LIST, static_cast<int>(i));
        seam::pick(dlg, IDC_MODEL_LIST, names[i]);
        const auto rows = seam::listRows(dlg, IDC_RESULTS);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][5], "KV-" + names[i]);
    }
    EXPECT_TRUE(takeMessages().empty());

    // By type: stored upper-case values only, each exactly.
    m_db.exec("update kompresory set typ = upper(typ)");
    for (const std::string& type : {std::string("TYP"), std::string("MARKA"), std::string("SAY \"HI\""),
                                    std::string("O'BRIEN"), std::string("ROWID")}) {
        SCOPED_TRACE(type);
        seam::type(dlg, IDC_SEARCH_TYPE, type);
        seam::click(dlg, IDC_FIND_COMPRESSORS);
        const auto rows = seam::listRows(dlg, IDC_RESULTS);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][3], type);
    }
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(SearchTest, RowsInsertedBetweenCountAndRowsAreLeftOutAndSaidSo)
{
    if (onServer())
        GTEST_SKIP() << "a server runs the rows right behind the count, sent together: no write can be placed "
                        "between them from here";
    const long long a = m_db.insertManufacturer("A");
    const long long b = m_db.insertModel(a, "B");
    m_db.insertCompressor(b, compressor("T", "KV-1"));
    m_db.insertCompressor(b, compressor("T", "KV-2"));
    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, 0);

    // Another program adds rows right after the count ran.
    std::vector<long long> added;
    bool counted = false;
    theDb.setStatementTrace([&](const char* sql) {
        if (counted && std::string(sql).rfind("select kompresory.id_kompresora", 0) == 0) {
            for (int i = 0; i < 40; ++i)
                added.push_back(m_db.insertCompressor(b, compressor("T", "KV-new" + std::to_string(i))));
            counted = false;
        }
        if (std::string(sql).rfind("select count(*)", 0) == 0)
            counted = true;
    });
    seam::pick(dlg, IDC_MODEL_LIST, 0);
    theDb.setStatementTrace(nullptr);

    // The array holds the two counted: the rows after them are not listed, and the operator
    // is told why.
    ASSERT_EQ(added.size(), 40u);
    const auto rows = seam::listRows(dlg, IDC_RESULTS);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(g_nCompressorCount, 2);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"The catalogue changed during the search: more compressors "
                                                       "were found than counted, and only the first 2 are listed. "
                                                       "Search again to list them all."});
    seam::clickListRow(dlg, IDC_RESULTS, 1);
    EXPECT_EQ(rows[1][5], "KV-1");
    EXPECT_EQ(g_strCompressorId, m_db.scalar("select id_kompresora from kompresory where nrkv = 'KV-1'").value());

    // And rows removed in between: the ids still match the rows shown.
    theDb.setStatementTrace([&](const char* sql) {
        if (std::string(sql).rfind("select kompresory.id_kompresora", 0) == 0)
            m_db.exec("delete from kompresory where nrkv like 'KV-new%'");
    });
    seam::pick(dlg, IDC_MODEL_LIST, 0);
    theDb.setStatementTrace(nullptr);
    ASSERT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 2u);
    EXPECT_EQ(g_nCompressorCount, 2);
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS)[0][5], "KV-2");
    EXPECT_EQ(g_strCompressorId, m_db.scalar("select id_kompresora from kompresory where nrkv = 'KV-2'").value());
}

TEST_P(SearchTest, EmptyCatalogueSearchesLeaveAnEmptyList)
{
    const long long a = m_db.insertManufacturer("A");
    m_db.insertModel(a, "B");
    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, 0);
    seam::pick(dlg, IDC_MODEL_LIST, 0);
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());
    EXPECT_EQ(g_nCompressorCount, 0);
    EXPECT_EQ(g_bIdsAllocated, 1);
    seam::type(dlg, IDC_SEARCH_TYPE, "none");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());
    EXPECT_EQ(g_nCompressorCount, 0);
    // Clicking an empty list selects nothing.
    seam::clickListEmptyArea(dlg, IDC_RESULTS);
    EXPECT_EQ(g_strCompressorId, "");
}

TEST_P(SearchTest, RowsOfOneCarListInIdOrderAndStayThereAfterAnEdit)
{
    const long long golf = m_db.insertModel(m_db.insertManufacturer("VW"), "Golf");
    for (const char* part : {"KV-1", "KV-2", "KV-3"}) m_db.insertCompressor(golf, compressor("SD7V16", part));
    m_db.exec("update kompresory set nrkv = 'KV-1b', typ = 'X' where nrkv = 'KV-1'");  // a server stores it last now
    EXPECT_EQ(column(seam::listRows(openOnGolf(), IDC_RESULTS), 5), (std::vector<std::string>{"KV-3", "KV-2", "KV-1b"}));
}

KELVARA_ON_BOTH_ENGINES(SearchTest);
