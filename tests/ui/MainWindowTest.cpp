// Start-up of the main window: columns, lists, banner, failures, About box, ending.

#include "CatalogApp.h"
#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <fstream>

using platform::test::ListColumn;
using platform::test::Seam;
namespace seam = platform::test;

namespace {

const std::vector<ListColumn> kAllColumns{
    {"Manufacturer - Model", 180}, {"Engine capacity", 100}, {"Model year from - to", 120},
    {"Compressor type", 100},      {"Common part #", 100},   {"Kelvara part #", 100},
    {"Kelvara Jobber $", 100},     {"Core deposit", 80},     {"Net price", 80},
};

}  // namespace

TEST_F(CatalogTest, StartUpShowsColumnsListsAndBanner)
{
    // Added in an order that differs from the names' order: the list keeps the ids' order.
    m_db.insertManufacturer("Volvo");
    m_db.insertManufacturer("Audi");
    m_db.insertManufacturer("Mazda");
    CCatalogDlg& dlg = openMainWindow();

    EXPECT_EQ(seam::caption(dlg), "Kelvara");
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), kAllColumns);
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST), (std::vector<std::string>{"Volvo", "Audi", "Mazda"}));
    EXPECT_EQ(seam::comboSelection(dlg, IDC_MANUFACTURER_LIST), -1);
    EXPECT_TRUE(seam::comboEntries(dlg, IDC_MODEL_LIST).empty());
    EXPECT_FALSE(seam::enabled(dlg, IDC_MODEL_LIST));
    EXPECT_EQ(seam::text(dlg, IDC_SEARCH_TYPE), "");
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(g_columnVisible[static_cast<size_t>(i)], 1) << i;

    // Only the company name uses the banner font; the other banner lines keep the dialog's.
    const int banner = seam::fontPixelHeight(dlg, IDC_BANNER_COMPANY);
    EXPECT_GE(banner, 40);
    for (int id : {IDC_BANNER_ADDRESS, IDC_BANNER_TOWN, IDC_BANNER_CONTACT})
        EXPECT_LT(seam::fontPixelHeight(dlg, id), 20) << id;

    // Captions white on the window's blue; the window area itself blue.
    for (int id : {IDC_BANNER_COMPANY, IDC_BANNER_ADDRESS, IDC_BANNER_TOWN, IDC_BANNER_CONTACT, IDC_GROUP_BY_TYPE,
                   IDC_GROUP_BY_MANUFACTURERS, IDC_GROUP_MANUFACTURER, IDC_GROUP_MODEL}) {
        EXPECT_EQ(seam::textColor(dlg, id), RGB(255, 255, 255)) << id;
        EXPECT_EQ(seam::textBackground(dlg, id), RGB(66, 125, 214)) << id;
    }
    EXPECT_EQ(seam::pixel(dlg, 2, 2), RGB(66, 125, 214));

    // The statement that loaded the settings, then the manufacturer list.
    ASSERT_GE(statements().size(), 2u);
    EXPECT_EQ(statements()[0], sent().selectColumnFlags());
    EXPECT_EQ(statements()[1], sent().selectManufacturers());
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(CatalogTest, ColumnFlagsArePackedFromPositionZero)
{
    struct Case {
        const char* assignments;
        std::vector<ListColumn> columns;
    };
    const std::vector<Case> cases{
        {"manufacturer='0', capacity='0', year='0', type='0', common='0', kelvara='0', jobber='0', deposit='0', "
         "price='1'",
         {{"Net price", 80}}},
        {"manufacturer='0', capacity='1', year='0', type='0', common='0', kelvara='0', jobber='0', deposit='0', "
         "price='0'",
         {{"Engine capacity", 100}}},
        // Only exactly "1" shows a column.
        {"manufacturer=' 1', capacity='01', year='true', type='2', common=NULL, kelvara='', jobber='1', "
         "deposit='0', price='1.0'",
         {{"Kelvara Jobber $", 100}}},
        {"manufacturer=1, capacity=0, year=1, type=0, common=1, kelvara=0, jobber=1, deposit=0, price=1",
         {{"Manufacturer - Model", 180},
          {"Model year from - to", 120},
          {"Common part #", 100},
          {"Kelvara Jobber $", 100},
          {"Net price", 80}}},
    };
    for (const Case& c : cases) {
        m_db.exec(std::string("update kolumny set ") + c.assignments);
        CCatalogDlg& dlg = openMainWindow();
        EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), c.columns) << c.assignments;
        closeMainWindow();
        theDb.close();
    }
}

TEST_F(CatalogTest, NoColumnVisibleLeavesTheListWithoutColumns)
{
    m_db.exec("update kolumny set manufacturer=0, capacity=0, year=0, type=0, common=0, kelvara=0, jobber=0, "
              "deposit=0, price=0");
    CCatalogDlg& dlg = openMainWindow();
    EXPECT_TRUE(seam::listColumns(dlg, IDC_RESULTS).empty());
}

namespace {

struct StartUp {
    int exitCode;
    std::vector<platform::test::ShownMessage> messages;
    std::vector<int> dialogs;
    std::string standardError;
};

// Runs start-up the way the program does and returns its exit status, what it showed and
// what it wrote to standard error.
StartUp runProgram()
{
    Seam::reset();
    theApp.m_nExitCode = 0;
    ::testing::internal::CaptureStderr();
    const BOOL runLoop = theApp.InitInstance();
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(runLoop, FALSE);
    StartUp result{theApp.ExitInstance(), Seam::messages(), Seam::dialogsShown(), written};
    theApp.m_nExitCode = 0;
    theDb.close();
    return result;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace

TEST_F(CatalogTest, ProgramRunsUntilTheMainWindowCloses)
{
    // The seam cancels the window as soon as it is up: a clean run, status 0.
    const StartUp run = runProgram();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.dialogs, std::vector<int>{IDD_CATALOG_DIALOG});
    EXPECT_EQ(run.standardError, "");
}

TEST_F(CatalogTest, StartUpFailuresAreShownAndEndTheProgramWithFailure)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> arrange;
        std::string expected;  // the start of the message
    };
    const std::string path = m_catalogue.path();
    std::unique_ptr<ChildProcess> holder;
    const std::vector<Case> cases{
        {"no file", [](const std::string& p) { std::remove(p.c_str()); }, "SQLITE_ERROR[1]: no such table: kolumny"},
        {"no kolumny table", [this](const std::string&) { m_db.exec("drop table kolumny"); },
         "SQLITE_ERROR[1]: no such table: kolumny"},
        {"a column missing", [this](const std::string&) {
             m_db.exec("drop table kolumny; create table kolumny(manufacturer, capacity)");
         },
         "SQLITE_ERROR[1]: no such column: year"},
        {"empty kolumny", [this](const std::string&) { m_db.exec("delete from kolumny"); },
         "CPPSQLITE_ERROR[1000]: "},
        {"not a database", [](const std::string& p) { writeFile(p, std::string(4096, 'x')); },
         "UNKNOWN_ERROR[26]: file is not a database"},
        {"an SQLite 2 file",
         [](const std::string& p) {
             std::ifstream in(std::string(KELVARA_FIXTURES_DIR) + "/sqlite2/catalogue-v2.db", std::ios::binary);
             writeFile(p, std::string(std::istreambuf_iterator<char>(in), {}));
         },
         "UNKNOWN_ERROR[26]: file is not a database"},
        {"a lock past the time-out",
         [this, &holder](const std::string&) {
             theDb.applyBusyTimeout(300);  // only tests shorten it
             holder = holdLock(60000);
         },
         "SQLITE_BUSY[5]: database is locked"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_db = kelvara::test::RawDb(":memory:");
        std::remove(path.c_str());
        kelvara::test::createCatalogue(path);
        m_db = kelvara::test::RawDb(path);
        c.arrange(path);
        const StartUp run = runProgram();
        EXPECT_EQ(run.exitCode, 1);
        ASSERT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(run.messages[0].text.rfind(c.expected, 0), 0u) << run.messages[0].text;
        EXPECT_EQ(run.messages[0].caption, "Kelvara");
        EXPECT_EQ(run.messages[0].type & MB_ICONMASK, MB_ICONERROR);
        // The same text on standard error, for whoever started the program.
        EXPECT_EQ(run.standardError, "Kelvara: " + run.messages[0].text + "\n");
        // The window never ran.
        EXPECT_TRUE(run.dialogs.empty());
        if (std::string(c.what) == "an SQLite 2 file") {
            EXPECT_NE(run.messages[0].text.find("kelvara-db migrate"), std::string::npos);
        }
    }
}

TEST_F(CatalogTest, AboutBoxOpensFromHelpAndItsSystemCommands)
{
    CCatalogDlg& dlg = openMainWindow();
    seam::pressKey(dlg, seam::Key::F1);
    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{IDD_ABOUTBOX});

    Seam::reset();
    dlg.Dispatch(WM_SYSCOMMAND, 0x0010);
    dlg.Dispatch(WM_SYSCOMMAND, 0x001F);
    dlg.Dispatch(WM_SYSCOMMAND, 0x0020);
    EXPECT_EQ(Seam::dialogsShown(), (std::vector<int>{IDD_ABOUTBOX, IDD_ABOUTBOX}));
    EXPECT_FALSE(dlg.isEnded());

    // The About box's own texts.
    Seam::reset();
    std::string version;
    Seam::onNextDialog([&](CDialog& about) {
        version = seam::text(about, IDOK);
        about.EndDialog(IDOK);
    });
    seam::pressKey(dlg, seam::Key::F1);
    EXPECT_EQ(version, "OK");

    // F1 held down (its repeats reach the About box), F1 inside it, the system command
    // meanwhile: one About box at a time. Once it is closed, F1 opens it again.
    Seam::reset();
    Seam::onNextDialog([&](CDialog& about) {
        for (int i = 0; i < 5; ++i)
            seam::pressKey(about, seam::Key::F1, true);
        dlg.Dispatch(WM_SYSCOMMAND, 0x0010);
        about.EndDialog(IDOK);
    });
    seam::pressKey(dlg, seam::Key::F1);
    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{IDD_ABOUTBOX});
    seam::pressKey(dlg, seam::Key::F1);
    EXPECT_EQ(Seam::dialogsShown(), (std::vector<int>{IDD_ABOUTBOX, IDD_ABOUTBOX}));
    // SC_CLOSE is passed on and closes the window as usual.
    dlg.Dispatch(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_TRUE(dlg.isEnded());
    EXPECT_EQ(dlg.modalResult(), IDCANCEL);
}

TEST_F(CatalogTest, EnterAndEscapeEndTheMainWindow)
{
    CCatalogDlg& dlg = openMainWindow();
    seam::type(dlg, IDC_SEARCH_TYPE, "SD7V16");
    seam::pressKey(dlg, seam::Key::Enter);
    EXPECT_TRUE(dlg.isEnded());
    EXPECT_EQ(dlg.modalResult(), IDOK);
    closeMainWindow();
    theDb.close();

    CCatalogDlg& again = openMainWindow();
    seam::pressKey(again, seam::Key::Escape);
    EXPECT_TRUE(again.isEnded());
    EXPECT_EQ(again.modalResult(), IDCANCEL);
}

TEST_F(CatalogTest, LayoutFollowsTheTemplate)
{
    CCatalogDlg& dlg = openMainWindow();
    // Dialog units at base units 6 x 13: x * 6 / 4, y * 13 / 8.
    EXPECT_EQ(seam::geometry(dlg, IDC_RESULTS), (std::vector<int>{10, 349, 750, 172}));
    EXPECT_EQ(seam::geometry(dlg, IDC_ADD_COMPRESSOR), (std::vector<int>{10, 536, 144, 22}));
    EXPECT_TRUE(seam::isTabStop(dlg, IDC_FIND_COMPRESSORS));
    EXPECT_FALSE(seam::isTabStop(dlg, IDC_SEARCH_TYPE));
    EXPECT_FALSE(seam::isTabStop(dlg, IDC_MANUFACTURER_LIST));
    for (int id : {IDC_FIND_COMPRESSORS, IDC_ADD_MANUFACTURER, IDC_SET_VISIBLE_COLUMNS})
        EXPECT_FALSE(seam::isDefaultButton(dlg, id));
    EXPECT_TRUE(seam::hasCloseBox(dlg));
}

TEST_F(CatalogTest, AMinimisedWindowDrawsItsIconInsteadOfTheBackground)
{
    CCatalogDlg& dlg = openMainWindow();
    EXPECT_EQ(seam::pixel(dlg, 5, 5), RGB(66, 125, 214));
    dlg.Dispatch(WM_SYSCOMMAND, SC_MINIMIZE);
    seam::processEvents();
    ASSERT_TRUE(dlg.IsIconic());
    // No blue fill now; the icon stands centred in the client area.
    EXPECT_NE(seam::pixel(dlg, 5, 5), RGB(66, 125, 214));
    CRect client;
    dlg.GetClientRect(&client);
    const COLORREF centre = seam::pixel(dlg, client.Width() / 2, client.Height() / 2);
    const COLORREF offIcon = seam::pixel(dlg, client.Width() / 2 + 40, client.Height() / 2);
    EXPECT_NE(centre, offIcon);
    EXPECT_EQ(dlg.SendMessage(WM_QUERYDRAGICON), reinterpret_cast<LRESULT>(theApp.LoadIcon(IDR_MAINFRAME)));
}
