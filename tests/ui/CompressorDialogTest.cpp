// The compressor dialog: what it loads, what Save writes, what it refuses, how it looks.

#include "CatalogTest.h"
#include "Dialog.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <array>
#include <cstdlib>
#include <stdexcept>

using platform::test::Seam;
namespace seam = platform::test;
using kelvara::test::Row;
using kelvara::test::Rows;

namespace {

// The nine values in table order: pojemnosc, od, do, typ, nr_f_s, nrkv, cena_zakl, kaucja_sku, netto.
using Fields = std::array<std::string, 9>;
constexpr std::array<int, 9> kEdits{IDC_CAPACITY, IDC_YEAR_FROM, IDC_YEAR_TO,      IDC_TYPE,     IDC_COMMON_PART_NO,
                                    IDC_PART_NO,  IDC_JOBBER,    IDC_CORE_DEPOSIT, IDC_NET_PRICE};

void typeAll(CDialog& dlg, const Fields& fields)
{
    for (size_t i = 0; i < kEdits.size(); ++i)
        seam::type(dlg, kEdits[i], fields[i]);
}

Fields shown(CDialog& dlg)
{
    Fields fields;
    for (size_t i = 0; i < kEdits.size(); ++i)
        fields[i] = seam::text(dlg, kEdits[i]);
    return fields;
}

Row asRow(const Fields& fields)
{
    return Row(fields.begin(), fields.end());
}

class CompressorDialogTest : public EngineCatalogTest {
protected:
    // The search that lists VW Golf's compressors, and the two look-ups before a save.
    std::string carCount() const { return sent().countCompressorsOfCar("VW", "Golf"); }
    std::string carRows() const { return sent().compressorsOfCar("VW", "Golf"); }
    std::string vwId() const { return sent().manufacturerIdByName("VW"); }
    std::string golfId() const { return sent().modelIdByName("Golf", std::to_string(vw)); }

    void SetUp() override
    {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // More than one of each, so that ids and list positions differ.
        audi = m_db.insertManufacturer("Audi");
        vw = m_db.insertManufacturer("VW");
        a4 = m_db.insertModel(audi, "A4");
        polo = m_db.insertModel(vw, "Polo");
        golf = m_db.insertModel(vw, "Golf");
    }


    // Clicks the list row of this compressor, so that g_strCompressorId names it.
    void clickRowOf(CCatalogDlg& dlg, long long id)
    {
        for (int row = 0; row < static_cast<int>(seam::listRows(dlg, IDC_RESULTS).size()); ++row) {
            seam::clickListRow(dlg, IDC_RESULTS, row);
            if (g_strCompressorId == std::to_string(id))
                return;
        }
        throw std::logic_error("compressor " + std::to_string(id) + " is not listed");
    }

    Rows compressors()
    {
        return m_db.query("select id_kompresora, id_modelu, pojemnosc, od, \"do\", typ, nr_f_s, nrkv, cena_zakl, "
                          "kaucja_sku, netto from kompresory order by id_kompresora");
    }

    // The nine stored values of one compressor.
    Row stored(long long id)
    {
        const Rows rows = m_db.query("select pojemnosc, od, \"do\", typ, nr_f_s, nrkv, cena_zakl, kaucja_sku, netto "
                                     "from kompresory where id_kompresora = $1",
                                     {std::to_string(id)});
        if (rows.size() != 1)
            throw std::logic_error("no compressor " + std::to_string(id));
        return rows[0];
    }

    long long audi = 0, vw = 0, a4 = 0, polo = 0, golf = 0;
};

}  // namespace

TEST_P(CompressorDialogTest, AddLooksUpTheModelThenInserts)
{
    m_db.insertCompressor(polo, compressor("ON-POLO"));
    CCatalogDlg& main = openOnGolf();

    Fields opened;
    std::string caption;
    bool ended = false;
    Seam::onNextDialog([&](CDialog& d) {
        opened = shown(d);
        caption = seam::caption(d);
        typeAll(d, {"1.6", "1998", "2004", "SD7V16", "OE-1135", "KV-17", "310.00", "25", "1e3"});
        seam::click(d, IDOK);
        ended = d.isEnded();
    });
    seam::click(main, IDC_ADD_COMPRESSOR);

    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{IDD_COMPRESSOR});
    EXPECT_EQ(opened, Fields{});
    EXPECT_EQ(caption, "Add compressor");
    EXPECT_TRUE(ended);
    EXPECT_EQ(statements(),
              (std::vector<std::string>{
                  vwId(), golfId(),
                  sent().insertCompressor(std::to_string(golf),
                                          {"1.6", "1998", "2004", "SD7V16", "OE-1135", "KV-17", "310.00", "25", "1e3"}),
                  carCount(), carRows()}));
    // Prices are numbers to the database and read back as it prints them: SQLite as a
    // floating-point number, the server with the decimals typed.
    const Rows rows = compressors();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (Row{rows[1][0], std::to_string(golf), "1.6", "1998", "2004", "SD7V16", "OE-1135", "KV-17",
                            onServer() ? "310.00" : "310.0", "25", onServer() ? "1000" : "1000.0"}));
    EXPECT_EQ(g_bEditMode, 0);
    EXPECT_EQ(g_strManufacturer, "VW");
    EXPECT_EQ(g_strModel, "Golf");
    // The refreshed list shows the new compressor, and none is selected.
    ASSERT_EQ(seam::listRows(main, IDC_RESULTS).size(), 1u);
    EXPECT_EQ(seam::listRows(main, IDC_RESULTS)[0][5], "KV-17");
    EXPECT_EQ(g_strCompressorId, "");
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(CompressorDialogTest, AddWritesTextsExactlyAsTyped)
{
    CCatalogDlg& main = openOnGolf();
    // Empty texts are empty values, not NULLs; the type keeps its case; letters in a year
    // are nobody's business but the operator's.
    Seam::onNextDialog([&](CDialog& d) {
        typeAll(d, {"", "ab", "", "sd7v16", "", "", "0", "-2.5", ".5"});
        seam::click(d, IDOK);
    });
    seam::click(main, IDC_ADD_COMPRESSOR);
    ASSERT_EQ(statements().size(), 5u);
    EXPECT_EQ(statements()[2], sent().insertCompressor(std::to_string(golf), {"", "ab", "", "sd7v16", "", "", "0", "-2.5", ".5"}));
    const Rows rows = compressors();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{rows[0][0], std::to_string(golf), "", "ab", "", "sd7v16", "", "", "0", "-2.5", "0.5"}));
}

TEST_P(CompressorDialogTest, EditLoadsTheStoredValuesAndUpdatesThem)
{
    const long long other = m_db.insertCompressor(golf, compressor("T-OTHER", "KV-OTHER"));
    const long long target =
        m_db.insertCompressor(golf, {"1.9", "2001", "2006", "7SBU16C", "OE-7", "KV-7", "410.5", "30", "380"});
    const Rows before = compressors();
    CCatalogDlg& main = openOnGolf();
    clickRowOf(main, target);
    clearStatements();

    Fields opened;
    std::string caption;
    size_t statementsWhenOpen = 0;
    Seam::onNextDialog([&](CDialog& d) {
        opened = shown(d);
        caption = seam::caption(d);
        statementsWhenOpen = statements().size();
        typeAll(d, {"2.0", "2002", "2008", "7seu17c", "OE-8", "KV-8", "415", "31.5", "385"});
        seam::click(d, IDOK);
    });
    seam::click(main, IDC_EDIT_COMPRESSOR);

    EXPECT_EQ(opened, (Fields{"1.9", "2001", "2006", "7SBU16C", "OE-7", "KV-7", "410.5", "30", "380"}));
    EXPECT_EQ(caption, "Add compressor");
    EXPECT_EQ(statementsWhenOpen, 2u);
    const std::string id = std::to_string(target);
    EXPECT_EQ(statements(),
              (std::vector<std::string>{
                  sent().currentCompressor(false), sent().loadCompressor(id), vwId(), golfId(), sent().currentCompressor(true),
                  sent().updateCompressor({"2.0", "2002", "2008", "7seu17c", "OE-8", "KV-8", "415", "31.5", "385"}, id),
                  carCount(), carRows()}));
    EXPECT_EQ(stored(target), (Row{"2.0", "2002", "2008", "7seu17c", "OE-8", "KV-8", "415", "31.5", "385"}));
    // Only that row changed, and it stays with its model.
    const Rows after = compressors();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[0][0], std::to_string(other));
    EXPECT_EQ(after[1][1], std::to_string(golf));
    EXPECT_EQ(g_bEditMode, 1);
    EXPECT_EQ(g_strCompressorId, "");
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(CompressorDialogTest, NullPriceOpensEmptyAndMustBeFilledBeforeSaving)
{
    const long long target = m_db.insertCompressor(
        golf, {"1.4", std::nullopt, "2003", "SD6V12", "OE-6", "KV-6", "200", "20", std::nullopt});
    CCatalogDlg& main = openOnGolf();
    clickRowOf(main, target);
    clearStatements();

    Fields opened;
    Fields afterRefusal;
    std::vector<std::string> refusedRan;
    bool openAfterRefusal = false;
    bool netPriceFocused = false;
    Seam::onNextDialog([&](CDialog& d) {
        opened = shown(d);
        clearStatements();
        seam::click(d, IDOK);
        refusedRan = statements();
        openAfterRefusal = !d.isEnded();
        netPriceFocused = seam::hasFocus(d, IDC_NET_PRICE);
        afterRefusal = shown(d);
        seam::type(d, IDC_NET_PRICE, "199.99");
        seam::click(d, IDOK);
    });
    seam::click(main, IDC_EDIT_COMPRESSOR);

    // A NULL comes up as an empty edit, the year as well as the price.
    EXPECT_EQ(opened, (Fields{"1.4", "", "2003", "SD6V12", "OE-6", "KV-6", "200", "20", ""}));
    EXPECT_TRUE(refusedRan.empty());
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_TRUE(netPriceFocused);
    EXPECT_EQ(afterRefusal, opened);
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, "Net price must be a number such as 12 or 12.50.");
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type, MB_OK);
    // The empty year is saved as an empty text.
    EXPECT_EQ(stored(target), (Row{"1.4", "", "2003", "SD6V12", "OE-6", "KV-6", "200", "20", "199.99"}));
}

TEST_P(CompressorDialogTest, AnInfStoredByAnotherProgramIsShownAsItIsAndRefusedOnSave)
{
    if (onServer())
        GTEST_SKIP() << "a server stores 1e999 as the number it is, not as Inf";
    const long long target = m_db.insertCompressor(golf, compressor("SD7V16", "KV-1"));
    m_db.exec("update kompresory set cena_zakl = 1e999, netto = -1e999");
    const Rows before = compressors();
    CCatalogDlg& main = openOnGolf();
    EXPECT_EQ(seam::listRows(main, IDC_RESULTS).at(0).at(6), "Inf");
    clickRowOf(main, target);
    Seam::onNextDialog([&](CDialog& d) {
        EXPECT_EQ(seam::text(d, IDC_JOBBER) + seam::text(d, IDC_NET_PRICE), "Inf-Inf");
        seam::click(d, IDOK);
        EXPECT_FALSE(d.isEnded());
    });
    seam::click(main, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Kelvara Jobber $ must be a number such as 12 or 12.50."});
    EXPECT_EQ(compressors(), before);
}

TEST_P(CompressorDialogTest, HugeValuesAreShownCutAndKeptExactly)
{
    // Written by another program: a megabyte of part number, a type of 400 two-byte letters.
    const std::string huge(1 << 20, 'x');
    std::string letters;
    for (int i = 0; i < 400; ++i)
        letters += "\xC5\xBC";  // ż
    // Up to the line edit's own limit a value is edited as any other; one letter more is not.
    const std::string whole(32767, 'k');
    const std::string over(32768, 'y');
    const long long target =
        m_db.insertCompressor(golf, {"1.6", "1998", over, letters, huge, whole, "310", "25", "285"});
    CCatalogDlg& main = openOnGolf();

    // The list shows the first 300 characters of each, cut on a letter, and "…".
    const auto row = seam::listRows(main, IDC_RESULTS).at(0);
    EXPECT_EQ(row[3], letters.substr(0, 600) + "\xE2\x80\xA6");
    EXPECT_EQ(row[4], huge.substr(0, 300) + "\xE2\x80\xA6");
    EXPECT_EQ(row[5], whole.substr(0, 300) + "\xE2\x80\xA6");

    // Too long to edit in one line: its beginning is shown and cannot be changed. The other
    // fields are edited, and the long value is written back byte for byte.
    clickRowOf(main, target);
    Seam::onNextDialog([&](CDialog& d) {
        EXPECT_TRUE(seam::readOnly(d, IDC_COMMON_PART_NO));
        EXPECT_EQ(seam::shownText(d, IDC_COMMON_PART_NO), huge.substr(0, 300) + "\xE2\x80\xA6");
        EXPECT_FALSE(seam::readOnly(d, IDC_TYPE));
        EXPECT_TRUE(seam::readOnly(d, IDC_YEAR_TO));
        EXPECT_FALSE(seam::readOnly(d, IDC_PART_NO));
        EXPECT_EQ(seam::shownText(d, IDC_PART_NO), whole);
        seam::type(d, IDC_CAPACITY, "2.0");
        seam::click(d, IDOK);
    });
    seam::click(main, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(stored(target), (Row{"2.0", "1998", over, letters, huge, whole, "310", "25", "285"}));
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(CompressorDialogTest, PricesThatAreNotNumbersNeverReachAStatement)
{
    struct Price {
        size_t field;
        const char* message;
    };
    const Price prices[] = {
        {6, "Kelvara Jobber $ must be a number such as 12 or 12.50."},
        {7, "Core deposit must be a number such as 12 or 12.50."},
        {8, "Net price must be a number such as 12 or 12.50."},
    };
    // The last three are numbers too large for a double: SQL would store them as "Inf".
    const std::string refused[] = {"",     "12,50", "1e",    "0 where 1 --", " 12",
                                   "0x10", "1.5.0", "NULL",  "1e999",        "-1e999",
                                   "1" + std::string(400, '0')};
    const Fields valid{"1.6", "1998", "2004", "SD7V16", "OE-1", "KV-1", "310", "25", "285"};

    CCatalogDlg& main = openOnGolf();
    Seam::onNextDialog([&](CDialog& d) {
        typeAll(d, valid);
        for (const Price& price : prices) {
            for (const std::string& text : refused) {
                SCOPED_TRACE(std::string(price.message) + " / \"" + text + "\"");
                clearStatements();
                Seam::clearMessages();
                seam::type(d, kEdits[price.field], text);
                seam::click(d, IDOK);
                EXPECT_FALSE(d.isEnded());
                EXPECT_TRUE(statements().empty());
                ASSERT_EQ(Seam::messages().size(), 1u);
                EXPECT_EQ(Seam::messages()[0].text, price.message);
                EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
                EXPECT_TRUE(seam::hasFocus(d, kEdits[price.field]));
                // Everything typed is still there.
                Fields expected = valid;
                expected[price.field] = text;
                EXPECT_EQ(shown(d), expected);
                seam::type(d, kEdits[price.field], valid[price.field]);
            }
        }
        // A number beyond the bounds the tool's import keeps is named as such.
        Seam::clearMessages();
        seam::type(d, kEdits[8], "1e15");
        seam::click(d, IDOK);
        EXPECT_EQ(takeMessages(), std::vector<std::string>{"Net price is too large: a price is less than 10^15."});
        seam::type(d, kEdits[8], valid[8]);
        // With all three numbers again, Save goes through.
        Seam::clearMessages();
        seam::click(d, IDOK);
        EXPECT_TRUE(d.isEnded());
    });
    seam::click(main, IDC_ADD_COMPRESSOR);
    EXPECT_TRUE(takeMessages().empty());
    const Rows rows = compressors();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][10], "285");
}

TEST_P(CompressorDialogTest, CancelWritesNothingInEitherMode)
{
    const long long target = m_db.insertCompressor(golf, compressor("SD7V16", "KV-1"));
    const Rows before = compressors();
    CCatalogDlg& main = openOnGolf();

    // Add: no lookup, no insert; only the refresh.
    Seam::onNextDialog([&](CDialog& d) {
        typeAll(d, {"1.6", "1998", "2004", "SD7V16", "OE-1", "KV-2", "310", "25", "285"});
        seam::click(d, IDCANCEL);
    });
    seam::click(main, IDC_ADD_COMPRESSOR);
    EXPECT_EQ(statements(), (std::vector<std::string>{carCount(), carRows()}));

    // Edit: the load, then only the refresh, which forgets the clicked row.
    for (const char* how : {"Cancel", "Escape", "close box"}) {
        SCOPED_TRACE(how);
        clickRowOf(main, target);
        clearStatements();
        Seam::onNextDialog([&](CDialog& d) {
            typeAll(d, {"9.9", "1900", "1901", "CHANGED", "X", "Y", "1", "2", "3"});
            if (std::string(how) == "Cancel")
                seam::click(d, IDCANCEL);
            else if (std::string(how) == "Escape")
                seam::pressKey(d, seam::Key::Escape);
            else
                seam::clickCloseBox(d);
            EXPECT_TRUE(d.isEnded());
            EXPECT_EQ(d.modalResult(), IDCANCEL);
        });
        seam::click(main, IDC_EDIT_COMPRESSOR);
        EXPECT_EQ(statements(), (std::vector<std::string>{sent().currentCompressor(false),
                                                           sent().loadCompressor(std::to_string(target)), carCount(), carRows()}));
        EXPECT_EQ(g_strCompressorId, "");
    }
    EXPECT_EQ(compressors(), before);
    EXPECT_TRUE(takeMessages().empty());
}

TEST_P(CompressorDialogTest, HostileTextsAreStoredAsTypedAndTouchNoOtherRow)
{
    // A manufacturer and a model named like the columns their lookups compare, and values
    // that the plain quoting would read as columns or cut short.
    const long long marka = m_db.insertManufacturer("marka");
    const long long model = m_db.insertModel(marka, "model");
    const long long bystander = m_db.insertCompressor(a4, compressor("SD7V16", "KV-A4"));
    const long long target = m_db.insertCompressor(model, compressor("T-OLD", "KV-OLD"));
    const Row bystanderBefore = stored(bystander);

    CCatalogDlg& main = openMainWindow();
    seam::pick(main, IDC_MANUFACTURER_LIST, "marka");
    seam::pick(main, IDC_MODEL_LIST, "model");

    const Fields added{"2.0 \"TDI\"", "typ", "nrkv", "typ", "O'Brien \"x\"", "Żółw-ąę €", "1", "2", "3"};
    Seam::onNextDialog([&](CDialog& d) {
        typeAll(d, added);
        seam::click(d, IDOK);
    });
    seam::click(main, IDC_ADD_COMPRESSOR);
    EXPECT_TRUE(takeMessages().empty());
    Rows rows = compressors();
    ASSERT_EQ(rows.size(), 3u);
    // Under the picked model, not under the first one a loose comparison would find.
    EXPECT_EQ(rows[2][1], std::to_string(model));
    EXPECT_EQ(Row(rows[2].begin() + 2, rows[2].end()), (Row{"2.0 \"TDI\"", "typ", "nrkv", "typ", "O'Brien \"x\"",
                                                            "Żółw-ąę €", "1", "2", "3"}));

    // The same through an update: each column gets the text, not another column's value.
    clickRowOf(main, target);
    const Fields edited{"pojemnosc", "\"", "do", "'", "nr_f_s\" = 1 --", "ÄÖÜ ß", "4", "5", "6"};
    Seam::onNextDialog([&](CDialog& d) {
        typeAll(d, edited);
        seam::click(d, IDOK);
    });
    seam::click(main, IDC_EDIT_COMPRESSOR);
    EXPECT_TRUE(takeMessages().empty());
    EXPECT_EQ(stored(target), asRow(edited));
    EXPECT_EQ(stored(bystander), bystanderBefore);
    const Rows after = compressors();
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[2], rows[2]);
}

TEST_P(CompressorDialogTest, DatabaseFailureKeepsTheDialogOpenWithWhatWasTyped)
{
    CCatalogDlg& main = openOnGolf();
    theDb.applyBusyTimeout(100);
    // Another program holds the write lock: reading works, writing does not.
    m_db.beginWriteLock();

    const Fields typed{"1.6", "1998", "2004", "SD7V16", "OE-1", "KV-LOCKED", "310", "25", "285"};
    bool openAfterFailure = false;
    Fields afterFailure;
    std::vector<std::string> ran;
    Seam::onNextDialog([&](CDialog& d) {
        typeAll(d, typed);
        seam::click(d, IDOK);
        ran = statements();
        openAfterFailure = !d.isEnded();
        afterFailure = shown(d);
        // The lock goes away; the same Save now goes through.
        m_db.exec("commit");
        seam::click(d, IDOK);
    });
    seam::click(main, IDC_ADD_COMPRESSOR);

    ASSERT_EQ(ran.size(), onServer() ? 3u : 0u);  // a file refuses Save's transaction at once
    EXPECT_TRUE(openAfterFailure);
    EXPECT_EQ(afterFailure, typed);
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text.rfind("SQLITE_BUSY[5]: ", 0), 0u) << Seam::messages()[0].text;
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type & MB_ICONMASK, MB_ICONERROR);
    // Written once, by the second Save.
    const Rows rows = compressors();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][7], "KV-LOCKED");
}

TEST_P(CompressorDialogTest, ModelOrManufacturerGoneMeanwhileIsReportedAndNothingWritten)
{
    const long long target = m_db.insertCompressor(golf, compressor("SD7V16", "KV-1"));
    const Rows before = compressors();
    if (onServer())  // parents removed from under their rows: a catalogue made before its foreign keys
        m_db.exec("alter table kompresory drop constraint kompresory_id_modelu_fkey; alter table modele drop constraint modele_id_marki_fkey");
    CCatalogDlg& main = openOnGolf();
    const Fields typed{"1.6", "1998", "2004", "SD7V16", "OE-1", "KV-NEW", "310", "25", "285"};
    const std::string modelGone = "Car model \"Golf\" of \"VW\" is no longer in the catalogue; another program may "
                                  "have removed it. The compressor was not saved.";

    // Add, the model removed by another program while the dialog was open.
    std::vector<std::string> ran;
    bool stillOpen = false;
    Fields afterwards;
    Seam::onNextDialog([&](CDialog& d) {
        typeAll(d, typed);
        m_db.exec("delete from modele where id_modelu = " + std::to_string(golf));
        seam::click(d, IDOK);
        ran = statements();
        stillOpen = !d.isEnded();
        afterwards = shown(d);
    });
    seam::click(main, IDC_ADD_COMPRESSOR);
    ASSERT_EQ(ran.size(), 2u);
    EXPECT_EQ(ran[1], golfId());
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(afterwards, typed);
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, modelGone);
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type, MB_OK);
    EXPECT_EQ(compressors(), before);

    // Edit, the model back and the manufacturer gone: one lookup, then the report.
    m_db.exec("insert into modele(id_modelu, id_marki, model) values (" + std::to_string(golf) + ", " +
              std::to_string(vw) + ", 'Golf')");
    seam::pick(main, IDC_MODEL_LIST, "Golf");
    clickRowOf(main, target);
    Seam::clearMessages();
    clearStatements();
    Seam::onNextDialog([&](CDialog& d) {
        seam::type(d, IDC_CAPACITY, "9.9");
        m_db.exec("delete from marki where id_marki = " + std::to_string(vw));
        clearStatements();
        seam::click(d, IDOK);
        ran = statements();
        stillOpen = !d.isEnded();
    });
    seam::click(main, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(ran, std::vector<std::string>{vwId()});
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{"Manufacturer \"VW\" is no longer in the catalogue; another "
                                                       "program may have removed it. The compressor was not saved."});
    EXPECT_EQ(compressors(), before);
}

TEST_P(CompressorDialogTest, CompressorGoneBeforeEditIsReportedAndTheListRefreshed)
{
    const long long gone = m_db.insertCompressor(golf, compressor("SD7V16", "KV-GONE"));
    m_db.insertCompressor(golf, compressor("SD7V16", "KV-STAYS"));
    CCatalogDlg& main = openOnGolf();
    clickRowOf(main, gone);
    m_db.exec("delete from kompresory where id_kompresora = " + std::to_string(gone));
    clearStatements();

    seam::click(main, IDC_EDIT_COMPRESSOR);
    // The dialog never comes up, and nothing is written.
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_EQ(statements(), (std::vector<std::string>{sent().currentCompressor(false), carCount(), carRows()}));
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, "Another counter changed or removed this compressor since the list was filled. "
                                        "Nothing was opened. The list now shows the catalogue as it is.");
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type, MB_OK | MB_ICONWARNING);
    const auto rows = seam::listRows(main, IDC_RESULTS);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][5], "KV-STAYS");
    EXPECT_EQ(g_strCompressorId, "");
}

TEST_P(CompressorDialogTest, TemplateLabelsAndColours)
{
    const long long target =
        m_db.insertCompressor(golf, {"1.9 TDI", "2001", "2006", "7SBU16C", "447220-8643", "KV-4471", "412.50",
                                     "45.00", "367.50"});
    CCatalogDlg& main = openOnGolf();
    clickRowOf(main, target);

    Seam::onNextDialog([&](CDialog& d) {
        EXPECT_FALSE(seam::isTabStop(d, IDOK));
        EXPECT_TRUE(seam::isTabStop(d, IDCANCEL));
        EXPECT_EQ(seam::text(d, IDOK), "Save");
        EXPECT_EQ(seam::text(d, IDCANCEL), "Cancel");
        for (int edit : kEdits)
            EXPECT_TRUE(seam::isTabStop(d, edit)) << edit;

        const std::vector<std::pair<int, std::string>> labels{
            {1032, "Engine capacity:"}, {1033, "Model year from:"},   {1034, "Model year to:"},
            {1035, "Compressor type:"}, {1036, "Common part #:"},     {1037, "Kelvara part #"},
            {1038, "Kelvara Jobber $:"}, {1039, "Core deposit:"},     {1040, "Net price:  "},
        };
        for (const auto& [id, text] : labels) {
            EXPECT_EQ(seam::text(d, id), text) << id;
            EXPECT_EQ(seam::textColor(d, id), RGB(255, 255, 255)) << id;
            EXPECT_EQ(seam::textBackground(d, id), RGB(66, 125, 214)) << id;
        }
        // Edits keep the platform's colours.
        EXPECT_NE(seam::textBackground(d, IDC_CAPACITY), RGB(66, 125, 214));
        EXPECT_EQ(seam::pixel(d, 2, 2), RGB(66, 125, 214));

        // The part number lives in edit 1010; there is no 1028.
        EXPECT_EQ(seam::text(d, 1010), "KV-4471");
        EXPECT_THROW(seam::text(d, 1028), std::logic_error);

        if (std::getenv("KELVARA_WRITE_DOCS")) {
            EXPECT_TRUE(seam::saveScreenshot(d, KELVARA_DOCS_DIR "/compressor-dialog.png"));
        }

        // Enter in an edit saves: Save carries IDOK.
        seam::type(d, 1010, "KV-4471B");
        seam::pressKey(d, seam::Key::Enter);
        EXPECT_TRUE(d.isEnded());
        EXPECT_EQ(d.modalResult(), IDOK);
    });
    seam::click(main, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(stored(target)[5], "KV-4471B");
    EXPECT_TRUE(takeMessages().empty());
}

KELVARA_ON_BOTH_ENGINES(CompressorDialogTest);
