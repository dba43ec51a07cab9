// "Add manufacturer" and "Add car model": how they open, what OK writes, and that every
// other way out writes nothing.

#include "CatalogTest.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <cstdlib>
#include <functional>

using kelvara::test::Rows;
using platform::test::Key;
using platform::test::Seam;
namespace seam = platform::test;

namespace {

constexpr COLORREF kBlue = RGB(66, 125, 214);
namespace file = kelvara::test::file;
using file::quoted;
const std::string& kFillManufacturers = file::kSelectManufacturers;

// How a dialog ended, seen from inside its script.
struct Ending {
    bool ended = false;
    int result = 0;
};

class EntryDialogsTest : public CatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        m_vw = m_db.insertManufacturer("VW");
        m_db.insertModel(m_vw, "Golf");
    }

    // Opens "Add manufacturer" from the main window and acts on it with script.
    void withAddManufacturer(const std::function<void(CDialog&)>& script)
    {
        Seam::onNextDialog(script);
        seam::click(*m_main, IDC_ADD_MANUFACTURER);
    }

    // Picks the manufacturer, then opens "Add car model" and acts on it with script.
    void withAddModel(int manufacturerIndex, const std::function<void(CDialog&)>& script)
    {
        seam::pick(*m_main, IDC_MANUFACTURER_LIST, manufacturerIndex);
        clearStatements();
        Seam::onNextDialog(script);
        seam::click(*m_main, IDC_ADD_MODEL);
    }

    // A script that types name, finishes with act and records how the dialog ended.
    static std::function<void(CDialog&)> typeThen(const std::string& name, std::function<void(CDialog&)> act,
                                                  Ending& ending)
    {
        return [name, act, &ending](CDialog& d) {
            seam::type(d, IDC_NAME, name);
            act(d);
            ending = {d.isEnded(), d.modalResult()};
        };
    }

    static void pressOk(CDialog& d) { seam::click(d, IDOK); }

    long long m_vw = 0;
};

}  // namespace

TEST_F(EntryDialogsTest, AddManufacturerInsertsTheNameExactlyAsTyped)
{
    struct Case {
        std::string typed;
        std::vector<std::string> inserts;
    };
    const std::vector<Case> cases{
        {"Opel", {file::insertManufacturer(quoted("Opel"))}},
        // Blanks are a name; nothing is trimmed.
        {"   ", {file::insertManufacturer(quoted("   "))}},
        {" Seat ", {file::insertManufacturer(quoted(" Seat "))}},
        // Duplicates are not looked for.
        {"VW", {file::insertManufacturer(quoted("VW"))}},
        {"Škoda", {file::insertManufacturer(quoted("Škoda"))}},
        // Empty: nothing written, and the dialog closes as after any OK.
        {"", {}},
    };
    CCatalogDlg& dlg = openMainWindow();
    std::vector<std::string> expectedNames{"VW"};
    for (const Case& c : cases) {
        SCOPED_TRACE("typed \"" + c.typed + "\"");
        clearStatements();
        Ending ending;
        withAddManufacturer(typeThen(c.typed, pressOk, ending));
        EXPECT_TRUE(ending.ended);
        EXPECT_EQ(ending.result, IDOK);
        std::vector<std::string> expected = c.inserts;
        expected.push_back(kFillManufacturers);
        EXPECT_EQ(statements(), expected);
        if (!c.inserts.empty())
            expectedNames.push_back(c.typed);
        EXPECT_EQ(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST), expectedNames);
    }
    Rows stored;
    for (const auto& name : expectedNames)
        stored.push_back({name});
    EXPECT_EQ(m_db.query("select marka from Marki order by id_marki"), stored);
    EXPECT_TRUE(Seam::messages().empty());
}

TEST_F(EntryDialogsTest, AddModelInsertsUnderTheManufacturerOfThatName)
{
    const long long seat = m_db.insertManufacturer("Seat");
    m_db.insertManufacturer("Seat");
    CCatalogDlg& dlg = openMainWindow();
    const std::string vw = std::to_string(m_vw);

    struct Case {
        std::string typed;
        std::vector<std::string> inserts;  // lookup and insert, when there is a name
    };
    const std::vector<Case> cases{
        // No blank between the comma after the id and the name's opening quote.
        {"Passat",
         {file::manufacturerIdByName(quoted("VW")), file::insertModel(vw, quoted("Passat"))}},
        {"  ",
         {file::manufacturerIdByName(quoted("VW")), file::insertModel(vw, quoted("  "))}},
        {"Golf",
         {file::manufacturerIdByName(quoted("VW")), file::insertModel(vw, quoted("Golf"))}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("typed \"" + c.typed + "\"");
        Ending ending;
        withAddModel(0, typeThen(c.typed, pressOk, ending));
        EXPECT_TRUE(ending.ended);
        EXPECT_EQ(ending.result, IDOK);
        std::vector<std::string> expected = c.inserts;
        expected.push_back(file::modelsOfManufacturer("'VW'"));
        EXPECT_EQ(statements(), expected);
    }
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), (std::vector<std::string>{"  ", "Golf", "Golf", "Passat"}));
    EXPECT_EQ(m_db.query("select id_marki, model from Modele order by id_modelu"),
              (Rows{{vw, "Golf"}, {vw, "Passat"}, {vw, "  "}, {vw, "Golf"}}));

    // Two manufacturers named Seat: the second one is picked, the model goes to the row the
    // lookup finds first, and both list it.
    Ending ending;
    withAddModel(2, typeThen("Ibiza", pressOk, ending));
    ASSERT_GE(statements().size(), 2u);
    EXPECT_EQ(statements()[1], file::insertModel(std::to_string(seat), quoted("Ibiza")));
    EXPECT_EQ(m_db.query("select id_marki from Modele where model = 'Ibiza'"), (Rows{{std::to_string(seat)}}));
    EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), std::vector<std::string>{"Ibiza"});
    EXPECT_EQ(g_strManufacturer, "Seat");
    EXPECT_TRUE(Seam::messages().empty());
}

TEST_F(EntryDialogsTest, AddModelForAManufacturerRemovedMeanwhileAddsNothingAndSaysSo)
{
    openMainWindow();
    Ending ending;
    withAddModel(0, typeThen("Passat",
                             [this](CDialog& d) {
                                 // Another program removes VW while the dialog is open.
                                 m_db.exec("delete from Marki where marka = 'VW'");
                                 seam::click(d, IDOK);
                             },
                             ending));
    EXPECT_TRUE(ending.ended);
    EXPECT_EQ(ending.result, IDOK);
    ASSERT_EQ(Seam::messages().size(), 1u);
    EXPECT_EQ(Seam::messages()[0].text,
              "Cannot add model.\nManufacturer \"VW\" is no longer in the catalogue; nothing was added.");
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(statements(),
              (std::vector<std::string>{file::manufacturerIdByName(quoted("VW")), file::modelsOfManufacturer("'VW'")}));
    EXPECT_EQ(m_db.query("select model from Modele"), (Rows{{"Golf"}}));
    // The list follows the catalogue: VW's models are gone with it.
    EXPECT_TRUE(seam::comboEntries(*m_main, IDC_MODEL_LIST).empty());
}

TEST_F(EntryDialogsTest, AddModelForAManufacturerWithoutANameInsertsNothing)
{
    m_db.insertManufacturer(std::string());
    openMainWindow();
    Ending ending;
    withAddModel(1, typeThen("Passat", pressOk, ending));
    EXPECT_TRUE(ending.ended);
    EXPECT_EQ(ending.result, IDOK);
    EXPECT_EQ(g_strManufacturer, "");
    EXPECT_EQ(statements(), std::vector<std::string>{file::modelsOfManufacturer("''")});
    EXPECT_EQ(m_db.scalar("select count(*) from Modele"), "1");
    EXPECT_TRUE(Seam::messages().empty());
}

TEST_F(EntryDialogsTest, DialogsOpenAsTheirTemplatesSay)
{
    openMainWindow();
    // Dialog units at base units 6 x 13: x * 6 / 4, y * 13 / 8.
    bool checked = false;
    withAddManufacturer([&](CDialog& d) {
        EXPECT_EQ(seam::caption(d), "Add manufacturer");
        EXPECT_FALSE(seam::hasCloseBox(d));
        EXPECT_TRUE(seam::hasFocus(d, IDC_NAME));
        EXPECT_EQ(seam::text(d, IDC_NAME), "");
        EXPECT_EQ(seam::text(d, IDOK), "OK");
        EXPECT_EQ(seam::text(d, IDCANCEL), "Cancel");
        for (int id : {IDOK, IDCANCEL}) {
            EXPECT_FALSE(seam::isDefaultButton(d, id)) << id;
            EXPECT_FALSE(seam::isTabStop(d, id)) << id;
        }
        EXPECT_TRUE(seam::isTabStop(d, IDC_NAME));
        EXPECT_EQ(seam::geometry(d, IDC_NAME), (std::vector<int>{10, 11, 244, 22}));
        EXPECT_EQ(seam::geometry(d, IDOK), (std::vector<int>{22, 40, 75, 22}));
        EXPECT_EQ(seam::geometry(d, IDCANCEL), (std::vector<int>{142, 43, 75, 22}));
        // Blue around and between the controls.
        EXPECT_EQ(seam::pixel(d, 2, 2), kBlue);
        EXPECT_EQ(seam::pixel(d, 120, 50), kBlue);
        EXPECT_EQ(seam::pixel(d, 262, 78), kBlue);
        // Tab has nowhere else to go.
        seam::pressKey(d, Key::Tab);
        EXPECT_TRUE(seam::hasFocus(d, IDC_NAME));
        checked = true;
    });
    EXPECT_TRUE(checked);

    checked = false;
    withAddModel(0, [&](CDialog& d) {
        EXPECT_EQ(seam::caption(d), "Add car model");
        EXPECT_TRUE(seam::hasCloseBox(d));
        EXPECT_TRUE(seam::hasFocus(d, IDOK));
        EXPECT_TRUE(seam::isDefaultButton(d, IDOK));
        EXPECT_FALSE(seam::isDefaultButton(d, IDCANCEL));
        for (int id : {IDOK, IDCANCEL, IDC_NAME})
            EXPECT_TRUE(seam::isTabStop(d, id)) << id;
        EXPECT_EQ(seam::geometry(d, IDC_NAME), (std::vector<int>{10, 11, 258, 22}));
        EXPECT_EQ(seam::geometry(d, IDOK), (std::vector<int>{10, 55, 115, 22}));
        EXPECT_EQ(seam::geometry(d, IDCANCEL), (std::vector<int>{150, 55, 115, 22}));
        EXPECT_EQ(seam::pixel(d, 2, 2), kBlue);
        EXPECT_EQ(seam::pixel(d, 137, 60), kBlue);
        EXPECT_EQ(seam::pixel(d, 276, 89), kBlue);
        // Tab runs OK, Cancel, edit, and round again.
        seam::pressKey(d, Key::Tab);
        EXPECT_TRUE(seam::hasFocus(d, IDCANCEL));
        seam::pressKey(d, Key::Tab);
        EXPECT_TRUE(seam::hasFocus(d, IDC_NAME));
        seam::pressKey(d, Key::Tab);
        EXPECT_TRUE(seam::hasFocus(d, IDOK));
        checked = true;
    });
    EXPECT_TRUE(checked);
    // Both were left open and so cancelled: nothing written.
    EXPECT_EQ(m_db.scalar("select count(*) from Marki"), "1");
    EXPECT_EQ(m_db.scalar("select count(*) from Modele"), "1");
}

TEST_F(EntryDialogsTest, ControlsGetTheBlueTextBackgroundAndKeepTheirTextColour)
{
    openMainWindow();
    auto check = [](CDialog& d) {
        for (int id : {IDOK, IDCANCEL, IDC_NAME, 0}) {
            CWnd* wnd = id ? d.GetDlgItem(id) : &d;
            ASSERT_NE(wnd, nullptr);
            for (UINT kind : {CTLCOLOR_BTN, CTLCOLOR_EDIT, CTLCOLOR_STATIC, CTLCOLOR_DLG}) {
                CDC dc;
                CtlColorArgs args{&dc, wnd, kind};
                d.Dispatch(WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&args));
                EXPECT_EQ(dc.bkColor(), kBlue) << id << "/" << kind;
                EXPECT_FALSE(dc.textColor().has_value()) << id << "/" << kind;
            }
        }
    };
    int checked = 0;
    withAddManufacturer([&](CDialog& d) {
        check(d);
        ++checked;
    });
    withAddModel(0, [&](CDialog& d) {
        check(d);
        ++checked;
    });
    EXPECT_EQ(checked, 2);
}

TEST_F(EntryDialogsTest, EnterInTheEditActsAsOkInBothDialogs)
{
    openMainWindow();
    auto enter = [](CDialog& d) {
        ASSERT_TRUE(seam::hasFocus(d, IDC_NAME));
        seam::pressKey(d, Key::Enter);
    };
    Ending ending;
    withAddManufacturer(typeThen("Opel", enter, ending));
    EXPECT_TRUE(ending.ended);
    EXPECT_EQ(ending.result, IDOK);
    EXPECT_EQ(m_db.query("select marka from Marki order by id_marki"), (Rows{{"VW"}, {"Opel"}}));

    ending = {};
    withAddModel(0, typeThen("Passat", enter, ending));
    EXPECT_TRUE(ending.ended);
    EXPECT_EQ(ending.result, IDOK);
    EXPECT_EQ(m_db.query("select model from Modele order by id_modelu"), (Rows{{"Golf"}, {"Passat"}}));
    EXPECT_TRUE(Seam::messages().empty());
}

TEST_F(EntryDialogsTest, CancelEscapeAndTheCloseBoxWriteNothing)
{
    CCatalogDlg& dlg = openMainWindow();
    struct Way {
        const char* name;
        std::function<void(CDialog&)> act;
    };
    const std::vector<Way> ways{
        {"Cancel", [](CDialog& d) { seam::click(d, IDCANCEL); }},
        {"Escape", [](CDialog& d) { seam::pressKey(d, Key::Escape); }},
        {"close box", [](CDialog& d) { seam::clickCloseBox(d); }},
    };
    const Rows manufacturers = m_db.query("select * from Marki");
    const Rows models = m_db.query("select * from Modele");
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        // "Add manufacturer" has no close box to click.
        if (std::string(way.name) != "close box") {
            clearStatements();
            Ending ending;
            withAddManufacturer(typeThen("Opel", way.act, ending));
            EXPECT_TRUE(ending.ended);
            EXPECT_EQ(ending.result, IDCANCEL);
            EXPECT_EQ(statements(), std::vector<std::string>{kFillManufacturers});
        }
        Ending ending;
        withAddModel(0, typeThen("Passat", way.act, ending));
        EXPECT_TRUE(ending.ended);
        EXPECT_EQ(ending.result, IDCANCEL);
        EXPECT_EQ(statements(), std::vector<std::string>{file::modelsOfManufacturer("'VW'")});
        EXPECT_EQ(seam::comboEntries(dlg, IDC_MODEL_LIST), std::vector<std::string>{"Golf"});
    }
    EXPECT_EQ(m_db.query("select * from Marki"), manufacturers);
    EXPECT_EQ(m_db.query("select * from Modele"), models);
    EXPECT_TRUE(Seam::messages().empty());
}

TEST_F(EntryDialogsTest, AFailedInsertKeepsTheDialogOpenWithTheNameTyped)
{
    openMainWindow();
    m_db.exec("create trigger frozen before insert on Marki begin select raise(abort, 'catalogue frozen'); end");
    bool checked = false;
    withAddManufacturer([&](CDialog& d) {
        seam::type(d, IDC_NAME, "Opel");
        seam::click(d, IDOK);
        ASSERT_EQ(Seam::messages().size(), 1u);
        EXPECT_EQ(Seam::messages()[0].text, "SQLITE_CONSTRAINT[19]: catalogue frozen");
        EXPECT_EQ(Seam::messages()[0].type & MB_ICONMASK, MB_ICONERROR);
        EXPECT_FALSE(d.isEnded());
        EXPECT_EQ(seam::text(d, IDC_NAME), "Opel");
        // Put right, the same OK goes through, once.
        m_db.exec("drop trigger frozen");
        seam::click(d, IDOK);
        EXPECT_TRUE(d.isEnded());
        checked = true;
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(m_db.query("select marka from Marki order by id_marki"), (Rows{{"VW"}, {"Opel"}}));

    // The same for a model; given up with Escape, nothing is written.
    Seam::clearMessages();
    m_db.exec("create trigger frozen before insert on Modele begin select raise(abort, 'catalogue frozen'); end");
    checked = false;
    withAddModel(0, [&](CDialog& d) {
        seam::type(d, IDC_NAME, "Passat");
        seam::pressKey(d, Key::Enter);
        EXPECT_EQ(Seam::messages().size(), 1u);
        EXPECT_FALSE(d.isEnded());
        EXPECT_EQ(seam::text(d, IDC_NAME), "Passat");
        seam::pressKey(d, Key::Escape);
        EXPECT_TRUE(d.isEnded());
        checked = true;
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(m_db.query("select model from Modele"), (Rows{{"Golf"}}));
}

TEST_F(EntryDialogsTest, Screenshots)
{
    if (std::getenv("KELVARA_WRITE_DOCS") == nullptr)
        GTEST_SKIP() << "set KELVARA_WRITE_DOCS to write docs/add-manufacturer.png and docs/add-model.png";
    openMainWindow();
    int saved = 0;
    withAddManufacturer([&](CDialog& d) {
        seam::type(d, IDC_NAME, "Opel");
        saved += seam::saveScreenshot(d, KELVARA_DOCS_DIR "/add-manufacturer.png") ? 1 : 0;
    });
    withAddModel(0, [&](CDialog& d) {
        seam::type(d, IDC_NAME, "Passat");
        saved += seam::saveScreenshot(d, KELVARA_DOCS_DIR "/add-model.png") ? 1 : 0;
    });
    EXPECT_EQ(saved, 2);
}
