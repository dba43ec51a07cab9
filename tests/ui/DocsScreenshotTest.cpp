// The main window on the sample catalogue, as the README shows it. Written to docs/ only
// when KELVARA_WRITE_DOCS is set; otherwise it still checks the sample opens and searches.

#include "CatalogTest.h"
#include "ChildProcess.h"
#include "ResourceIds.h"

#include <cstdio>
#include <cstdlib>

namespace seam = platform::test;

TEST_F(CatalogTest, MainWindowOnTheSampleCatalogue)
{
    m_db = kelvara::test::RawDb(":memory:");
    std::remove(m_catalogue.path().c_str());
    ChildProcess init(KELVARA_DB_TOOL, {"init", "--sample", m_catalogue.path()});
    ASSERT_EQ(init.wait(), 0);

    CCatalogDlg& dlg = openMainWindow();
    const auto makers = seam::comboEntries(dlg, IDC_MANUFACTURER_LIST);
    ASSERT_GE(makers.size(), 10u);
    seam::pick(dlg, IDC_MANUFACTURER_LIST, 0);
    seam::pick(dlg, IDC_MODEL_LIST, 0);
    ASSERT_FALSE(seam::listRows(dlg, IDC_RESULTS).empty());
    seam::clickListRow(dlg, IDC_RESULTS, 1);
    EXPECT_TRUE(takeMessages().empty());

    if (std::getenv("KELVARA_WRITE_DOCS")) {
        EXPECT_TRUE(seam::saveScreenshot(dlg, KELVARA_DOCS_DIR "/main-window.png"));
    }
}
