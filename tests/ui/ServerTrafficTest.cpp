// What the operator's actions cost on a server, read from libpq's trace: the statements of an
// action travel together where the next does not depend on the answer before, on one
// connection, with no server error. A server or name server that never answers freezes nothing.

#include "CatalogApp.h"
#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "ServerTraffic.h"

#include <arpa/inet.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <tuple>

using platform::test::Seam;
namespace seam = platform::test;

class ServerTrafficTest : public CatalogTest {
protected:
    ServerTrafficTest() : CatalogTest(kelvara::sql::Dialect::postgres) {}
    ~ServerTrafficTest() override
    {
        if (m_resolvConf)
            umount2("/etc/resolv.conf", 0);
        close(m_nameServer);
    }

    // A name server that never answers (a dead VPN), for this process alone: a mount namespace
    // of its own whose resolv.conf (in the test's folder) names a UDP socket nobody reads.
    // False where that is not allowed.
    bool nameServerNeverAnswers()
    {
        sockaddr_in address{AF_INET, htons(53), {inet_addr("127.0.83.53")}, {}};
        std::ofstream("resolv.conf") << "nameserver 127.0.83.53\noptions timeout:10 attempts:1\n";
        return m_resolvConf =
                   unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                   && bind(m_nameServer, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                   && mount("resolv.conf", "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
    }

    bool m_resolvConf = false;
    int m_nameServer = socket(AF_INET, SOCK_DGRAM, 0);
};

TEST_F(ServerTrafficTest, EveryActionSendsTogetherWhatItCanOnItsOneConnection)
{
    // 500 × 5 000 rows would stand behind the Edit statement's first row.
    m_db.exec("insert into marki(marka) select 'M' || g from generate_series(1, 499) g");
    const long long golf = m_db.insertModel(m_db.insertManufacturer("VW"), "Golf");
    m_db.exec("insert into modele(id_marki, model) select g % 499 + 1, 'Model ' || g from generate_series(1, 4999) g");
    m_db.insertCompressor(golf, compressor("SD7V16"));
    kelvara::db::ServerTrafficMeter meter(theDb);
    std::vector<std::pair<kelvara::db::ServerTraffic, size_t>> actions;  // and its statements
    CCatalogDlg& dlg = openMainWindow();
    size_t sent = statements().size();  // transactions' statements counted too
    theDb.setStatementTrace([&](const char*) { ++sent; });
    const auto took = [&] { actions.emplace_back(meter.take(), std::exchange(sent, 0)); };
    took();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    took();
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    took();
    seam::type(dlg, IDC_SEARCH_TYPE, "sd7v16");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    took();
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    Seam::onNextDialog([&](CDialog& d) {
        took();  // opening the edit
        seam::type(d, IDC_PART_NO, "KV-2");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    took();
    Seam::onNextDialog([&](CDialog& d) {
        for (int field : {IDC_TYPE, IDC_JOBBER, IDC_CORE_DEPOSIT, IDC_NET_PRICE})
            seam::type(d, field, "1");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_ADD_COMPRESSOR);
    took();
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    Seam::answerMessageBox(IDYES);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    took();
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Are you sure that you want to delete this compressor?"});
    // Start-up, pick a manufacturer, search by car, by type, open an edit, Save, Add, Remove:
    // every statement runs, and only an answer the next statement needs costs a trip (Save:
    // begin and manufacturer; model and the row as loaded; update and commit; count and rows).
    const std::pair<int, size_t> expected[] = {{1, 2}, {1, 1}, {1, 2}, {1, 2}, {1, 2}, {4, 8}, {4, 7}, {3, 6}};
    ASSERT_EQ(actions.size(), std::size(expected));
    for (size_t i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE("action " + std::to_string(i));
        EXPECT_EQ(actions[i].first.roundTrips, expected[i].first);
        EXPECT_EQ(actions[i].second, expected[i].second);
        EXPECT_EQ(actions[i].first.errors, 0);
        EXPECT_EQ(actions[i].first.connections, i == 0 ? 1 : 0);
    }
}

// The kernel's backlog accepts the connection; nobody ever answers it.
TEST_F(ServerTrafficTest, AServerThatNeverAnswersShowsTheWaitAndEndsWithCode14CancelIncluded)
{
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(silent, 8), 0);
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size);
    std::vector<std::string> places{"host=127.0.0.1 port=" + std::to_string(ntohs(address.sin_port))};
    if (nameServerNeverAnswers())
        places.push_back("host=catalogue.kelvara.test");
    using Clock = std::chrono::steady_clock;
    for (std::size_t run = 0; run < 2 * places.size(); ++run) {
        const bool cancel = run % 2 == 0;
        SCOPED_TRACE(places[run / 2] + (cancel ? ": Cancel" : ": time-out"));
        Seam::reset();
        const Clock::time_point start = Clock::now();
        Clock::duration shownAfter{-1};
        std::string text;
        Seam::whileWaiting([&](CDialog& wait) {
            if (text.empty())
                std::tie(shownAfter, text) = std::pair(Clock::now() - start, seam::text(wait, IDC_WAIT_TEXT));
            if (cancel)
                seam::mouseClick(wait, IDCANCEL);
        });
        g_strCatalogue = places[run / 2] + " dbname=kelvara connect_timeout=" + (cancel ? "60" : "2");
        theApp.InitInstance();
        EXPECT_EQ(theApp.ExitInstance(), 1);
        theApp.m_nExitCode = 0;
        EXPECT_GE(shownAfter, std::chrono::milliseconds(450));
        EXPECT_LT(shownAfter, std::chrono::milliseconds(1000));
        EXPECT_EQ(text.rfind("Connecting to the catalogue server", 0), 0u) << text;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(cancel ? 2 : 4));
        EXPECT_EQ(takeMessages(), std::vector<std::string>{
                                      cancel ? "SQLITE_CANTOPEN[14]: connecting to the catalogue server was cancelled"
                                             : "SQLITE_CANTOPEN[14]: the catalogue server did not answer within 2 "
                                               "seconds (connect_timeout)"});
    }
    close(silent);
    if (places.size() == 1)
        GTEST_SKIP() << "no name server that never answers: a mount namespace needs root with CAP_SYS_ADMIN";
}
