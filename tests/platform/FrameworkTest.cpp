// Dialog templates, keys, the close box, message maps, data exchange and the dispatcher.

#include "TestDialogs.h"
#include "TestSeam.h"

#include <gtest/gtest.h>

BEGIN_MESSAGE_MAP(RecordingDialog, CDialog)
    ON_WM_CREATE()
    ON_BN_CLICKED(kIdApply, OnApply)
    ON_CBN_SELCHANGE(kIdCombo, OnComboChange)
    ON_NOTIFY(NM_CLICK, kIdList, OnListClick)
END_MESSAGE_MAP()

using platform::test::Key;
using platform::test::Seam;
namespace seam = platform::test;

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterTestTemplates();
        Seam::reset();
    }
    RecordingApp m_app;
};

TEST_F(FrameworkTest, TemplatesAreLaidOutInDialogUnits)
{
    RecordingDialog dlg(kPlainTemplate);
    ASSERT_TRUE(dlg.Create());
    // Base units 6 x 13: x * 6 / 4, y * 13 / 8.
    EXPECT_EQ(seam::geometry(dlg, IDOK), (std::vector<int>{15, 32, 60, 22}));
    EXPECT_EQ(seam::geometry(dlg, kIdEdit), (std::vector<int>{6, 6, 138, 19}));
    EXPECT_EQ(seam::caption(dlg), "Plain");
    EXPECT_FALSE(seam::hasCloseBox(dlg));
    EXPECT_FALSE(seam::isTabStop(dlg, IDOK));
    EXPECT_TRUE(seam::isTabStop(dlg, kIdEdit));
    // The first tab stop has the focus after initialisation.
    EXPECT_TRUE(seam::hasFocus(dlg, kIdEdit));
    EXPECT_EQ(dlg.events, std::vector<std::string>{"OnCreate"});
}

TEST_F(FrameworkTest, EnterIsOkEvenWithoutADefaultButton)
{
    RecordingDialog dlg(kPlainTemplate);
    ASSERT_TRUE(dlg.Create());
    seam::type(dlg, kIdEdit, "typed");
    seam::pressKey(dlg, Key::Enter);
    EXPECT_EQ(dlg.events, (std::vector<std::string>{"OnCreate", "OnOK"}));
    EXPECT_TRUE(dlg.isEnded());
    EXPECT_EQ(dlg.modalResult(), IDOK);
    // OnOK exchanged the data before ending.
    EXPECT_EQ(dlg.text, "typed");
}

TEST_F(FrameworkTest, EnterPressesTheFocusedOrDefaultButton)
{
    RecordingDialog dlg(kDefaultTemplate);
    ASSERT_TRUE(dlg.Create());
    EXPECT_TRUE(seam::isDefaultButton(dlg, IDOK));
    EXPECT_TRUE(seam::hasFocus(dlg, IDOK));
    dlg.GetDlgItem(kIdApply)->SetFocus();
    seam::pressKey(dlg, Key::Enter);
    EXPECT_EQ(dlg.events.back(), "OnApply");
    EXPECT_FALSE(dlg.isEnded());
    dlg.GetDlgItem(kIdEdit)->SetFocus();
    seam::pressKey(dlg, Key::Enter);
    EXPECT_EQ(dlg.events.back(), "OnOK");
    EXPECT_EQ(dlg.modalResult(), IDOK);
}

TEST_F(FrameworkTest, EscapeAndTheCloseBoxCancel)
{
    RecordingDialog a(kDefaultTemplate);
    ASSERT_TRUE(a.Create());
    EXPECT_TRUE(seam::hasCloseBox(a));
    seam::pressKey(a, Key::Escape);
    EXPECT_EQ(a.events.back(), "OnCancel");
    EXPECT_EQ(a.modalResult(), IDCANCEL);

    RecordingDialog b(kDefaultTemplate);
    ASSERT_TRUE(b.Create());
    seam::clickCloseBox(b);
    EXPECT_EQ(b.events.back(), "OnCancel");
    EXPECT_EQ(b.modalResult(), IDCANCEL);
}

TEST_F(FrameworkTest, ModalDialogsRunScriptsInsideTheirLoop)
{
    RecordingDialog dlg(kDefaultTemplate);
    Seam::onNextDialog([](CDialog& d) {
        seam::type(d, kIdEdit, "from the script");
        seam::setCheck(d, kIdCheck, true);
        seam::click(d, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.text, "from the script");
    EXPECT_EQ(dlg.check, 1);
    EXPECT_EQ(Seam::dialogsShown(), std::vector<int>{kDefaultTemplate});

    // A dialog the script leaves open is cancelled; one without a script too.
    RecordingDialog open(kDefaultTemplate);
    Seam::onNextDialog([](CDialog& d) { seam::type(d, kIdEdit, "left open"); });
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    RecordingDialog unscripted(kPlainTemplate);
    EXPECT_EQ(unscripted.DoModal(), IDCANCEL);
    EXPECT_EQ(Seam::pendingDialogScripts(), 0);
    // An unknown template cannot be created.
    CDialog missing(12345);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(FrameworkTest, HandlerExceptionsGoToTheApplicationAndTheDialogStays)
{
    RecordingDialog dlg(kDefaultTemplate);
    ASSERT_TRUE(dlg.Create());
    dlg.throwOnApply = true;
    seam::click(dlg, kIdApply);
    EXPECT_EQ(m_app.reported, std::vector<std::string>{"apply failed"});
    EXPECT_FALSE(dlg.isEnded());
    // The window still answers.
    seam::click(dlg, IDOK);
    EXPECT_TRUE(dlg.isEnded());
}

TEST_F(FrameworkTest, ComboBoxesBehaveLikeWindowsLists)
{
    RecordingDialog dlg(kDefaultTemplate);
    ASSERT_TRUE(dlg.Create());
    // Adding never selects; bytes come back as given, also when they are not UTF-8.
    const std::string latin2("\x8a" "koda", 5);
    dlg.combo.AddString("Alpha");
    dlg.combo.AddString(latin2.c_str());
    dlg.combo.AddString("alpine");
    EXPECT_EQ(dlg.combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(dlg.combo.GetLBText(1), latin2);

    // A program's change is not the operator's pick: no CBN_SELCHANGE.
    dlg.combo.SetCurSel(2);
    EXPECT_EQ(dlg.events, std::vector<std::string>{"OnCreate"});
    seam::pick(dlg, kIdCombo, 0);
    EXPECT_EQ(dlg.events.back(), "OnComboChange");

    // Data exchange: the selected text, or empty; loading selects by prefix, empty selects nothing.
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.comboText, "Alpha");
    dlg.comboText = "alp";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(dlg.combo.GetCurSel(), 0);
    dlg.comboText = "";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(dlg.combo.GetCurSel(), CB_ERR);
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.comboText, "");

    // Deleting the selected entry leaves no selection; reset empties.
    dlg.combo.SetCurSel(1);
    EXPECT_EQ(dlg.combo.DeleteString(1), 2);
    EXPECT_EQ(dlg.combo.GetCurSel(), CB_ERR);
    dlg.combo.ResetContent();
    EXPECT_EQ(dlg.combo.GetCount(), 0);
}

TEST_F(FrameworkTest, EditsKeepTheBytesTheProgramGaveThem)
{
    RecordingDialog dlg(kDefaultTemplate);
    ASSERT_TRUE(dlg.Create());
    const std::string notUtf8("12\xb9" "50", 5);
    dlg.text = notUtf8;
    dlg.UpdateData(FALSE);
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.text, notUtf8);
    seam::type(dlg, kIdEdit, "Škoda");
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.text, "Škoda");
}

TEST_F(FrameworkTest, MessageBoxesAreRecordedAndAnswered)
{
    RecordingDialog dlg(kPlainTemplate);
    ASSERT_TRUE(dlg.Create());
    Seam::answerMessageBox(IDNO);
    EXPECT_EQ(dlg.MessageBox("Sure?", "Kelvara", MB_YESNO | MB_ICONINFORMATION), IDNO);
    // With nothing queued the default button answers.
    EXPECT_EQ(dlg.MessageBox("Sure?", "Kelvara", MB_YESNO | MB_ICONINFORMATION), IDYES);
    EXPECT_EQ(dlg.MessageBox("Sure?", "Kelvara", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(dlg.MessageBox("Done.", "Kelvara", MB_OK), IDOK);
    ASSERT_EQ(Seam::messages().size(), 4u);
    EXPECT_EQ(Seam::messages()[0].text, "Sure?");
    EXPECT_EQ(Seam::messages()[0].caption, "Kelvara");
    EXPECT_EQ(Seam::messages()[0].type, MB_YESNO | MB_ICONINFORMATION);
}

TEST_F(FrameworkTest, OnlyYesAndNoAnswerAYesNoMessageBox)
{
    // Escape does nothing and there is no close box; other boxes keep both.
    for (const auto& [type, escape] : std::vector<std::pair<UINT, int>>{
             {MB_YESNO | MB_ICONINFORMATION, 0}, {MB_YESNO | MB_DEFBUTTON2, 0}, {MB_OKCANCEL, IDCANCEL}, {MB_OK, IDOK}}) {
        bool closeBox = escape == 0;
        EXPECT_EQ(seam::messageBoxEscapeAnswer(type, &closeBox), escape) << type;
        EXPECT_EQ(closeBox, escape != 0) << type;
    }
}

TEST_F(FrameworkTest, UpperCaseCoversLettersBeyondAscii)
{
    CString s = "abc żółw 1e";
    s.MakeUpper();
    EXPECT_EQ(s, "ABC ŻÓŁW 1E");
    CString bytes(std::string("ab\xff", 3));
    bytes.MakeUpper();
    EXPECT_EQ(bytes, std::string("AB\xff", 3));
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");
}
