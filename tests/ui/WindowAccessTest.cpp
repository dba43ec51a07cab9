// The windows as a screen reader, the keyboard and the templates' drawing meet them.

#include "CatalogTest.h"
#include "ResourceIds.h"
#include "Resources.h"

namespace seam = platform::test;
using platform::test::Seam;

namespace {

using Names = std::vector<std::pair<int, std::string>>;

void expectNames(CWnd& window, const Names& names)
{
    for (const auto& [id, name] : names)
        EXPECT_EQ(seam::accessibleName(window, id), name) << id;
}

void expectCombos(CWnd& window, const std::string& maker, const std::string& model)
{
    expectNames(window, {{IDC_MANUFACTURER_LIST, "Select manufacturer"}, {IDC_MODEL_LIST, "Select car model"}});
    EXPECT_EQ(seam::accessibleValue(window, IDC_MANUFACTURER_LIST), maker);
    EXPECT_EQ(seam::accessibleValue(window, IDC_MODEL_LIST), model);
}

}  // namespace

TEST_F(CatalogTest, EveryInputControlIsNamedByItsLabel)
{
    const long long vw = m_db.insertManufacturer("Volkswagen");
    m_db.insertModel(vw, "Golf");
    CCatalogDlg& main = openMainWindow();
    expectNames(main, {{IDC_MANUFACTURER_LIST, "Select manufacturer"}, {IDC_MODEL_LIST, "Select car model"},
                       {IDC_SEARCH_TYPE, "Search by compressor type"}, {IDC_RESULTS, "Compressors found"},
                       {IDC_FIND_COMPRESSORS, "Find compressors"}});
    // Selections and texts are the values; a combo's name stays its label.
    expectCombos(main, "", "");
    seam::pick(main, IDC_MANUFACTURER_LIST, "Volkswagen");
    seam::pick(main, IDC_MODEL_LIST, "Golf");
    seam::type(main, IDC_SEARCH_TYPE, "sd7");
    expectCombos(main, "Volkswagen", "Golf");
    EXPECT_EQ(seam::accessibleValue(main, IDC_SEARCH_TYPE), "sd7");
    EXPECT_EQ(platform::FindDialogTemplate(IDD_CATALOG_DIALOG)->controls.at(4).text, "List1");  // not the name
    // The tree lists the controls in template order.
    EXPECT_EQ(seam::accessibleOrder(main),
              (std::vector<int>{1009, 1002, 1003, 1004, 1005, 1010, 1011, 1012, 1013, 1006, 1014, IDC_STATIC, 1015,
                                1016, 1017, 1018, 1019, 1020, 1021, 1041, 1042, 1054}));

    // The compressor dialog lists its labels apart from their edits; each edit still takes
    // the label beside it.
    Seam::onNextDialog([&](CDialog& d) {
        expectNames(d, {{IDC_CAPACITY, "Engine capacity"}, {IDC_YEAR_FROM, "Model year from"},
                        {IDC_YEAR_TO, "Model year to"}, {IDC_TYPE, "Compressor type"},
                        {IDC_COMMON_PART_NO, "Common part #"}, {IDC_PART_NO, "Kelvara part #"},
                        {IDC_JOBBER, "Kelvara Jobber $"}, {IDC_CORE_DEPOSIT, "Core deposit"},
                        {IDC_NET_PRICE, "Net price"}, {IDOK, "Save"}});
    });
    seam::click(main, IDC_ADD_COMPRESSOR);
    Seam::onNextDialog([&](CDialog& d) {
        expectNames(d, {{IDC_SHOW_MANUFACTURER, "Car manufacturer and model"}, {IDC_SHOW_CAPACITY, "Engine capacity"},
                        {IDC_SHOW_YEARS, "Production years"}, {IDC_SHOW_TYPE, "Compressor type"},
                        {IDC_SHOW_COMMON_PART_NO, "Common part #"}, {IDC_SHOW_PART_NO, "Kelvara part #"},
                        {IDC_SHOW_JOBBER, "Jobber $"}, {IDC_SHOW_CORE_DEPOSIT, "Core deposit"},
                        {IDC_SHOW_NET_PRICE, "Net price"}});
    });
    seam::click(main, IDC_SET_VISIBLE_COLUMNS);
    // The entry dialogs have no label: their caption names the edit. (They reload the
    // lists whose selections the others need, so they come last.)
    for (const auto& [button, caption] :
         Names{{IDC_ADD_MODEL, "Add car model"}, {IDC_ADD_MANUFACTURER, "Add manufacturer"}}) {
        Seam::onNextDialog([caption = caption](CDialog& d) {
            expectNames(d, {{IDC_NAME, caption}});
        });
        seam::click(main, button);
    }
    EXPECT_EQ(Seam::dialogsShown(),
              (std::vector<int>{IDD_COMPRESSOR, IDD_COLUMNS, IDD_ADD_MODEL, IDD_ADD_MANUFACTURER}));
    EXPECT_TRUE(takeMessages().empty());
    // After a refill, and after a fill that failed.
    seam::pick(main, IDC_MANUFACTURER_LIST, "Volkswagen");
    expectCombos(main, "Volkswagen", "");
    seam::pick(main, IDC_MODEL_LIST, "Golf");
    m_db.exec("drop table modele");
    seam::pick(main, IDC_MANUFACTURER_LIST, "Volkswagen");
    EXPECT_EQ(takeMessages().size(), 1u);
    expectCombos(main, "Volkswagen", "Golf");
}

TEST_F(CatalogTest, BannerFontIsOfNormalWeight)
{
    // Created with weight 400, as the dialog font's own.
    CCatalogDlg& main = openMainWindow();
    for (int id : {IDC_BANNER_COMPANY, IDC_BANNER_ADDRESS})
        EXPECT_EQ(seam::fontWeight(main, id), 400) << id;
}

TEST_F(CatalogTest, TabFromAControlThatIsNotATabStopGoesToTheNextTabStop)
{
    const long long vw = m_db.insertManufacturer("Volkswagen");
    m_db.insertModel(vw, "Golf");
    CCatalogDlg& main = openMainWindow();
    seam::pick(main, IDC_MANUFACTURER_LIST, "Volkswagen");  // enables 1009
    // Focus put on combo 1002 and edit 1003 by a click: the next tab stop after both is 1004.
    for (int from : {IDC_MANUFACTURER_LIST, IDC_SEARCH_TYPE}) {
        main.GetDlgItem(from)->SetFocus();
        seam::pressKey(main, seam::Key::Tab);
        EXPECT_TRUE(seam::hasFocus(main, IDC_FIND_COMPRESSORS)) << from;
    }
}

TEST_F(CatalogTest, ComboListsOpenBelowWithTheTemplatesHeight)
{
    const long long first = m_db.insertManufacturer("Maker 0");
    for (int i = 1; i < 15; ++i)
        m_db.insertManufacturer("Maker " + std::to_string(i));
    m_db.insertModel(first, "Golf");
    m_db.insertModel(first, "Polo");
    CCatalogDlg& main = openMainWindow();
    seam::pick(main, IDC_MANUFACTURER_LIST, 0);
    // 15 entries do not fit 103 units: the list stops at the template's height (no whole
    // entries needed there) and scrolls.
    const std::vector<int> combo = seam::geometry(main, IDC_MANUFACTURER_LIST);
    const std::vector<int> list = seam::comboListGeometry(main, IDC_MANUFACTURER_LIST);
    EXPECT_EQ(list[1], combo[1] + combo[3]);
    EXPECT_EQ(list[1] + list[3] - combo[1], 103 * 13 / 8);  // the dialog font's base height is 13
    // Two models take less than 145 units: the list shrinks to them, still below the combo.
    const std::vector<int> models = seam::geometry(main, IDC_MODEL_LIST);
    const std::vector<int> modelList = seam::comboListGeometry(main, IDC_MODEL_LIST);
    EXPECT_EQ(modelList[1], models[1] + models[3]);
    EXPECT_LT(modelList[3], 3 * seam::fontPixelHeight(main, IDC_MODEL_LIST));
    EXPECT_GT(modelList[3], 2 * seam::fontPixelHeight(main, IDC_MODEL_LIST));
}

TEST_F(CatalogTest, GroupBoxesAreEtchedLinesWithTheCaptionOnTop)
{
    CCatalogDlg& main = openMainWindow();
    const COLORREF blue = RGB(66, 125, 214);
    for (int id : {IDC_GROUP_MANUFACTURER, IDC_GROUP_MODEL, IDC_GROUP_BY_TYPE, IDC_GROUP_BY_MANUFACTURERS}) {
        const std::vector<int> g = seam::geometry(main, id);
        const int line = g[1] + seam::fontPixelHeight(main, id) / 2;
        // Shadow then highlight (the palette's), on the left edge and on the top line; inside,
        // the window's blue. The flat one has the button face where the highlight would be.
        const COLORREF inner = id == IDC_GROUP_BY_MANUFACTURERS ? RGB(239, 239, 239) : RGB(255, 255, 255);
        const std::vector<COLORREF> etched{RGB(159, 159, 159), inner, blue};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(seam::pixel(main, g[0] + i, g[1] + g[3] / 2), etched[static_cast<size_t>(i)]) << id;
            EXPECT_EQ(seam::pixel(main, g[0] + g[2] - 8, line + i), etched[static_cast<size_t>(i)]) << id;
        }
        // The caption interrupts the top line, on the window's blue.
        EXPECT_EQ(seam::pixel(main, g[0] + 6, line), blue) << id;
    }
}
