// Two counters on one server catalogue: this process's main window, and another Kelvara
// process's (kelvara_counter_session) driven line by line. Each sees what the other wrote
// at its next refresh; the checks that guard a removal hold across counters; a lock held on
// the catalogue is waited out.

#include "CatalogTest.h"
#include "ChildProcess.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <chrono>

using platform::test::Seam;
namespace seam = platform::test;

namespace {

class TwoCountersTest : public CatalogTest {
protected:
    TwoCountersTest() : CatalogTest(kelvara::sql::Dialect::postgres) {}

    void SetUp() override
    {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const long long vw = m_db.insertManufacturer("VW");
        m_db.insertModel(vw, "Golf");
        m_db.insertModel(vw, "Polo");
        m_other = std::make_unique<ChildProcess>(KELVARA_COUNTER_SESSION, std::vector<std::string>{m_catalogue.path()});
        std::string line;
        ASSERT_TRUE(m_other->readLine(line, 20000));
        ASSERT_EQ(line, "ready");
    }

    // What the other counter shows after the command.
    std::vector<std::string> other(const std::string& command)
    {
        m_other->writeLine(command);
        std::vector<std::string> shown;
        std::string line;
        while (m_other->readLine(line, 20000) && line != ".")
            shown.push_back(line);
        return shown;
    }

    std::unique_ptr<ChildProcess> m_other;
};

}  // namespace

TEST_F(TwoCountersTest, EachSeesTheOthersWritesAndItsChecksHoldAcrossCounters)
{
    CCatalogDlg& here = openMainWindow();
    seam::pick(here, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(here, IDC_MODEL_LIST, "Golf");
    EXPECT_TRUE(seam::listRows(here, IDC_RESULTS).empty());

    // The other counter adds a manufacturer and a compressor to Golf.
    EXPECT_EQ(other("add-manufacturer Volvo"), (std::vector<std::string>{"manufacturers: VW|Volvo", "parts: "}));
    other("pick-manufacturer VW");
    EXPECT_EQ(other("pick-model Golf"), (std::vector<std::string>{"manufacturers: VW|Volvo", "parts: "}));
    EXPECT_EQ(other("add-compressor KV-THERE"), (std::vector<std::string>{"manufacturers: VW|Volvo", "parts: KV-THERE"}));

    // Here nothing changed until the next refresh; then both are there.
    EXPECT_EQ(seam::comboEntries(here, IDC_MANUFACTURER_LIST), std::vector<std::string>{"VW"});
    EXPECT_TRUE(seam::listRows(here, IDC_RESULTS).empty());
    // Golf looked empty here, but the other counter filled it meanwhile: not removed.
    seam::click(here, IDC_REMOVE_MODEL);
    EXPECT_EQ(takeMessages(),
              std::vector<std::string>{"Cannot remove model.\nAll associated compressors must be deleted first."});
    EXPECT_EQ(m_db.scalar("select count(*) from modele where model = 'Golf'"), "1");
    seam::pick(here, IDC_MODEL_LIST, "Golf");
    ASSERT_EQ(seam::listRows(here, IDC_RESULTS).size(), 1u);
    EXPECT_EQ(seam::listRows(here, IDC_RESULTS)[0][5], "KV-THERE");

    // What is written here, the other counter sees at its next refresh.
    Seam::onNextDialog([](CDialog& d) {
        seam::type(d, IDC_NAME, "Saab");
        seam::click(d, IDOK);
    });
    seam::click(here, IDC_ADD_MANUFACTURER);
    EXPECT_EQ(seam::comboEntries(here, IDC_MANUFACTURER_LIST), (std::vector<std::string>{"VW", "Volvo", "Saab"}));
    EXPECT_EQ(other("pick-model Polo"), (std::vector<std::string>{"manufacturers: VW|Volvo", "parts: "}));
    EXPECT_EQ(other("add-manufacturer Opel"), (std::vector<std::string>{"manufacturers: VW|Volvo|Saab|Opel", "parts: "}));
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(TwoCountersTest, ALockOnTheCatalogueIsWaitedOut)
{
    m_db.beginWriteLock();
    const auto start = std::chrono::steady_clock::now();
    m_other->writeLine("add-manufacturer Volvo");
    std::string line;
    // Still waiting while the lock is held.
    EXPECT_FALSE(m_other->readLine(line, 600));
    m_db.exec("commit");
    std::vector<std::string> shown;
    while (m_other->readLine(line, 20000) && line != ".")
        shown.push_back(line);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
    EXPECT_EQ(shown, (std::vector<std::string>{"manufacturers: VW|Volvo", "parts: "}));
    EXPECT_EQ(m_db.scalar("select count(*) from marki"), "2");
}
