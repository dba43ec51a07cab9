// The three compressor buttons of the main window: their checks, the confirmation, the
// deletion and the refresh that follows every command.

#include "CatalogTest.h"
#include "Dialog.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <stdexcept>

using platform::test::Seam;
namespace seam = platform::test;
using kelvara::test::Rows;

namespace {

const char* const kSelectCar = "You need to select car manufacturer and model.";
const char* const kSelectToEdit = "You need to select compressor to edit.";
const char* const kSelectToRemove = "You need to select compressor to remove.";
const char* const kConfirm = "Are you sure that you want to delete this compressor?";

class CompressorCommandsTest : public EngineCatalogTest {
protected:
    // The search that lists VW Golf's compressors.
    std::string carCount() const { return sent().countCompressorsOfCar("VW", "Golf"); }
    std::string carRows() const { return sent().compressorsOfCar("VW", "Golf"); }

    void SetUp() override
    {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        audi = m_db.insertManufacturer("Audi");
        vw = m_db.insertManufacturer("VW");
        a4 = m_db.insertModel(audi, "A4");
        golf = m_db.insertModel(vw, "Golf");
        golf1 = m_db.insertCompressor(golf, compressor("SD7V16", "KV-G1"));
        golf2 = m_db.insertCompressor(golf, compressor("SD7V16", "KV-G2"));
        audiOne = m_db.insertCompressor(a4, {"2.0", "2004", "2008", "7SEU17C", "OE-A4", "KV-A4", "500", "40", "460"});
    }


    // Clicks the list row that shows this part number; g_strCompressorId then names it.
    void clickPart(CCatalogDlg& dlg, const std::string& partNo)
    {
        const auto rows = seam::listRows(dlg, IDC_RESULTS);
        for (size_t row = 0; row < rows.size(); ++row) {
            if (rows[row][5] == partNo) {
                seam::clickListRow(dlg, IDC_RESULTS, static_cast<int>(row));
                return;
            }
        }
        throw std::logic_error(partNo + " is not listed");
    }

    std::vector<std::string> partNumbersListed(CCatalogDlg& dlg)
    {
        std::vector<std::string> parts;
        for (const auto& row : seam::listRows(dlg, IDC_RESULTS))
            parts.push_back(row[5]);
        return parts;
    }

    Rows compressors() { return m_db.query("select * from kompresory order by id_kompresora"); }

    long long audi = 0, vw = 0, a4 = 0, golf = 0, golf1 = 0, golf2 = 0, audiOne = 0;
};

}  // namespace

TEST_P(CompressorCommandsTest, EveryCommandNeedsManufacturerAndModelSelected)
{
    const Rows before = compressors();
    CCatalogDlg& dlg = openMainWindow();

    // A row clicked in a type search, with neither list selected, and then with only
    // the manufacturer selected: the selection check comes first, for Remove as well.
    seam::type(dlg, IDC_SEARCH_TYPE, "7seu17c");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    clickPart(dlg, "KV-A4");
    ASSERT_EQ(g_strCompressorId, std::to_string(audiOne));

    for (const char* state : {"no selection", "manufacturer only"}) {
        SCOPED_TRACE(state);
        if (std::string(state) == "manufacturer only") {
            seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
            ASSERT_EQ(seam::comboSelection(dlg, IDC_MODEL_LIST), -1);
        }
        const std::string clicked = g_strCompressorId;
        for (int button : {IDC_ADD_COMPRESSOR, IDC_EDIT_COMPRESSOR, IDC_REMOVE_COMPRESSOR}) {
            SCOPED_TRACE(button);
            clearStatements();
            Seam::clearMessages();
            g_bEditMode = 7;
            seam::click(dlg, button);
            ASSERT_EQ(Seam::messages().size(), 1u);
            EXPECT_EQ(Seam::messages()[0].text, kSelectCar);
            EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
            EXPECT_EQ(Seam::messages()[0].type, MB_OK);
            EXPECT_TRUE(statements().empty());
            EXPECT_TRUE(Seam::dialogsShown().empty());
            // Nothing else changed: not the clicked id, not the globals the dialog reads.
            EXPECT_EQ(g_strCompressorId, clicked);
            EXPECT_EQ(g_bEditMode, 7);
            EXPECT_EQ(g_strModel, "");
        }
    }
    EXPECT_EQ(compressors(), before);
}

TEST_P(CompressorCommandsTest, EditAndRemoveNeedAClickedRow)
{
    const Rows before = compressors();
    CCatalogDlg& dlg = openOnGolf();
    ASSERT_EQ(partNumbersListed(dlg), (std::vector<std::string>{"KV-G2", "KV-G1"}));

    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{kSelectToEdit, kSelectToRemove}));
    EXPECT_TRUE(statements().empty());
    EXPECT_TRUE(Seam::dialogsShown().empty());

    // A row clicked, then an Add closed with Cancel: the refresh forgets the row again.
    clickPart(dlg, "KV-G1");
    seam::click(dlg, IDC_ADD_COMPRESSOR);
    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{IDD_COMPRESSOR});
    EXPECT_EQ(statements(), (std::vector<std::string>{carCount(), carRows()}));
    EXPECT_EQ(g_strCompressorId, "");
    seam::click(dlg, IDC_EDIT_COMPRESSOR);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSelectToEdit});

    // Add never needed a clicked row.
    EXPECT_EQ(compressors(), before);
}

TEST_P(CompressorCommandsTest, RemoveAnsweredNoRebuildsTheListAndForgetsTheRow)
{
    const Rows before = compressors();
    CCatalogDlg& dlg = openOnGolf();
    clickPart(dlg, "KV-G1");
    const std::string manufacturerBefore = g_strManufacturer;

    Seam::answerMessageBox(IDNO);
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, kConfirm);
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type, MB_YESNO | MB_ICONINFORMATION);
    EXPECT_EQ(statements(), (std::vector<std::string>{carCount(), carRows()}));
    EXPECT_EQ(compressors(), before);
    EXPECT_EQ(g_strCompressorId, "");
    // Remove hands nothing to a dialog.
    EXPECT_EQ(g_strManufacturer, manufacturerBefore);
    EXPECT_EQ(g_strModel, "");

    Seam::clearMessages();
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{kSelectToRemove});
}

TEST_P(CompressorCommandsTest, EnterOnTheConfirmationDeletesTheClickedCompressor)
{
    CCatalogDlg& dlg = openOnGolf();
    clickPart(dlg, "KV-G1");

    // No answer scripted: the box is answered with its default button, as Enter does.
    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, kConfirm);
    EXPECT_EQ(Seam::messages()[0].type & MB_DEFMASK, MB_DEFBUTTON1);
    EXPECT_EQ(Seam::messages()[0].answer, IDYES);
    EXPECT_EQ(statements(), (std::vector<std::string>{sent().currentCompressor(true), sent().deleteCompressor(std::to_string(golf1)), carCount(),
                                                      carRows()}));
    EXPECT_EQ(partNumbersListed(dlg), std::vector<std::string>{"KV-G2"});
    EXPECT_EQ(m_db.query("select id_kompresora from kompresory order by id_kompresora"),
              (Rows{{std::to_string(golf2)}, {std::to_string(audiOne)}}));
    EXPECT_EQ(g_strCompressorId, "");
}

TEST_P(CompressorCommandsTest, RemoveThatFailsKeepsTheListAndTheClickedRow)
{
    CCatalogDlg& dlg = openOnGolf();
    clickPart(dlg, "KV-G2");
    theDb.applyBusyTimeout(100);
    m_db.beginWriteLock();

    seam::click(dlg, IDC_REMOVE_COMPRESSOR);
    m_db.exec("rollback");
    ASSERT_EQ(Seam::messages().size(), 2u);
    EXPECT_EQ(Seam::messages()[1].text.rfind("SQLITE_BUSY[5]: ", 0), 0u) << Seam::messages()[1].text;
    EXPECT_EQ(Seam::messages()[1].type & MB_ICONMASK, MB_ICONERROR);
    // The command stopped at the deletion: no refresh, the row still clicked.
    EXPECT_EQ(statements(), onServer() ? std::vector<std::string>{sent().currentCompressor(true)} : std::vector<std::string>{});
    EXPECT_EQ(g_strCompressorId, std::to_string(golf2));
    EXPECT_EQ(partNumbersListed(dlg), (std::vector<std::string>{"KV-G2", "KV-G1"}));
    EXPECT_EQ(compressors().size(), 3u);
}

TEST_P(CompressorCommandsTest, EditFromATypeSearchEditsTheClickedCompressor)
{
    CCatalogDlg& dlg = openOnGolf();
    // The lists keep VW and Golf; the result list now shows an Audi compressor.
    seam::type(dlg, IDC_SEARCH_TYPE, "7seu17c");
    seam::click(dlg, IDC_FIND_COMPRESSORS);
    clickPart(dlg, "KV-A4");
    clearStatements();

    std::string loadedPart;
    Seam::onNextDialog([&](CDialog& d) {
        loadedPart = seam::text(d, IDC_PART_NO);
        seam::type(d, IDC_CAPACITY, "2.0 TFSI");
        seam::click(d, IDOK);
    });
    seam::click(dlg, IDC_EDIT_COMPRESSOR);

    EXPECT_EQ(loadedPart, "KV-A4");
    ASSERT_EQ(statements().size(), 8u);
    const std::string& update = statements()[5];
    const std::string tail = " where id_kompresora = " + std::to_string(audiOne) + ";";
    const std::string written = sent().updateCompressor({"2.0 TFSI", "", "", "", "", "", "0", "0", "0"}, "0");
    EXPECT_EQ(update.rfind(written.substr(0, written.find("od = ")), 0), 0u) << update;
    ASSERT_GT(update.size(), tail.size());
    EXPECT_EQ(update.substr(update.size() - tail.size()), tail);
    EXPECT_EQ(m_db.query("select pojemnosc, id_modelu from kompresory where id_kompresora = $1",
                         {std::to_string(audiOne)}),
              (Rows{{"2.0 TFSI", std::to_string(a4)}}));
    // Afterwards the list shows the selected car again, not the type search.
    EXPECT_EQ(statements()[6], carCount());
    EXPECT_EQ(partNumbersListed(dlg), (std::vector<std::string>{"KV-G2", "KV-G1"}));
    EXPECT_EQ(g_strModel, "Golf");
    EXPECT_EQ(g_strManufacturer, "VW");
    EXPECT_TRUE(takeMessages().empty());
}

KELVARA_ON_BOTH_ENGINES(CompressorCommandsTest);
