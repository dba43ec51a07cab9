// A statement that waits for another program's lock: after about half a second the operator
// sees a modal "waiting for the catalogue" window with the seconds waited and a Cancel button;
// nothing else can be started meanwhile; Cancel ends the wait at once as the time-out would.

#include "CatalogApp.h"
#include "CatalogTest.h"
#include "Dialog.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <chrono>

using platform::test::Seam;
namespace seam = platform::test;
using Clock = std::chrono::steady_clock;

namespace {

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class LockWaitTest : public EngineCatalogTest {
protected:
    // What the operator sees when the wait is given up: the time-out's own result.
    std::string givenUp() const
    {
        return onServer() ? "SQLITE_BUSY[5]: canceling statement due to user request"
                          : "SQLITE_BUSY[5]: database is locked";
    }
};

KELVARA_ON_BOTH_ENGINES(LockWaitTest);

}  // namespace

TEST_P(LockWaitTest, ALockWaitIsShownAfterHalfASecondBlocksEverythingElseAndCancelEndsIt)
{
    const long long golf = m_db.insertModel(m_db.insertManufacturer("VW"), "Golf");
    const long long id = m_db.insertCompressor(golf, compressor("T"));
    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    clearStatements();
    auto holder = holdLock(60000);

    const Clock::time_point start = Clock::now();
    long long shownAfter = -1;
    std::vector<std::string> seconds;
    std::string text;
    Seam::whileWaiting([&](CDialog& wait) {
        if (shownAfter < 0) {
            shownAfter = msSince(start);
            EXPECT_TRUE(seam::isShownModal(wait));
            // The operator tries the main window meanwhile: a button, F1, the close box.
            seam::mouseClick(dlg, IDC_ADD_MANUFACTURER);
            seam::mouseClick(dlg, IDC_REMOVE_COMPRESSOR);
            seam::pressKey(dlg, seam::Key::F1);
            seam::clickCloseBox(dlg);
        }
        // On a server, once the server has said that the statement waits for a lock.
        text = seam::caption(wait) + ": " + seam::text(wait, IDC_WAIT_TEXT);
        if (seconds.empty() || seconds.back() != seam::text(wait, IDC_WAIT_SECONDS))
            seconds.push_back(seam::text(wait, IDC_WAIT_SECONDS));
        if (msSince(start) >= 1300)
            seam::mouseClick(wait, IDCANCEL);
    });
    Seam::answerMessageBox(IDYES);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    const long long took = msSince(start);

    EXPECT_GE(shownAfter, 450);
    EXPECT_LT(shownAfter, 1000);
    const std::string who = onServer() ? "another counter or program holds it." : "another program is using it.";
    EXPECT_EQ(text.rfind("Kelvara: Waiting for the catalogue: " + who, 0), 0u) << text;
    EXPECT_NE(text.find("at most 60 seconds"), std::string::npos) << text;
    EXPECT_EQ(seconds, (std::vector<std::string>{"Waited 0 seconds.", "Waited 1 second."}));
    // Cancel ended it at once, with the time-out's result; nothing else ran or opened.
    EXPECT_LT(took, 2500);
    EXPECT_EQ(Seam::waitingWindowsShown(), 1);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{"Are you sure that you want to delete this compressor?",
                                                        givenUp()}));
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_FALSE(dlg.isEnded());
    EXPECT_EQ(statements(), onServer() ? std::vector<std::string>{sent().currentCompressor(true)} : std::vector<std::string>{});
    EXPECT_EQ(g_strCompressorId, std::to_string(id));
    holder->kill();
    holder->wait();
    EXPECT_EQ(m_db.query("select id_kompresora from kompresory"), (kelvara::test::Rows{{std::to_string(id)}}));

    // A lock that ends by itself: the window goes away and the command completes.
    holder = holdLock(1200);
    Seam::reset();
    Seam::answerMessageBox(IDYES);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    EXPECT_EQ(Seam::waitingWindowsShown(), 1);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Are you sure that you want to delete this compressor?"});
    EXPECT_EQ(holder->wait(), 0);
    EXPECT_TRUE(m_db.query("select nrkv from kompresory").empty());
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());
}

TEST_P(LockWaitTest, AtStartUpALockWaitIsShownBeforeTheMainWindow)
{
    auto holder = holdLock(60000);
    bool mainOnScreen = true;
    Seam::whileWaiting([&](CDialog& wait) {
        CWnd* main = AfxGetMainWnd();
        mainOnScreen = main && main->IsWindowVisible();
        seam::pressKey(wait, seam::Key::Escape);
    });
    theApp.m_nExitCode = 0;
    g_strCatalogue = m_catalogue.path();
    theApp.InitInstance();
    EXPECT_EQ(theApp.ExitInstance(), 1);
    theApp.m_nExitCode = 0;
    EXPECT_EQ(Seam::waitingWindowsShown(), 1);
    EXPECT_FALSE(mainOnScreen);
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_EQ(takeMessages(), std::vector<std::string>{givenUp()});
}
