// What each of the operator's actions costs on a server catalogue, read from libpq's trace:
// one round trip per statement, settings carried by the connection's start-up, and never a
// second connection or an error in the server's log (the Edit statement's cross product
// is not started and cancelled). A server that never answers does not freeze the program.

#include "CatalogApp.h"
#include "CatalogTest.h"
#include "Dialog.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "ServerTraffic.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

using platform::test::Seam;
namespace seam = platform::test;
using kelvara::db::ServerTraffic;

namespace {

class ServerTrafficTest : public CatalogTest {
protected:
    ServerTrafficTest() : CatalogTest(kelvara::sql::Dialect::postgres) {}
};

// A server address whose kernel accepts connections (its backlog) and that never answers.
class SilentServer {
public:
    SilentServer() : m_socket(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(bind(m_socket, reinterpret_cast<sockaddr*>(&address), size), 0);
        EXPECT_EQ(listen(m_socket, 8), 0);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { close(m_socket); }
    std::string conninfo(int timeoutSeconds) const
    {
        return "host=127.0.0.1 port=" + std::to_string(m_port) + " dbname=kelvara connect_timeout="
               + std::to_string(timeoutSeconds);
    }

private:
    int m_socket;
    int m_port = 0;
};

void typeCompressor(CDialog& d, const char* type)
{
    seam::type(d, IDC_TYPE, type);
    for (int price : {IDC_JOBBER, IDC_CORE_DEPOSIT, IDC_NET_PRICE})
        seam::type(d, price, "1");
}

}  // namespace

TEST_F(ServerTrafficTest, EveryActionTakesOneRoundTripAStatementOnItsOneConnection)
{
    // 500 × 5 000 rows would stand behind the Edit statement's first row.
    m_db.exec("insert into marki(marka) select 'M' || g from generate_series(1, 499) g");
    const long long golf = m_db.insertModel(m_db.insertManufacturer("VW"), "Golf");
    m_db.exec("insert into modele(id_marki, model) select g % 499 + 1, 'Model ' || g from generate_series(1, 4999) g");
    m_db.insertCompressor(golf, compressor("SD7V16"));

    kelvara::db::ServerTrafficMeter meter(theDb);
    struct Action {
        std::string name;
        ServerTraffic traffic;
        size_t statements;
    };
    std::vector<Action> actions;
    const auto took = [&](const std::string& name) {
        actions.push_back({name, meter.take(), statements().size()});
        clearStatements();
    };
    CCatalogDlg& dlg = openMainWindow();
    took("start-up");
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    took("pick a manufacturer");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    took("search by car");
    seam::type(dlg, IDC_SEARCH_TYPE, "sd7v16");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    took("search by type");
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    Seam::onNextDialog([&](CDialog& d) {
        took("open an edit");
        seam::type(d, IDC_PART_NO, "KV-2");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    took("save");
    Seam::onNextDialog([&](CDialog& d) {
        typeCompressor(d, "T2");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_ADD_COMPRESSOR);
    took("add");
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    Seam::answerMessageBox(IDYES);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    took("remove");

    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Are you sure that you want to delete this compressor?"});
    EXPECT_EQ(m_db.scalar("select count(*) from kompresory"), "1");
    ASSERT_EQ(actions.size(), 8u);
    for (const Action& action : actions) {
        SCOPED_TRACE(action.name);
        EXPECT_GT(action.statements, 0u);
        EXPECT_EQ(action.traffic.roundTrips, static_cast<int>(action.statements));
        EXPECT_EQ(action.traffic.errors, 0);
        EXPECT_EQ(action.traffic.connections, action.name == "start-up" ? 1 : 0);
    }
    EXPECT_LE(actions[0].traffic.roundTrips, 5);
    EXPECT_LE(actions[4].traffic.roundTrips, 3);
}

TEST_F(ServerTrafficTest, AServerThatNeverAnswersShowsTheWaitAndEndsWithCode14CancelIncluded)
{
    const SilentServer silent;
    using Clock = std::chrono::steady_clock;
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "Cancel" : "time-out");
        Seam::reset();
        const Clock::time_point start = Clock::now();
        long long shownAfter = -1;
        std::string text;
        Seam::whileWaiting([&](CDialog& wait) {
            if (shownAfter < 0) {
                shownAfter = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
                text = seam::text(wait, IDC_WAIT_TEXT);
            }
            if (cancel)
                seam::mouseClick(wait, IDCANCEL);
        });
        theApp.m_nExitCode = 0;
        g_strCatalogue = silent.conninfo(cancel ? 60 : 2);
        theApp.InitInstance();
        EXPECT_EQ(theApp.ExitInstance(), 1);
        theApp.m_nExitCode = 0;
        EXPECT_GE(shownAfter, 450);
        EXPECT_LT(shownAfter, 1000);
        EXPECT_EQ(text.rfind("Connecting to the catalogue server", 0), 0u) << text;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(cancel ? 2 : 4));
        EXPECT_EQ(takeMessages(),
                  std::vector<std::string>{cancel ? "SQLITE_CANTOPEN[14]: connecting to the catalogue server was cancelled"
                                                  : "SQLITE_CANTOPEN[14]: the catalogue server did not answer within 2 "
                                                    "seconds (connect_timeout)"});
    }
}
