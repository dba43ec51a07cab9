// Choosing the visible result columns: the "Visible Columns" dialog, the stored choice and
// the result list rebuilt for it.

#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <algorithm>
#include <array>
#include <cstdlib>

using kelvara::test::CompressorRow;
using platform::test::ListColumn;
using platform::test::Seam;
namespace seam = platform::test;

namespace {

using Flags = std::array<int, 9>;
using Rows = std::vector<std::vector<std::string>>;

const std::array<int, 9> kBoxes{IDC_SHOW_MANUFACTURER, IDC_SHOW_CAPACITY,       IDC_SHOW_YEARS,
                                IDC_SHOW_TYPE,         IDC_SHOW_COMMON_PART_NO, IDC_SHOW_PART_NO,
                                IDC_SHOW_JOBBER,       IDC_SHOW_CORE_DEPOSIT,   IDC_SHOW_NET_PRICE};
const std::vector<ListColumn> kAllColumns{
    {"Manufacturer - Model", 180}, {"Engine capacity", 100}, {"Model year from - to", 120},
    {"Compressor type", 100},      {"Common part #", 100},   {"Kelvara part #", 100},
    {"Kelvara Jobber $", 100},     {"Core deposit", 80},     {"Net price", 80},
};

const std::string& kSelectFlags = kelvara::test::file::kSelectColumnFlags;

std::vector<std::string> carSearch(const kelvara::test::ExpectedStatements& sent, const std::string& manufacturer,
                                   const std::string& model)
{
    return {sent.countCompressorsOfCar(manufacturer, model), sent.compressorsOfCar(manufacturer, model)};
}

std::vector<std::string> typeSearch(const kelvara::test::ExpectedStatements& sent, const std::string& upperType)
{
    return {sent.countCompressorsOfType(upperType), sent.compressorsOfType(upperType)};
}

std::vector<std::string> updates(const Flags& flags)
{
    std::vector<std::string> texts;
    for (size_t i = 0; i < flags.size(); ++i)
        texts.push_back(kelvara::test::file::updateColumnFlag(kelvara::test::file::kColumnFlags[i], flags[i] != 0));
    return texts;
}

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Flags checkStates(CDialog& dlg)
{
    Flags states{};
    for (size_t i = 0; i < kBoxes.size(); ++i) {
        auto* box = dynamic_cast<CButton*>(dlg.GetDlgItem(kBoxes[i]));
        states[i] = box ? box->GetCheck() : -1;
    }
    return states;
}

void setChecks(CDialog& dlg, const Flags& flags)
{
    for (size_t i = 0; i < kBoxes.size(); ++i)
        seam::setCheck(dlg, kBoxes[i], flags[i] != 0);
}

Flags visibleFlags()
{
    Flags flags{};
    std::copy(g_columnVisible.begin(), g_columnVisible.end(), flags.begin());
    return flags;
}

std::vector<ListColumn> columnsFor(const Flags& flags)
{
    std::vector<ListColumn> columns;
    for (size_t i = 0; i < flags.size(); ++i) {
        if (flags[i])
            columns.push_back(kAllColumns[i]);
    }
    return columns;
}

Rows sorted(Rows rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Three compressors: two of the Audi A4 (one of them an SD7V16) and an SD7V16 of the BMW E46.
const CompressorRow kA4First{"1.8", "1995", "2001", "SD7V16", "OE-100", "KV-1", "310.00", "25.00", "285.00"};
const CompressorRow kA4Second{"2.0", "2001", "2005", "7SEU16C", "OE-200", "KV-2", "410.00", "30.00", "380.00"};
const CompressorRow kE46{"2.5", "1998", "2005", "SD7V16", "OE-300", "KV-3", "350.00", "20.00", "330.00"};

class ColumnsTest : public EngineCatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const long long audi = m_db.insertManufacturer("Audi");
        const long long a4 = m_db.insertModel(audi, "A4");
        m_db.insertCompressor(a4, kA4First);
        m_db.insertCompressor(a4, kA4Second);
        const long long bmw = m_db.insertManufacturer("BMW");
        m_db.insertCompressor(m_db.insertModel(bmw, "E46"), kE46);
    }

    void selectA4(CCatalogDlg& dlg)
    {
        seam::pick(dlg, IDC_MANUFACTURER_LIST, "Audi");
        seam::pick(dlg, IDC_MODEL_LIST, "A4");
        ASSERT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 2u);
    }

    void searchType(CCatalogDlg& dlg, const std::string& type)
    {
        seam::type(dlg, IDC_SEARCH_TYPE, type);
        seam::click(dlg, IDC_FIND_COMPRESSORS);
    }

    // Opens "Visible Columns" from the main window with a script for it.
    void setVisibleColumns(CCatalogDlg& dlg, std::function<void(CDialog&)> script)
    {
        Seam::onNextDialog(std::move(script));
        seam::click(dlg, IDC_SET_VISIBLE_COLUMNS);
        EXPECT_EQ(Seam::pendingDialogScripts(), 0) << "the dialog did not open";
    }

    // Checks exactly the given boxes and presses OK.
    void chooseColumns(CCatalogDlg& dlg, const Flags& flags)
    {
        setVisibleColumns(dlg, [flags](CDialog& d) {
            setChecks(d, flags);
            seam::click(d, IDOK);
        });
    }

    void storeFlags(const std::string& assignments) { m_db.exec("update kolumny set " + assignments); }

    std::vector<kelvara::test::Value> storedFlags()
    {
        const auto rows = m_db.query(kSelectFlags);
        EXPECT_EQ(rows.size(), 1u);
        return rows.empty() ? kelvara::test::Row{} : rows[0];
    }
};

const Flags kAll{1, 1, 1, 1, 1, 1, 1, 1, 1};
const Flags kCapacityAndNetPrice{0, 1, 0, 0, 0, 0, 0, 0, 1};
const Flags kNone{};

}  // namespace

TEST_P(ColumnsTest, OkStoresTheChoiceAndRebuildsTheListForIt)
{
    CCatalogDlg& dlg = openMainWindow();
    selectA4(dlg);
    clearStatements();

    Flags opened{};
    setVisibleColumns(dlg, [&](CDialog& d) {
        opened = checkStates(d);
        setChecks(d, kCapacityAndNetPrice);
        seam::click(d, IDOK);
    });

    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{IDD_COLUMNS});
    EXPECT_EQ(opened, kAll);
    EXPECT_EQ(statements(), concat({{kSelectFlags}, updates(kCapacityAndNetPrice), {kSelectFlags},
                                    carSearch(sent(), "Audi", "A4")}));
    EXPECT_EQ(storedFlags(), (kelvara::test::Row{"0", "1", "0", "0", "0", "0", "0", "0", "1"}));
    EXPECT_EQ(visibleFlags(), kCapacityAndNetPrice);
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS),
              (std::vector<ListColumn>{{"Engine capacity", 100}, {"Net price", 80}}));
    EXPECT_EQ(sorted(seam::listRows(dlg, IDC_RESULTS)), (Rows{{"1.8", "285.00"}, {"2.0", "380.00"}}));
    EXPECT_TRUE(takeMessages().empty());

    // The refreshed rows belong to the same ids: a click still selects its compressor.
    EXPECT_TRUE(g_strCompressorId.empty());
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    const std::string capacity = seam::listRows(dlg, IDC_RESULTS)[0][0];
    EXPECT_EQ(m_db.scalar("select pojemnosc from kompresory where id_kompresora = $1", {g_strCompressorId}),
              kelvara::test::Value(capacity));
}

TEST_P(ColumnsTest, EveryOkWritesAllNineFlags)
{
    storeFlags("manufacturer='1', capacity='0', year='1', type='0', common='0', kelvara='1', jobber='0', "
               "deposit='0', price='1'");
    const Flags stored{1, 0, 1, 0, 0, 1, 0, 0, 1};
    CCatalogDlg& dlg = openMainWindow();
    ASSERT_EQ(seam::listColumns(dlg, IDC_RESULTS), columnsFor(stored));
    clearStatements();

    // Nothing changed: the nine updates run all the same, with the values shown.
    setVisibleColumns(dlg, [](CDialog& d) { seam::click(d, IDOK); });
    EXPECT_EQ(statements(), concat({{kSelectFlags}, updates(stored), {kSelectFlags}}));
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), columnsFor(stored));

    // Enter presses OK, the default button, as well.
    clearStatements();
    setVisibleColumns(dlg, [](CDialog& d) {
        seam::setCheck(d, IDC_SHOW_TYPE, true);
        seam::pressKey(d, seam::Key::Enter);
    });
    Flags withType = stored;
    withType[3] = 1;
    EXPECT_EQ(statements(), concat({{kSelectFlags}, updates(withType), {kSelectFlags}}));
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), columnsFor(withType));
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(ColumnsTest, NothingCheckedLeavesTheListWithoutColumns)
{
    CCatalogDlg& dlg = openMainWindow();
    selectA4(dlg);
    clearStatements();

    chooseColumns(dlg, kNone);
    EXPECT_EQ(statements(), concat({{kSelectFlags}, updates(kNone), {kSelectFlags}, carSearch(sent(), "Audi", "A4")}));
    EXPECT_EQ(storedFlags(), (kelvara::test::Row{"0", "0", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(visibleFlags(), kNone);
    EXPECT_TRUE(seam::listColumns(dlg, IDC_RESULTS).empty());

    // And back: every column returns, in its place, with the rows' texts under it.
    chooseColumns(dlg, kAll);
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), kAllColumns);
    EXPECT_EQ(sorted(seam::listRows(dlg, IDC_RESULTS)),
              (Rows{{"Audi A4", "1.8", "1995 - 2001", "SD7V16", "OE-100", "KV-1", "310.00", "25.00", "285.00"},
                    {"Audi A4", "2.0", "2001 - 2005", "7SEU16C", "OE-200", "KV-2", "410.00", "30.00", "380.00"}}));
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(ColumnsTest, CancelEscapeAndCloseBoxWriteNothingButStillRefreshByCar)
{
    storeFlags("manufacturer='1', capacity='0', year='0', type='1', common='0', kelvara='0', jobber='0', "
               "deposit='0', price='1'");
    const Flags stored{1, 0, 0, 1, 0, 0, 0, 0, 1};
    CCatalogDlg& dlg = openMainWindow();
    selectA4(dlg);

    const std::vector<std::pair<const char*, std::function<void(CDialog&)>>> ways{
        {"Cancel", [](CDialog& d) { seam::click(d, IDCANCEL); }},
        {"Escape", [](CDialog& d) { seam::pressKey(d, seam::Key::Escape); }},
        {"close box", [](CDialog& d) { seam::clickCloseBox(d); }},
    };
    for (const auto& [way, close] : ways) {
        SCOPED_TRACE(way);
        // The list shows a type search: both SD7V16 compressors, the BMW's included.
        searchType(dlg, "sd7v16");
        ASSERT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 2u);
        clearStatements();

        bool ended = true;
        setVisibleColumns(dlg, [&](CDialog& d) {
            setChecks(d, kCapacityAndNetPrice);
            close(d);
            ended = d.isEnded() && d.modalResult() == IDCANCEL;
        });
        EXPECT_TRUE(ended);
        // No update; the selected car's list replaces the type search's.
        EXPECT_EQ(statements(), concat({{kSelectFlags}, {kSelectFlags}, carSearch(sent(), "Audi", "A4")}));
        EXPECT_EQ(storedFlags(), (kelvara::test::Row{"1", "0", "0", "1", "0", "0", "0", "0", "1"}));
        EXPECT_EQ(visibleFlags(), stored);
        EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), columnsFor(stored));
        EXPECT_EQ(sorted(seam::listRows(dlg, IDC_RESULTS)),
                  (Rows{{"Audi A4", "7SEU16C", "380.00"}, {"Audi A4", "SD7V16", "285.00"}}));
    }
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(ColumnsTest, DialogOpensWithWhatKolumnyHolds)
{
    CCatalogDlg& dlg = openMainWindow();
    ASSERT_EQ(visibleFlags(), kAll);
    // Changed behind the window's back: the dialog goes by the table, not by the list.
    // Only 1 shows a column; the server's integer flags cannot hold the odd texts.
    storeFlags(onServer() ? "manufacturer=0, capacity=NULL, year=NULL, type=2, common=-1, kelvara=10, jobber=1, "
                            "deposit=NULL, price=1"
                          : "manufacturer='0', capacity='', year=NULL, type='2', common=' 1', kelvara='01', jobber='1', "
                            "deposit='true', price='1'");
    const Flags stored{0, 0, 0, 0, 0, 0, 1, 0, 1};

    Flags opened{};
    Flags whileOpen{};
    setVisibleColumns(dlg, [&](CDialog& d) {
        opened = checkStates(d);
        whileOpen = visibleFlags();
        seam::click(d, IDCANCEL);
    });
    EXPECT_EQ(opened, stored);
    EXPECT_EQ(whileOpen, stored);
    // Cancel leaves the flags as the table has them, and the list follows.
    EXPECT_EQ(visibleFlags(), stored);
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), columnsFor(stored));
    EXPECT_EQ(storedFlags(), (onServer() ? kelvara::test::Row{"0", std::nullopt, std::nullopt, "2", "-1", "10", "1", std::nullopt, "1"}
                                         : kelvara::test::Row{"0", "", std::nullopt, "2", " 1", "01", "1", "true", "1"}));

    // OK writes every value that was not "1" back as 0.
    clearStatements();
    setVisibleColumns(dlg, [](CDialog& d) { seam::click(d, IDOK); });
    EXPECT_EQ(statements(), concat({{kSelectFlags}, updates(stored), {kSelectFlags}}));
    EXPECT_EQ(storedFlags(), (kelvara::test::Row{"0", "0", "0", "0", "0", "0", "1", "0", "1"}));
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(ColumnsTest, ChoiceSurvivesARestart)
{
    CCatalogDlg& first = openMainWindow();
    chooseColumns(first, kCapacityAndNetPrice);
    ASSERT_EQ(visibleFlags(), kCapacityAndNetPrice);
    closeMainWindow();
    theDb.close();
    ResetSharedState();

    CCatalogDlg& second = openMainWindow();
    EXPECT_EQ(visibleFlags(), kCapacityAndNetPrice);
    EXPECT_EQ(seam::listColumns(second, IDC_RESULTS),
              (std::vector<ListColumn>{{"Engine capacity", 100}, {"Net price", 80}}));
    selectA4(second);
    EXPECT_EQ(sorted(seam::listRows(second, IDC_RESULTS)), (Rows{{"1.8", "285.00"}, {"2.0", "380.00"}}));
}

TEST_P(ColumnsTest, WithoutACarTheRowsAreFilledAgainByTheSearchThatMadeThem)
{
    CCatalogDlg& dlg = openMainWindow();

    // Nothing listed and no car: there is nothing to refill and no search runs.
    clearStatements();
    chooseColumns(dlg, kCapacityAndNetPrice);
    EXPECT_EQ(statements(), concat({{kSelectFlags}, updates(kCapacityAndNetPrice), {kSelectFlags}}));
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());

    // A type search, then the edit changed without searching: the list is refilled by the
    // type that produced its rows, laid out for the new columns.
    searchType(dlg, "sd7v16");
    seam::type(dlg, IDC_SEARCH_TYPE, "7seu16c");
    clearStatements();
    const Flags typeAndPrice{1, 0, 0, 1, 0, 0, 0, 0, 1};
    chooseColumns(dlg, typeAndPrice);
    EXPECT_EQ(statements(),
              concat({{kSelectFlags}, updates(typeAndPrice), {kSelectFlags}, typeSearch(sent(), "SD7V16")}));
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), columnsFor(typeAndPrice));
    EXPECT_EQ(sorted(seam::listRows(dlg, IDC_RESULTS)),
              (Rows{{"Audi A4", "SD7V16", "285.00"}, {"BMW E46", "SD7V16", "330.00"}}));

    // A car's rows stay when the manufacturer list is reloaded (adding a manufacturer,
    // here cancelled); the car search that made them fills them again.
    selectA4(dlg);
    seam::clickListRow(dlg, IDC_RESULTS, 0);
    ASSERT_FALSE(g_strCompressorId.empty());
    seam::click(dlg, IDC_ADD_MANUFACTURER);
    ASSERT_EQ(seam::comboSelection(dlg, IDC_MANUFACTURER_LIST), -1);
    ASSERT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 2u);
    clearStatements();
    chooseColumns(dlg, kCapacityAndNetPrice);
    EXPECT_EQ(statements(),
              concat({{kSelectFlags}, updates(kCapacityAndNetPrice), {kSelectFlags}, carSearch(sent(), "Audi", "A4")}));
    EXPECT_EQ(sorted(seam::listRows(dlg, IDC_RESULTS)), (Rows{{"1.8", "285.00"}, {"2.0", "380.00"}}));
    // The rows are new: no compressor is selected until one is clicked again.
    EXPECT_TRUE(g_strCompressorId.empty());

    // Picking a manufacturer empties the list; the columns change without a refill.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "BMW");
    ASSERT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());
    clearStatements();
    chooseColumns(dlg, kAll);
    EXPECT_EQ(statements(), concat({{kSelectFlags}, updates(kAll), {kSelectFlags}}));
    EXPECT_TRUE(seam::listRows(dlg, IDC_RESULTS).empty());
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(ColumnsTest, AnEmptyKolumnyIsReportedAndChangesNothing)
{
    CCatalogDlg& dlg = openMainWindow();
    selectA4(dlg);
    const Rows rows = seam::listRows(dlg, IDC_RESULTS);
    const std::string expected =
        "CPPSQLITE_ERROR[1000]: Table kolumny holds no row: the result column settings are missing";

    // Before the dialog opens: it never shows, and the message is the one start-up gives.
    m_db.exec("delete from kolumny");
    clearStatements();
    seam::click(dlg, IDC_SET_VISIBLE_COLUMNS);
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_EQ(statements(), std::vector<std::string>{kSelectFlags});
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, expected);
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type & MB_ICONMASK, MB_ICONERROR);
    Seam::clearMessages();
    EXPECT_EQ(visibleFlags(), kAll);
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), kAllColumns);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS), rows);

    // Emptied while the dialog is open: OK's updates find no row, and reading the choice
    // back fails. The list keeps its columns and rows, and the flags still describe them.
    m_db.exec("insert into kolumny values ('1', '1', '1', '1', '1', '1', '1', '1', '1')");
    setVisibleColumns(dlg, [this](CDialog& d) {
        setChecks(d, kCapacityAndNetPrice);
        m_db.exec("delete from kolumny");
        seam::click(d, IDOK);
    });
    EXPECT_EQ(takeMessages(), std::vector<std::string>{expected});
    EXPECT_EQ(visibleFlags(), kAll);
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), kAllColumns);
    EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS), rows);
}

TEST_P(ColumnsTest, AFailingUpdateKeepsTheDialogOpenWithTheEarlierFlagsWritten)
{
    CCatalogDlg& dlg = openMainWindow();
    m_db.refuse("update of year", "kolumny", "year is locked");
    clearStatements();

    bool stayedOpen = false;
    Flags flagsAfterFailure{};
    setVisibleColumns(dlg, [&](CDialog& d) {
        setChecks(d, kCapacityAndNetPrice);
        seam::click(d, IDOK);
        stayedOpen = !d.isEnded();
        flagsAfterFailure = visibleFlags();
        seam::click(d, IDCANCEL);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(flagsAfterFailure, kAll);
    const auto written = updates(kCapacityAndNetPrice);
    EXPECT_EQ(statements(), concat({{kSelectFlags}, {written[0], written[1], written[2]}, {kSelectFlags}}));
    const auto messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("year is locked"), std::string::npos) << messages[0];
    // The two updates before the failing one stay written; the list follows the table.
    const Flags partly{0, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(visibleFlags(), partly);
    EXPECT_EQ(seam::listColumns(dlg, IDC_RESULTS), columnsFor(partly));
}

TEST_P(ColumnsTest, DialogLooksFinished)
{
    CCatalogDlg& dlg = openMainWindow();
    bool checked = false;
    setVisibleColumns(dlg, [&](CDialog& d) {
        checked = true;
        EXPECT_EQ(seam::caption(d), "Visible Columns");
        EXPECT_TRUE(seam::hasCloseBox(d));
        EXPECT_TRUE(seam::isDefaultButton(d, IDOK));
        EXPECT_FALSE(seam::isDefaultButton(d, IDCANCEL));
        EXPECT_TRUE(seam::hasFocus(d, IDOK));
        const std::array<const char*, 9> texts{"Car manufacturer and model", "Engine capacity", "Production years",
                                               "Compressor type",           "Common part #",   "Kelvara part #",
                                               "Jobber $",                  "Core deposit",    "Net price"};
        for (size_t i = 0; i < kBoxes.size(); ++i) {
            SCOPED_TRACE(texts[i]);
            EXPECT_EQ(seam::text(d, kBoxes[i]), texts[i]);
            EXPECT_TRUE(seam::isTabStop(d, kBoxes[i]));
            EXPECT_EQ(seam::textColor(d, kBoxes[i]), RGB(255, 255, 255));
            EXPECT_EQ(seam::textBackground(d, kBoxes[i]), RGB(66, 125, 214));
        }
        // The push buttons keep the platform's colours.
        EXPECT_NE(seam::textColor(d, IDOK), RGB(255, 255, 255));
        EXPECT_EQ(seam::pixel(d, 2, 2), RGB(66, 125, 214));
        // Tab order: OK, Cancel, then the boxes from the top.
        seam::pressKey(d, seam::Key::Tab);
        EXPECT_TRUE(seam::hasFocus(d, IDCANCEL));
        seam::pressKey(d, seam::Key::Tab);
        EXPECT_TRUE(seam::hasFocus(d, IDC_SHOW_MANUFACTURER));

        if (std::getenv("KELVARA_WRITE_DOCS")) {
            seam::setCheck(d, IDC_SHOW_COMMON_PART_NO, false);
            seam::setCheck(d, IDC_SHOW_CORE_DEPOSIT, false);
            d.GetDlgItem(IDOK)->SetFocus();
            EXPECT_TRUE(seam::saveScreenshot(d, KELVARA_DOCS_DIR "/visible-columns.png"));
        }
        seam::click(d, IDCANCEL);
    });
    EXPECT_TRUE(checked);
}

KELVARA_ON_BOTH_ENGINES(ColumnsTest);
