// The manufacturer and model lists: what the operator sees in the three lists after each
// command, what the removals reach, and names that a careless statement would misread.

#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <ostream>
#include <tuple>

using kelvara::test::Rows;
using platform::test::Seam;
namespace seam = platform::test;

namespace {

const char* const kSelectManufacturerFirst = "Select car manufacturer first.";
const char* const kSelectModelFirst = "Select car model first.";
const char* const kManufacturerHasModels = "Cannot remove manufacturer.\nAll associated models must be deleted first.";
const char* const kModelHasCompressors = "Cannot remove model.\nAll associated compressors must be deleted first.";
const std::string& kFillManufacturers = kelvara::test::file::kSelectManufacturers;

// The three lists as the operator sees them.
struct Lists {
    std::vector<std::string> manufacturers;
    int manufacturer;  // selected index, -1 for none
    std::vector<std::string> models;
    int model;
    bool modelsEnabled;
    std::vector<std::vector<std::string>> results;

    bool operator==(const Lists& o) const
    {
        return std::tie(manufacturers, manufacturer, models, model, modelsEnabled, results)
               == std::tie(o.manufacturers, o.manufacturer, o.models, o.model, o.modelsEnabled, o.results);
    }
};

void PrintTo(const Lists& l, std::ostream* out)
{
    auto list = [out](const std::vector<std::string>& entries) {
        *out << "{";
        for (const auto& e : entries)
            *out << " \"" << e << "\"";
        *out << " }";
    };
    *out << "manufacturers ";
    list(l.manufacturers);
    *out << " sel " << l.manufacturer << "; models ";
    list(l.models);
    *out << " sel " << l.model << (l.modelsEnabled ? " enabled" : " disabled") << "; " << l.results.size()
         << " result rows";
}

class ListsTest : public EngineCatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // Added out of name order: manufacturers keep the ids' order, models come sorted.
        m_vw = m_db.insertManufacturer("VW");
        m_ford = m_db.insertManufacturer("Ford");
        m_mazda = m_db.insertManufacturer("Mazda");
        m_db.insertModel(m_vw, "Polo");
        m_golf = m_db.insertModel(m_vw, "Golf");
        m_db.insertModel(m_ford, "Mondeo");
        m_focus = m_db.insertModel(m_ford, "Focus");
        m_db.insertCompressor(m_golf, compressor("SD7V16"));
        m_db.insertCompressor(m_focus, compressor("FS10"));
    }

    Lists lists()
    {
        CCatalogDlg& dlg = *m_main;
        return {seam::comboEntries(dlg, IDC_MANUFACTURER_LIST), seam::comboSelection(dlg, IDC_MANUFACTURER_LIST),
                seam::comboEntries(dlg, IDC_MODEL_LIST),        seam::comboSelection(dlg, IDC_MODEL_LIST),
                seam::enabled(dlg, IDC_MODEL_LIST),             seam::listRows(dlg, IDC_RESULTS)};
    }

    // Every table the lists touch, row by row.
    std::vector<Rows> tables()
    {
        return {m_db.query("select * from Marki order by id_marki"),
                m_db.query("select * from Modele order by id_modelu"),
                m_db.query("select * from kompresory order by id_kompresora")};
    }

    std::vector<std::string> modelNames()
    {
        std::vector<std::string> names;
        for (const auto& row : m_db.query("select model from Modele order by id_modelu"))
            names.push_back(row[0].value_or("<null>"));
        return names;
    }

    // The next entry dialog gets name typed and OK pressed; "cancel" presses Cancel instead.
    static void answerNextDialog(const std::string& name, bool ok = true)
    {
        Seam::onNextDialog([name, ok](CDialog& d) {
            seam::type(d, IDC_NAME, name);
            seam::click(d, ok ? IDOK : IDCANCEL);
        });
    }

    // Exactly one message box was shown, with this text, as the operator's mistakes are shown.
    void expectOnlyMessage(const std::string& text)
    {
        const auto& shown = Seam::messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, text);
        EXPECT_EQ(shown[0].caption, "Kelvara");
        EXPECT_EQ(shown[0].type, MB_OK);
        Seam::clearMessages();
    }

    // Picks VW and its model Golf, so that every list has something in it.
    CCatalogDlg& openWithGolfShown()
    {
        CCatalogDlg& dlg = openMainWindow();
        seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
        seam::pick(dlg, IDC_MODEL_LIST, "Golf");
        EXPECT_EQ(seam::listRows(dlg, IDC_RESULTS).size(), 1u);
        clearStatements();
        return dlg;
    }

    long long m_vw = 0, m_ford = 0, m_mazda = 0, m_golf = 0, m_focus = 0;
};

}  // namespace

TEST_P(ListsTest, StartUpAndPickingAManufacturer)
{
    CCatalogDlg& dlg = openMainWindow();
    EXPECT_EQ(lists(), (Lists{{"VW", "Ford", "Mazda"}, -1, {}, -1, false, {}}));

    clearStatements();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    EXPECT_EQ(statements(), std::vector<std::string>{sent().modelsOfManufacturer("VW")});
    EXPECT_EQ(lists(), (Lists{{"VW", "Ford", "Mazda"}, 0, {"Golf", "Polo"}, -1, true, {}}));

    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    ASSERT_EQ(lists().results.size(), 1u);

    // Another manufacturer: its models, none selected, and the old results gone.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Ford");
    EXPECT_EQ(lists(), (Lists{{"VW", "Ford", "Mazda"}, 1, {"Focus", "Mondeo"}, -1, true, {}}));

    // One without models: the model list stays usable, and empty.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Mazda");
    EXPECT_EQ(lists(), (Lists{{"VW", "Ford", "Mazda"}, 2, {}, -1, true, {}}));
    EXPECT_TRUE(Seam::messages().empty());
    EXPECT_TRUE(Seam::dialogsShown().empty());
}

TEST_P(ListsTest, AddManufacturerReloadsOnlyTheManufacturerList)
{
    CCatalogDlg& dlg = openWithGolfShown();
    Lists expected = lists();

    answerNextDialog("Opel");
    seam::click(dlg, IDC_ADD_MANUFACTURER);
    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{IDD_ADD_MANUFACTURER});
    EXPECT_EQ(statements(), (std::vector<std::string>{sent().insertManufacturer("Opel"), kFillManufacturers}));
    expected.manufacturers.push_back("Opel");
    expected.manufacturer = -1;
    EXPECT_EQ(lists(), expected);

    // Cancel writes nothing but reloads all the same, and the selection is lost with it.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    expected = lists();
    const auto before = tables();
    clearStatements();
    answerNextDialog("Seat", false);
    seam::click(dlg, IDC_ADD_MANUFACTURER);
    EXPECT_EQ(statements(), std::vector<std::string>{kFillManufacturers});
    expected.manufacturer = -1;
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(tables(), before);
    EXPECT_TRUE(Seam::messages().empty());
}

TEST_P(ListsTest, RemoveManufacturerChecksItsModelsFirst)
{
    CCatalogDlg& dlg = openMainWindow();
    const auto original = tables();

    // Nothing selected: said so, and nothing else happens.
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    expectOnlyMessage(kSelectManufacturerFirst);
    EXPECT_EQ(statements().size(), 2u);  // start-up's two, nothing since
    EXPECT_EQ(lists(), (Lists{{"VW", "Ford", "Mazda"}, -1, {}, -1, false, {}}));

    // VW has models: refused; the manufacturer list is reloaded, the model list kept.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    Lists expected = lists();
    clearStatements();
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    expectOnlyMessage(kManufacturerHasModels);
    EXPECT_EQ(statements(),
              (std::vector<std::string>{sent().countModelsOfManufacturer("VW"), kFillManufacturers}));
    expected.manufacturer = -1;
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(tables(), original);

    // The reload left nothing selected: a second Remove is told so and changes nothing,
    // with every list holding something.
    clearStatements();
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    expectOnlyMessage(kSelectManufacturerFirst);
    EXPECT_TRUE(statements().empty());
    EXPECT_EQ(lists(), expected);

    // Mazda has none: it goes, from the catalogue and from the list.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Mazda");
    expected = lists();
    clearStatements();
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    EXPECT_TRUE(Seam::messages().empty());
    EXPECT_EQ(statements(),
              (std::vector<std::string>{sent().countModelsOfManufacturer("Mazda"), sent().deleteManufacturer("Mazda"),
                                        kFillManufacturers}));
    expected.manufacturers = {"VW", "Ford"};
    expected.manufacturer = -1;
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(m_db.query("select marka from Marki order by id_marki"), (Rows{{"VW"}, {"Ford"}}));
}

TEST_P(ListsTest, RemovingAManufacturerWithoutAName)
{
    // An entry with no text is not looked up at all; the list is still reloaded.
    m_db.insertManufacturer(std::string());
    m_db.insertManufacturer(std::nullopt);
    CCatalogDlg& dlg = openMainWindow();
    ASSERT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST),
              (std::vector<std::string>{"VW", "Ford", "Mazda", "", ""}));
    for (int index : {3, 4}) {
        seam::pick(dlg, IDC_MANUFACTURER_LIST, index);
        clearStatements();
        seam::click(dlg, IDC_REMOVE_MANUFACTURER);
        EXPECT_EQ(statements(), std::vector<std::string>{kFillManufacturers});
        EXPECT_EQ(seam::comboSelection(dlg, IDC_MANUFACTURER_LIST), -1);
        EXPECT_TRUE(Seam::messages().empty());
    }
    EXPECT_EQ(m_db.scalar("select count(*) from Marki"), "5");
}

TEST_P(ListsTest, AddModelReloadsOnlyTheModelList)
{
    CCatalogDlg& dlg = openMainWindow();

    // No manufacturer selected: no dialog, no reload.
    seam::click(dlg, IDC_ADD_MODEL);
    expectOnlyMessage(kSelectManufacturerFirst);
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_EQ(statements().size(), 2u);
    EXPECT_EQ(lists(), (Lists{{"VW", "Ford", "Mazda"}, -1, {}, -1, false, {}}));
    EXPECT_EQ(g_strManufacturer, "");

    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    Lists expected = lists();
    clearStatements();
    answerNextDialog("Passat");
    seam::click(dlg, IDC_ADD_MODEL);
    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{IDD_ADD_MODEL});
    EXPECT_EQ(statements(),
              (std::vector<std::string>{sent().manufacturerIdByName("VW"),
                                        sent().insertModel(std::to_string(m_vw), "Passat"),
                                        sent().modelsOfManufacturer("VW")}));
    expected.models = {"Golf", "Passat", "Polo"};
    expected.model = -1;
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(g_strManufacturer, "VW");
    EXPECT_EQ(m_db.query("select id_marki from Modele where model = 'Passat'"), (Rows{{std::to_string(m_vw)}}));

    // Cancel: nothing written, the model list reloaded, the manufacturer still selected and
    // still handed over.
    seam::pick(dlg, IDC_MODEL_LIST, "Polo");
    expected = lists();
    const auto before = tables();
    clearStatements();
    answerNextDialog("Up", false);
    seam::click(dlg, IDC_ADD_MODEL);
    EXPECT_EQ(statements(), std::vector<std::string>{sent().modelsOfManufacturer("VW")});
    expected.model = -1;
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(tables(), before);
    EXPECT_EQ(g_strManufacturer, "VW");
    EXPECT_TRUE(Seam::messages().empty());

    // The manufacturer selection lost (by reloading that list), the models still listed:
    // no dialog, nothing reloaded, and the name handed over last stays.
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    seam::click(dlg, IDC_ADD_MANUFACTURER);
    expected = lists();
    ASSERT_EQ(expected.manufacturer, -1);
    ASSERT_EQ(expected.results.size(), 1u);
    Seam::reset();
    clearStatements();
    seam::click(dlg, IDC_ADD_MODEL);
    expectOnlyMessage(kSelectManufacturerFirst);
    EXPECT_TRUE(Seam::dialogsShown().empty());
    EXPECT_TRUE(statements().empty());
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(g_strManufacturer, "VW");
}

TEST_P(ListsTest, RemoveModelWithAManufacturerSelected)
{
    CCatalogDlg& dlg = openMainWindow();

    // Before any pick the model list is disabled and empty: nothing to remove.
    seam::click(dlg, IDC_REMOVE_MODEL);
    expectOnlyMessage(kSelectModelFirst);
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    clearStatements();
    Lists expected = lists();
    seam::click(dlg, IDC_REMOVE_MODEL);
    expectOnlyMessage(kSelectModelFirst);
    EXPECT_TRUE(statements().empty());
    EXPECT_EQ(lists(), expected);

    // Golf has a compressor: refused; the model list is reloaded, the results stay.
    seam::pick(dlg, IDC_MODEL_LIST, "Golf");
    expected = lists();
    const auto original = tables();
    clearStatements();
    seam::click(dlg, IDC_REMOVE_MODEL);
    expectOnlyMessage(kModelHasCompressors);
    EXPECT_EQ(statements(),
              (std::vector<std::string>{sent().countCompressorsOfModel("Golf"), sent().modelsOfManufacturer("VW")}));
    expected.model = -1;
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(expected.results.size(), 1u);
    EXPECT_EQ(tables(), original);

    // Polo has none: removed.
    seam::pick(dlg, IDC_MODEL_LIST, "Polo");
    expected = lists();
    clearStatements();
    seam::click(dlg, IDC_REMOVE_MODEL);
    EXPECT_TRUE(Seam::messages().empty());
    EXPECT_EQ(statements(), (std::vector<std::string>{sent().countCompressorsOfModel("Polo"), sent().deleteModel("Polo"),
                                                      sent().modelsOfManufacturer("VW")}));
    expected.models = {"Golf"};
    expected.model = -1;
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(modelNames(), (std::vector<std::string>{"Golf", "Mondeo", "Focus"}));
}

TEST_P(ListsTest, RemoveModelWithNoManufacturerSelectedLeavesTheListAsItWas)
{
    CCatalogDlg& dlg = openMainWindow();
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Ford");
    // Cancelling "Add manufacturer" reloads that list and so clears its selection; the model
    // list keeps Ford's models.
    seam::click(dlg, IDC_ADD_MANUFACTURER);
    ASSERT_EQ(seam::comboSelection(dlg, IDC_MANUFACTURER_LIST), -1);

    seam::pick(dlg, IDC_MODEL_LIST, "Mondeo");
    Lists expected = lists();
    EXPECT_EQ(expected.models, (std::vector<std::string>{"Focus", "Mondeo"}));
    clearStatements();
    seam::click(dlg, IDC_REMOVE_MODEL);
    EXPECT_EQ(statements(),
              (std::vector<std::string>{sent().countCompressorsOfModel("Mondeo"), sent().deleteModel("Mondeo")}));
    EXPECT_TRUE(Seam::messages().empty());
    EXPECT_EQ(modelNames(), (std::vector<std::string>{"Polo", "Golf", "Focus"}));
    // Gone from the catalogue, still listed (and still selected) until the next pick.
    EXPECT_EQ(lists(), expected);

    // Refused the same way, also without a reload.
    seam::pick(dlg, IDC_MODEL_LIST, "Focus");
    expected = lists();
    seam::click(dlg, IDC_REMOVE_MODEL);
    expectOnlyMessage(kModelHasCompressors);
    EXPECT_EQ(lists(), expected);

    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Ford");
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), std::vector<std::string>{"Focus"});
}

TEST_P(ListsTest, ModelListIsEnabledFromTheFirstPickOnAndNeverDisabledAgain)
{
    CCatalogDlg& dlg = openMainWindow();
    // Nothing before the first pick enables it.
    answerNextDialog("Opel");
    seam::click(dlg, IDC_ADD_MANUFACTURER);
    seam::click(dlg, IDC_ADD_MANUFACTURER);  // cancelled
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    seam::click(dlg, IDC_ADD_MODEL);
    seam::click(dlg, IDC_REMOVE_MODEL);
    EXPECT_FALSE(seam::enabled(dlg, IDC_MODEL_LIST));
    EXPECT_EQ(takeMessages(), (std::vector<std::string>{kSelectManufacturerFirst, kSelectManufacturerFirst,
                                                        kSelectModelFirst}));

    // The first pick enables it, though Opel has no models.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Opel");
    EXPECT_TRUE(seam::enabled(dlg, IDC_MODEL_LIST));

    // Whatever follows, it stays enabled.
    const std::vector<std::function<void()>> steps{
        [&] { seam::click(dlg, IDC_REMOVE_MANUFACTURER); },  // Opel goes
        [&] { seam::click(dlg, IDC_REMOVE_MANUFACTURER); },  // nothing selected now
        [&] { seam::click(dlg, IDC_ADD_MODEL); },
        [&] { seam::click(dlg, IDC_ADD_MANUFACTURER); },
        [&] { seam::pick(dlg, IDC_MANUFACTURER_LIST, "Mazda"); },
        [&] { seam::click(dlg, IDC_REMOVE_MODEL); },
        [&] {
            answerNextDialog("MX-5");
            seam::click(dlg, IDC_ADD_MODEL);
        },
        [&] { seam::pick(dlg, IDC_MODEL_LIST, "MX-5"); },
        [&] { seam::click(dlg, IDC_REMOVE_MODEL); },
        [&] { seam::click(dlg, IDC_REMOVE_MANUFACTURER); },  // Mazda goes
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i]();
        EXPECT_TRUE(seam::enabled(dlg, IDC_MODEL_LIST)) << "after step " << i;
    }
    EXPECT_EQ(m_db.query("select marka from Marki order by id_marki"), (Rows{{"VW"}, {"Ford"}}));
}

TEST_P(ListsTest, SameNamedManufacturersAreListedAndRemovedTogether)
{
    const long long fordToo = m_db.insertManufacturer("Ford");
    m_db.insertModel(fordToo, "Ka");
    const long long saab = m_db.insertManufacturer("Saab");
    m_db.insertManufacturer("Saab");
    CCatalogDlg& dlg = openMainWindow();
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST),
              (std::vector<std::string>{"VW", "Ford", "Mazda", "Ford", "Saab", "Saab"}));

    // Either Ford lists the models of both.
    for (int index : {1, 3}) {
        seam::pick(dlg, IDC_MANUFACTURER_LIST, index);
        EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), (std::vector<std::string>{"Focus", "Ka", "Mondeo"}));
    }
    // Removing the second Ford is refused because of the first one's models, and the
    // other way round; neither goes.
    const auto original = tables();
    for (int index : {3, 1}) {
        seam::pick(dlg, IDC_MANUFACTURER_LIST, index);
        seam::click(dlg, IDC_REMOVE_MANUFACTURER);
        expectOnlyMessage(kManufacturerHasModels);
    }
    EXPECT_EQ(tables(), original);

    // The second Saab takes the first with it.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, 5);
    clearStatements();
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    EXPECT_TRUE(Seam::messages().empty());
    EXPECT_EQ(statements()[1], sent().deleteManufacturer("Saab"));
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST),
              (std::vector<std::string>{"VW", "Ford", "Mazda", "Ford"}));
    EXPECT_EQ(m_db.scalar("select count(*) from Marki where id_marki >= $1", {std::to_string(saab)}), "0");
    EXPECT_EQ(m_db.scalar("select count(*) from Marki"), "4");
}

TEST_P(ListsTest, SameNamedModelsOfTwoManufacturersAreCountedAndRemovedTogether)
{
    const long long fordSport = m_db.insertModel(m_ford, "Sport");
    const long long mazdaSport = m_db.insertModel(m_mazda, "Sport");
    m_db.insertModel(m_mazda, "MX-5");
    m_db.insertCompressor(mazdaSport, compressor("H12A"));
    CCatalogDlg& dlg = openMainWindow();

    // Ford's Sport has no compressor, Mazda's has one: removing the name is refused from
    // either side.
    const auto original = tables();
    for (const char* manufacturer : {"Ford", "Mazda"}) {
        seam::pick(dlg, IDC_MANUFACTURER_LIST, manufacturer);
        seam::pick(dlg, IDC_MODEL_LIST, "Sport");
        seam::click(dlg, IDC_REMOVE_MODEL);
        expectOnlyMessage(kModelHasCompressors);
    }
    EXPECT_EQ(tables(), original);

    // Once nothing depends on either, removing it from Ford removes Mazda's as well.
    m_db.exec("delete from kompresory where id_modelu = " + std::to_string(mazdaSport));
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Ford");
    seam::pick(dlg, IDC_MODEL_LIST, "Sport");
    seam::click(dlg, IDC_REMOVE_MODEL);
    EXPECT_TRUE(Seam::messages().empty());
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), (std::vector<std::string>{"Focus", "Mondeo"}));
    EXPECT_EQ(modelNames(), (std::vector<std::string>{"Polo", "Golf", "Mondeo", "Focus", "MX-5"}));
    EXPECT_EQ(m_db.scalar("select count(*) from Modele where id_modelu in ($1, $2)",
                          {std::to_string(fordSport), std::to_string(mazdaSport)}),
              "0");
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Mazda");
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), std::vector<std::string>{"MX-5"});
}

TEST_P(ListsTest, NamesWithQuotesOrColumnNamesReachOnlyThemselves)
{
    // Each of these, put into a statement carelessly, would either break it or turn the
    // comparison into one that holds for every row.
    const std::vector<std::string> names{"marka", "model", "id_marki", "MARKA", "id_modelu", "rowid",
                                         "Say \"hi\"", "O'Brien", "\"", "'", "it's \"both\"", "\" or 1=1 --"};
    CCatalogDlg& dlg = openMainWindow();
    const auto original = tables();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        answerNextDialog(name);
        seam::click(dlg, IDC_ADD_MANUFACTURER);
        EXPECT_EQ(m_db.query("select marka from Marki where id_marki > $1", {std::to_string(m_mazda)}),
                  (Rows{{name}}));
        const auto entries = seam::comboEntries(dlg, IDC_MANUFACTURER_LIST);
        ASSERT_EQ(entries.size(), 4u);
        EXPECT_EQ(entries.back(), name);

        // Its own models only: none yet.
        seam::pick(dlg, IDC_MANUFACTURER_LIST, 3);
        EXPECT_TRUE(seam::comboEntries(dlg, IDC_MODEL_LIST).empty());

        answerNextDialog(name);
        seam::click(dlg, IDC_ADD_MODEL);
        EXPECT_EQ(m_db.query("select count(*) from Modele m join Marki k on m.id_marki = k.id_marki "
                             "where k.marka = $1 and m.model = $1",
                             {name}),
                  (Rows{{"1"}}));
        EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), std::vector<std::string>{name});

        // It has a model now: refused, though nothing else changed.
        seam::click(dlg, IDC_REMOVE_MANUFACTURER);
        expectOnlyMessage(kManufacturerHasModels);

        // The model has no compressor, though other models have: it goes, alone.
        seam::pick(dlg, IDC_MODEL_LIST, name);
        seam::click(dlg, IDC_REMOVE_MODEL);
        EXPECT_TRUE(Seam::messages().empty());
        EXPECT_EQ(modelNames(), (std::vector<std::string>{"Polo", "Golf", "Mondeo", "Focus"}));

        // And the manufacturer, without models now though the others have some: alone.
        seam::pick(dlg, IDC_MANUFACTURER_LIST, 3);
        seam::click(dlg, IDC_REMOVE_MANUFACTURER);
        EXPECT_TRUE(Seam::messages().empty());
        EXPECT_EQ(tables(), original);
        EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST), (std::vector<std::string>{"VW", "Ford", "Mazda"}));
    }

    // The other way round: existing manufacturers and models that only resemble such a name
    // are not reached either. A model named like the column next to a real one, with
    // compressors on every other model.
    const long long markaId = m_db.insertManufacturer("marka");
    m_db.insertModel(markaId, "model");
    m_db.insertModel(m_vw, "model");
    closeMainWindow();
    theDb.close();
    CCatalogDlg& again = openMainWindow();
    seam::pick(again, IDC_MANUFACTURER_LIST, "marka");
    EXPECT_EQ(seam::comboEntries(again, IDC_MODEL_LIST), std::vector<std::string>{"model"});
    seam::pick(again, IDC_MANUFACTURER_LIST, "VW");
    EXPECT_EQ(seam::comboEntries(again, IDC_MODEL_LIST), (std::vector<std::string>{"Golf", "Polo", "model"}));
    // Models go by name: both of that name, and only they.
    seam::pick(again, IDC_MODEL_LIST, "model");
    seam::click(again, IDC_REMOVE_MODEL);
    EXPECT_TRUE(Seam::messages().empty());
    EXPECT_EQ(seam::comboEntries(again, IDC_MODEL_LIST), (std::vector<std::string>{"Golf", "Polo"}));
    EXPECT_EQ(modelNames(), (std::vector<std::string>{"Polo", "Golf", "Mondeo", "Focus"}));
}

TEST_P(ListsTest, DatabaseFailuresStopTheCommandAndKeepTheLists)
{
    CCatalogDlg& dlg = openWithGolfShown();
    const Lists before = lists();
    const auto missingModele = [this] {
        return onServer() ? "SQLITE_ERROR[1]: relation \"modele\" does not exist" : "SQLITE_ERROR[1]: no such table: modele";
    };

    // The models query fails: the list has been enabled but keeps its entries; the results
    // are not emptied, since the command ended before.
    m_db.exec("alter table Modele rename to Modele_old");
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Ford");
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text, missingModele());
    EXPECT_EQ(Seam::messages()[0].type & MB_ICONMASK, MB_ICONERROR);
    Seam::clearMessages();
    Lists expected = before;
    expected.manufacturer = 1;
    EXPECT_EQ(lists(), expected);

    // The count fails: nothing deleted, nothing reloaded.
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{missingModele()});
    EXPECT_EQ(lists(), expected);
    EXPECT_EQ(m_db.scalar("select count(*) from Marki"), "3");
    m_db.exec("alter table Modele_old rename to Modele");

    // The deletion fails after a count of "0": the list is not reloaded.
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "Mazda");
    m_db.refuse("delete", "Marki", "kept");
    seam::click(dlg, IDC_REMOVE_MANUFACTURER);
    EXPECT_EQ(takeMessages(), std::vector<std::string>{onServer() ? "SQLITE_ERROR[1]: kept" : "SQLITE_CONSTRAINT[19]: kept"});
    EXPECT_EQ(seam::comboSelection(dlg, IDC_MANUFACTURER_LIST), 2);
    EXPECT_EQ(m_db.scalar("select count(*) from Marki"), "3");
}

KELVARA_ON_BOTH_ENGINES(ListsTest);
