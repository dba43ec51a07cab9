#include "CatalogTest.h"

#include "CatalogApp.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <unistd.h>

#include <climits>
#include <set>

void CatalogTest::SetUp()
{
    CatalogueFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    platform::test::Seam::reset();
    ResetSharedState();
    char buffer[PATH_MAX];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    m_previousDirectory = buffer;
    ASSERT_EQ(chdir(m_catalogue.directory().c_str()), 0);
    m_changedDirectory = true;
    theDb.setStatementTrace([this](const char* sql) {  // without transactions: what a command reads and writes
        if (!std::set<std::string>{"BEGIN", "BEGIN IMMEDIATE", "COMMIT", "ROLLBACK"}.count(sql))
            m_statements.emplace_back(sql);
    });
}

void CatalogTest::TearDown()
{
    closeMainWindow();
    ResetSharedState();
    platform::test::Seam::reset();
    if (m_changedDirectory) {
        ASSERT_EQ(chdir(m_previousDirectory.c_str()), 0);
    }
}

CCatalogDlg& CatalogTest::openMainWindow()
{
    // The server catalogue again after a reset of the shared state, as a restart names it.
    if (onServer() && g_strCatalogue == kDefaultCatalogue)
        g_strCatalogue = m_catalogue.path();
    m_main = std::make_unique<CCatalogDlg>();
    theApp.m_pMainWnd = m_main.get();
    EXPECT_TRUE(m_main->Create()) << "the main window did not come up";
    platform::test::processEvents();
    return *m_main;
}

void CatalogTest::closeMainWindow()
{
    if (!m_main)
        return;
    m_main->DestroyWindow();
    m_main.reset();
    theApp.m_pMainWnd = nullptr;
}

std::vector<std::string> CatalogTest::takeMessages()
{
    std::vector<std::string> texts;
    for (const auto& message : platform::test::Seam::messages())
        texts.push_back(message.text);
    platform::test::Seam::clearMessages();
    return texts;
}

CCatalogDlg& CatalogTest::openOnGolf()
{
    CCatalogDlg& dlg = openMainWindow();
    platform::test::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    platform::test::pick(dlg, IDC_MODEL_LIST, "Golf");
    clearStatements();
    platform::test::Seam::clearMessages();
    return dlg;
}

kelvara::test::CompressorRow CatalogTest::compressor(const std::string& type, const std::string& partNo) const
{
    return {"1.6", "1998", "2003", type, "OE-100", partNo, "310.00", "25.00", "285.00"};
}

std::unique_ptr<ChildProcess> CatalogTest::holdLock(int holdMs)
{
    auto holder = std::make_unique<ChildProcess>(KELVARA_LOCK_HOLDER,
                                                 std::vector<std::string>{m_catalogue.path(), std::to_string(holdMs)});
    std::string line;
    EXPECT_TRUE(holder->readLine(line, 10000));
    EXPECT_EQ(line, "locked");
    return holder;
}
