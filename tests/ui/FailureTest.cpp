// Faults an operator can meet — a locked, read-only, damaged or incomplete catalogue, an
// unexpected error — each shown in a message while the program goes on and nothing is
// written that should not be.

#include "CatalogApp.h"
#include "CatalogTest.h"
#include "ChildProcess.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <new>
#include <stdexcept>

using platform::test::Seam;
namespace seam = platform::test;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Adds a manufacturer through its dialog; returns whether the dialog was still open after
// OK was pressed (the failure kept it open), after which it is cancelled.
bool addManufacturer(CCatalogDlg& dlg, const std::string& name)
{
    bool stayedOpen = false;
    Seam::onNextDialog([&](CDialog& d) {
        seam::type(d, IDC_NAME, name);
        seam::click(d, IDOK);
        stayedOpen = !d.isEnded();
        if (stayedOpen) {
            EXPECT_EQ(seam::text(d, IDC_NAME), name);
        }
    });
    seam::click(dlg, IDC_ADD_MANUFACTURER);
    return stayedOpen;
}

class FailureTest : public EngineCatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const long long vw = m_db.insertManufacturer("VW");
        m_golf = m_db.insertModel(vw, "Golf");
        m_db.insertCompressor(m_golf, compressor("SD7V16", "KV-1"));
    }
    long long m_golf = 0;
};

}  // namespace

TEST_P(FailureTest, ALockThatEndsWithinTheTimeOutIsWaitedFor)
{
    CCatalogDlg& dlg = openMainWindow();
    EXPECT_EQ(theDb.busyTimeout(), 60000);
    auto holder = holdLock(600);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(addManufacturer(dlg, "Volvo"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(holder->wait(), 0);
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(m_db.query("select marka from marki order by id_marki").size(), 2u);
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST), (std::vector<std::string>{"VW", "Volvo"}));
}

TEST_P(FailureTest, ALockPastTheTimeOutFailsAndWritesNothing)
{
    CCatalogDlg& dlg = openMainWindow();
    theDb.applyBusyTimeout(200);  // only tests shorten it
    auto holder = holdLock(5000);
    EXPECT_TRUE(addManufacturer(dlg, "Volvo"));
    // The insert fails, and so does the reload of the list after the dialog is cancelled.
    ASSERT_EQ(Seam::messages().size(), 2u);
    for (const auto& message : Seam::messages()) {
        EXPECT_EQ(message.text, onServer() ? "SQLITE_BUSY[5]: canceling statement due to lock timeout"
                                           : "SQLITE_BUSY[5]: database is locked");
        EXPECT_EQ(message.caption, "Kelvara");
        EXPECT_EQ(message.type, MB_OK | MB_ICONERROR);
    }
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST), std::vector<std::string>{"VW"});
    holder->kill();
    holder->wait();
    EXPECT_EQ(m_db.query("select marka from marki").size(), 1u);
    EXPECT_FALSE(dlg.isEnded());
}

TEST_P(FailureTest, AReadOnlyCatalogueIsReadButNotWritten)
{
    const kelvara::test::Rows rowsBefore = m_db.query("select * from kompresory");
    std::string before;
    std::string refused = "SQLITE_READONLY[8]: attempt to write a readonly database";
    // Root may write any file; open as an ordinary user would.
    const bool asRoot = !onServer() && geteuid() == 0;
    if (onServer()) {
        // A counter whose server user may only read.
        m_db.exec("do $$ begin if not exists (select from pg_roles where rolname = 'kelvara_reader') then "
                  "create role kelvara_reader login; end if; end $$");
        m_db.exec("grant select on marki, modele, kompresory, kolumny to kelvara_reader");
        g_strCatalogue = m_catalogue.path() + " user=kelvara_reader";
        refused = "SQLITE_READONLY[8]: permission denied for table marki";
    } else {
        before = readFile(m_catalogue.path());
        ASSERT_EQ(chmod(m_catalogue.path().c_str(), 0444), 0);
    }
    if (asRoot) {
        ASSERT_EQ(chmod(m_catalogue.directory().c_str(), 0755), 0);
        ASSERT_EQ(seteuid(65534), 0);
    }
    CCatalogDlg& dlg = openMainWindow();
    if (asRoot) {
        ASSERT_EQ(seteuid(0), 0);
    }

    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 1u);
    EXPECT_TRUE(addManufacturer(dlg, "Volvo"));
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, refused);
    // Removing the compressor fails the same way and leaves the list and the row as they were.
    Seam::clearMessages();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    ASSERT_EQ(Seam::messages().size(), 2u) << Seam::messages()[0].text;  // the confirmation, then the failure
    EXPECT_EQ(Seam::messages()[1].text, onServer() ? "SQLITE_READONLY[8]: permission denied for table kompresory" : refused);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 1u);
    closeMainWindow();
    theDb.close();
    EXPECT_EQ(m_db.query("select * from kompresory"), rowsBefore);
    if (!onServer()) {
        EXPECT_EQ(readFile(m_catalogue.path()), before);
    }
}

TEST_P(FailureTest, ACatalogueReplacedWhileRunningTellsTheOperatorToRestart)
{
    if (onServer())
        GTEST_SKIP() << "a server keeps its own files";
    m_db = kelvara::test::RawDb(":memory:");  // started with --catalogue other.db
    const std::string other = m_catalogue.directory() + "/other.db";
    ASSERT_EQ(std::rename(m_catalogue.path().c_str(), other.c_str()), 0);
    g_strCatalogue = "other.db";
    CCatalogDlg& dlg = openMainWindow();
    // Moved away, then a copy put back in its place (a restore from a backup, say).
    const std::string moved = m_catalogue.directory() + "/moved.db";
    ASSERT_EQ(std::rename(other.c_str(), moved.c_str()), 0);
    {
        std::ofstream(other, std::ios::binary) << readFile(moved);
    }
    const std::string before = readFile(other);

    EXPECT_TRUE(addManufacturer(dlg, "Volvo"));
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    Seam::answerMessageBox(IDYES);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    const auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 3u);  // the insert, the confirmation, the deletion
    for (const std::string& text : {messages[0], messages[2]}) {
        EXPECT_EQ(text.substr(0, text.find('\n')), "SQLITE_READONLY[8]: attempt to write a readonly database");
        EXPECT_NE(text.find("file other.db was moved, replaced or deleted while Kelvara was"), std::string::npos) << text;
        EXPECT_NE(text.find("Close Kelvara and start it again to work with the other.db"), std::string::npos) << text;
        EXPECT_EQ(text.find("database.db"), std::string::npos) << text;
    }
    EXPECT_FALSE(dlg.isEnded());
    closeMainWindow();
    theDb.close();
    EXPECT_EQ(readFile(other), before);
    m_db = kelvara::test::RawDb(moved);
    EXPECT_EQ(m_db.query("select marka from marki").size(), 1u);
    EXPECT_EQ(m_db.query("select 1 from kompresory").size(), 1u);
}

TEST_P(FailureTest, AMissingTableOrColumnStopsTheCommandOnly)
{
    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    m_db.exec("alter table kompresory rename to kompresory_old");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    EXPECT_EQ(takeMessages(), std::vector<std::string>{onServer() ? "SQLITE_ERROR[1]: relation \"kompresory\" does not exist"
                                                                  : "SQLITE_ERROR[1]: no such table: kompresory"});
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());

    m_db.exec("create table kompresory (id_kompresora bigint PRIMARY KEY, id_modelu bigint, pojemnosc text, od text, "
              "\"do\" text, typ text, nr_f_s text, nrkv text, cena_zakl numeric, kaucja_sku numeric)");
    seam::type(dlg, IDC_SEARCH_TYPE, "sd7v16");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{onServer() ? "SQLITE_ERROR[1]: column kompresory.netto does not exist"
                                                                  : "SQLITE_ERROR[1]: no such column: kompresory.netto"});

    // The window goes on: the lists still work.
    EXPECT_FALSE(dlg.isEnded());
    EXPECT_FALSE(addManufacturer(dlg, "Volvo"));
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST), (std::vector<std::string>{"VW", "Volvo"}));
}

TEST_P(FailureTest, ADamagedCatalogueIsReportedWhereItIsRead)
{
    if (onServer())
        GTEST_SKIP() << "a server keeps its own files";
    for (int i = 0; i < 2000; ++i)
        m_db.insertCompressor(m_golf, compressor("T", "KV-" + std::to_string(i)));
    const std::string root = m_db.scalar("select rootpage from sqlite_master where name = 'kompresory'").value();
    const int pageSize = std::stoi(m_db.scalar("pragma page_size").value());
    m_db = kelvara::test::RawDb(":memory:");
    {
        std::fstream file(m_catalogue.path(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(std::stoi(root) - 1) * pageSize);
        file << std::string(64, '\xff');
    }
    const std::string damaged = readFile(m_catalogue.path());

    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"SQLITE_CORRUPT[11]: database disk image is malformed"});
    EXPECT_FALSE(dlg.isEnded());
    closeMainWindow();
    theDb.close();
    EXPECT_EQ(readFile(m_catalogue.path()), damaged);

    // Cut short, the file cannot even start the program; it is left as it was.
    const std::string truncated = damaged.substr(0, damaged.size() / 3);
    std::ofstream(m_catalogue.path(), std::ios::binary | std::ios::trunc) << truncated;
    Seam::reset();
    theApp.InitInstance();
    EXPECT_EQ(theApp.ExitInstance(), 1);
    theApp.m_nExitCode = 0;
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, "SQLITE_CORRUPT[11]: database disk image is malformed");
    theDb.close();
    EXPECT_EQ(readFile(m_catalogue.path()), truncated);
}

TEST_P(FailureTest, UnexpectedErrorsGetAGenericMessageAndTheProgramGoesOn)
{
    CCatalogDlg& dlg = openMainWindow();
    theApp.ReportHandlerException(&dlg, std::make_exception_ptr(std::bad_alloc()));
    theApp.ReportHandlerException(&dlg, std::make_exception_ptr(std::runtime_error("disk on fire")));
    theApp.ReportHandlerException(&dlg, std::make_exception_ptr(42));
    ASSERT_EQ(Seam::messages().size(), 3u);
    EXPECT_EQ(Seam::messages()[0].text, "Kelvara ran out of memory. The last command was not completed.");
    EXPECT_EQ(Seam::messages()[1].text, "An unexpected error stopped the last command: disk on fire");
    EXPECT_EQ(Seam::messages()[2].text, "An unexpected error stopped the last command.");
    for (const auto& message : Seam::messages()) {
        EXPECT_EQ(message.caption, "Kelvara");
        EXPECT_EQ(message.type, MB_OK | MB_ICONERROR);
    }
    EXPECT_FALSE(dlg.isEnded());
}

KELVARA_ON_BOTH_ENGINES(FailureTest);
