// A catalogue of the SQLite 2 program, migrated by kelvara-db, opened and searched in Kelvara.

#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Tool.h"

#include <filesystem>
#include <sstream>

namespace seam = platform::test;
using Rows = std::vector<std::vector<std::string>>;

namespace {

const std::string kOldCatalogue = std::string(KELVARA_FIXTURES_DIR) + "/sqlite2/catalogue-v2.db";

// The list's row whose Kelvara part number (column 5) is partNo.
std::vector<std::string> rowWithPartNo(const Rows& rows, const std::string& partNo)
{
    for (const auto& row : rows)
        if (row.at(5) == partNo)
            return row;
    ADD_FAILURE() << "no row for " << partNo;
    return {};
}

class MigratedCatalogueTest : public CatalogTest {
protected:
    // Puts the old catalogue, migrated, where the program opens its database.db.
    void migrate(const std::vector<std::string>& options)
    {
        const std::string path = m_catalogue.path();
        ASSERT_TRUE(std::filesystem::remove(path));
        std::vector<std::string> args{"migrate"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(kOldCatalogue);
        args.push_back(path);
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(kelvara::dbtool::runTool(args, out, err), 0) << err.str();
        m_db = kelvara::test::RawDb(path);
    }
};

}  // namespace

TEST_F(MigratedCatalogueTest, ConvertedCatalogueIsListedSearchableAndShowsPricesAsStored)
{
    migrate({"--from-cp1250"});
    CCatalogDlg& dlg = openMainWindow();
    EXPECT_TRUE(takeMessages().empty());
    // In id order. Names that were UTF-8 already come out converted too, as asked.
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST),
              (std::vector<std::string>{"Alpha", "Ĺ\u00a0koda", "Škoda", "CitroĂ«n", "Alfa \"Romeo\"",
                                        "Łada Żółć"}));

    // By car.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Łada Żółć");
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), std::vector<std::string>{"Niva Ś"});
    seam::pick(dlg, IDC_MODEL_LIST, "Niva Ś");
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS),
              (Rows{{"Łada Żółć Niva Ś", "1.7", "1995 - 2010", "Niva", "129", "K-7", "12,50", "",
                     "1.23456789012345678"}}));

    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Alpha");
    seam::pick(dlg, IDC_MODEL_LIST, "Beta");
    const Rows beta = seam::listRows(dlg, IDC_RESULTS);
    ASSERT_EQ(beta.size(), 2u);
    EXPECT_EQ(rowWithPartNo(beta, "K-1"), (std::vector<std::string>{"Alpha Beta", "1.6", "1998 - 2003", "AB12",
                                                                     "123", "K-1", "12.50", "007", "1e3"}));
    // NULL prices show empty, an empty year stays empty.
    EXPECT_EQ(rowWithPartNo(beta, "K-2"), (std::vector<std::string>{"Alpha Beta", "2.0", "2003 - ", "typ",
                                                                     "124", "K-2", "", "0", ""}));

    // By type; clicking the row names the compressor's id as migrated.
    seam::type(dlg, IDC_SEARCH_TYPE, "sd7v16");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    const Rows sd7 = seam::listRows(dlg, IDC_RESULTS);
    ASSERT_EQ(sd7.size(), 1u);
    EXPECT_EQ(sd7[0][0], "CitroĂ«n C5");
    EXPECT_EQ(sd7[0][3], "SD7V16");
    EXPECT_EQ(sd7[0][5].rfind("LONG-00000|00001|", 0), 0u);
    // The row that ran on into overflow pages: whole in the catalogue, its first 300
    // characters and "…" in the list.
    const std::string stored = m_db.scalar("select nrkv from kompresory where id_kompresora = 5").value();
    EXPECT_GT(stored.size(), 2000u);
    EXPECT_EQ(sd7[0][5], stored.substr(0, 300) + "\xE2\x80\xA6");
    EXPECT_EQ(std::vector<std::string>(sd7[0].begin() + 6, sd7[0].end()),
              (std::vector<std::string>{"250", "007", "12.50"}));
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    EXPECT_EQ(g_strCompressorId, "5");

    seam::type(dlg, IDC_SEARCH_TYPE, "ab12");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    ASSERT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 1u);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS)[0][6], "12.50");
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(MigratedCatalogueTest, UnconvertedBytesStillFindTheirRows)
{
    // Without --from-cp1250 the cp1250 bytes are kept; they are not UTF-8, but they go from
    // the lists into the statements unchanged and still find their rows.
    migrate({});
    CCatalogDlg& dlg = openMainWindow();
    EXPECT_TRUE(takeMessages().empty());
    const auto manufacturers = seam::comboEntries(dlg, IDC_MANUFACTURER_LIST);
    ASSERT_EQ(manufacturers.size(), 6u);
    EXPECT_EQ(manufacturers[1], "Škoda");
    EXPECT_EQ(manufacturers[2], "\x8akoda");

    seam::pick(dlg, IDC_MANUFACTURER_LIST, 2);
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), std::vector<std::string>{"Fabia \xb9\xea"});
    seam::pick(dlg, IDC_MODEL_LIST, 0);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS),
              (Rows{{"\x8akoda Fabia \xb9\xea", "1.4", "1999 - 2007", "Sanden \xa3", "126", "K-4", "100", "10.00",
                     "122"}}));

    // The UTF-8 name beside it has rows of its own.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, 1);
    seam::pick(dlg, IDC_MODEL_LIST, 0);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS),
              (Rows{{"Škoda Octavia 1.6 Ü", "1.6", "2004 - 2010", "Denso ÓÜ", "125", "K-3", "99.99", "15",
                     "121.99"}}));
    EXPECT_TRUE(takeMessages().empty());
}
