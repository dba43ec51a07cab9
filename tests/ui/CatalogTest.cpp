#include "CatalogTest.h"

#include "CatalogApp.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <unistd.h>

#include <climits>

void CatalogTest::SetUp()
{
    KELVARA_SKIP_UNLESS_MADE(m_catalogue);
    platform::test::Seam::reset();
    ResetSharedState();
    char buffer[PATH_MAX];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    m_previousDirectory = buffer;
    ASSERT_EQ(chdir(m_catalogue.directory().c_str()), 0);
    m_changedDirectory = true;
    theDb.setStatementTrace([this](const char* sql) { m_statements.emplace_back(sql); });
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

std::string CatalogTest::sent(const std::string& fileText) const
{
    if (!onServer())
        return fileText;
    std::string text;
    for (std::size_t i = 0; i < fileText.size(); ++i) {
        if (fileText[i] == '\'') {  // already a standard literal: copied as it is
            const std::size_t end = fileText.find('\'', i + 1);
            text += fileText.substr(i, end + 1 - i);
            i = end;
        } else if (fileText[i] == '"') {
            const std::size_t end = fileText.find('"', i + 1);
            text += '\'';
            for (char c : fileText.substr(i + 1, end - i - 1))
                text += c == '\'' ? std::string("''") : std::string(1, c);
            text += '\'';
            i = end;
        } else {
            text += fileText[i];
        }
    }
    for (const char* target : {" od, do, ", ", do = "}) {
        const std::size_t at = text.find(target);
        if (at != std::string::npos)
            text.replace(text.find("do", at + 2), 2, "\"do\"");
    }
    const std::string order = " order by marki.marka DESC, modele.model DESC;";
    if (text.rfind("select count(*)", 0) == 0 && text.size() > order.size()
        && text.compare(text.size() - order.size(), order.size(), order) == 0)
        text.replace(text.size() - order.size(), order.size(), ";");
    return text;
}

std::vector<std::string> CatalogTest::sent(const std::vector<std::string>& fileTexts) const
{
    std::vector<std::string> texts;
    for (const std::string& text : fileTexts)
        texts.push_back(sent(text));
    return texts;
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
