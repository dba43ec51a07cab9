// Another counter (the test's own connection) changes the catalogue under this one's hands.

#include "CatalogApp.h"
#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"

using platform::test::Seam;
namespace seam = platform::test;

namespace {

class SeveralCountersTest : public EngineCatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            row = m_db.insertCompressor(golf = m_db.insertModel(m_db.insertManufacturer("VW"), "Golf"), compressor("T"));
    }
    std::string held(const std::string& column) { return *m_db.scalar("select " + column + " from kompresory"); }
    void otherCounterHoldsTillWaitedFor(const std::string& sql)
    {
        m_db.exec(std::string(onServer() ? "begin; " : "begin immediate; ") + sql);
        Seam::whileWaiting([this, done = false](CDialog&) mutable { done = done || (m_db.exec("commit"), true); });
    }
    long long golf = 0, row = 0;
};

}  // namespace

TEST_P(SeveralCountersTest, SaveWritesOnlyOverWhatTheDialogLoaded)
{
    CCatalogDlg& dlg = openOnGolf();
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    Seam::onNextDialog([&](CDialog& d) {
        m_db.exec("update kompresory set netto = 199");
        seam::type(d, IDC_PART_NO, "KV-mine");
        seam::click(d, IDOK);  // refused: the dialog stays with what was typed
        EXPECT_EQ(seam::text(d, IDC_PART_NO) + (seam::isShownModal(d) ? " open" : ""), "KV-mine open");
        seam::click(d, IDOK);  // written over the other counter's change
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(held("nrkv") + " " + held("netto"), onServer() ? "KV-mine 285.00" : "KV-mine 285.0");
    // Removed meanwhile: said so, nothing written, the dialog open until Cancel.
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    Seam::onNextDialog([&](CDialog& d) {
        m_db.exec("delete from kompresory");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{
                                  "Another counter changed this compressor while you were editing it (Net price). Nothing "
                                  "was saved. Save again to write your values over theirs, or Cancel to keep theirs.",
                                  "Another counter removed this compressor while you were editing it. Nothing was saved."}));
    EXPECT_EQ(held("count(*)"), "0");
}

TEST_P(SeveralCountersTest, EditAndRemoveActOnlyOnTheListedRow)
{
    CCatalogDlg& dlg = openOnGolf();
    const std::string stale = "Another counter changed or removed this compressor since the list was filled. ",
                      refreshed = " The list now shows the catalogue as it is.";
    // The listed row removed and its id given to another compressor, then another row changed.
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    m_db.exec("delete from kompresory; insert into kompresory(id_kompresora, id_modelu, nrkv) values ("
              + std::to_string(row) + ", " + std::to_string(golf) + ", 'KV-other')");
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    m_db.exec("update kompresory set nrkv = 'KV-changed'");
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{stale + "Nothing was opened." + refreshed,
                                                         "Are you sure that you want to delete this compressor?",
                                                         stale + "Nothing was removed." + refreshed}));
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS).at(0).at(5), "KV-changed");
    EXPECT_EQ(held("count(*)"), "1");
}

TEST_P(SeveralCountersTest, ARemovalAndAnInsertUnderItNeverBothSucceed)
{
    CCatalogDlg& dlg = openOnGolf();
    // The other counter adds a compressor to the empty Golf while this one removes Golf.
    m_db.exec("delete from kompresory");
    otherCounterHoldsTillWaitedFor("insert into kompresory(id_modelu, nrkv) values (" + std::to_string(golf) + ", 'KV-2')");
    seam::click(dlg, IDC_REMOVE_MODEL);
    EXPECT_EQ(held("nrkv"), "KV-2");
    // The other counter removes Golf while this one adds a compressor to it.
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    otherCounterHoldsTillWaitedFor("delete from kompresory; delete from modele");
    Seam::onNextDialog([](CDialog& d) {
        for (int price : {IDC_JOBBER, IDC_CORE_DEPOSIT, IDC_NET_PRICE})
            seam::type(d, price, "1");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_ADD_COMPRESSOR);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"Cannot remove model.\nAll associated compressors must be deleted "
                                                         "first.", "Car model \"Golf\" of \"VW\" is no longer in the "
                                                         "catalogue; another program may have removed it. The compressor was not saved."}));
    EXPECT_EQ(held("count(*)"), "0");
}

TEST_P(SeveralCountersTest, ADatabaseWithoutTheCatalogueSaysHowToMakeOne)
{
    m_db.exec("drop table kolumny");
    g_strCatalogue = m_catalogue.path();
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(takeMessages().at(0).find("Create one with 'kelvara-db init'") != std::string::npos, onServer());
}

KELVARA_ON_BOTH_ENGINES(SeveralCountersTest);
