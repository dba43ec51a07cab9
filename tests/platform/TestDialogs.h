#pragma once

// Small dialogs made for testing the framework, on templates of their own.

#include "DataExchange.h"
#include "Dialog.h"
#include "Resources.h"
#include "WinApp.h"

#include <stdexcept>
#include <string>
#include <vector>

constexpr int kPlainTemplate = 9001;      // edit, OK (not default), Cancel, no system menu
constexpr int kDefaultTemplate = 9002;    // OK default, Cancel, Apply, combo, check, list; close box
constexpr int kIdEdit = 100;
constexpr int kIdApply = 101;
constexpr int kIdCombo = 102;
constexpr int kIdCheck = 103;
constexpr int kIdList = 104;

inline void RegisterTestTemplates()
{
    using C = ControlClass;
    platform::RegisterDialogTemplate({kPlainTemplate, "Plain", 100, 40, WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0,
                                      "MS Sans Serif", 8,
                                      {
                                          {IDOK, C::Button, "OK", 10, 20, 40, 14, BS_PUSHBUTTON},
                                          {IDCANCEL, C::Button, "Cancel", 55, 20, 40, 14, BS_PUSHBUTTON},
                                          {kIdEdit, C::Edit, "", 4, 4, 92, 12, WS_BORDER | WS_TABSTOP},
                                      }});
    platform::RegisterDialogTemplate(
        {kDefaultTemplate, "With default", 200, 150, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0,
         "MS Sans Serif", 8,
         {
             {IDOK, C::Button, "OK", 10, 130, 40, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
             {IDCANCEL, C::Button, "Cancel", 55, 130, 40, 14, BS_PUSHBUTTON | WS_TABSTOP},
             {kIdApply, C::Button, "Apply", 100, 130, 40, 14, BS_PUSHBUTTON | WS_TABSTOP},
             {kIdCombo, C::ComboBox, "", 4, 4, 100, 80, CBS_DROPDOWNLIST | WS_TABSTOP},
             {kIdCheck, C::Button, "Check", 110, 4, 60, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
             {kIdList, C::ListView, "", 4, 30, 190, 90, WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL},
             {kIdEdit, C::Edit, "", 110, 16, 80, 12, WS_BORDER | ES_AUTOHSCROLL},
         }});
}

// Records what reaches it.
class RecordingDialog : public CDialog {
public:
    explicit RecordingDialog(int templateId) : CDialog(templateId) {}

    std::vector<std::string> events;
    CString text;
    CString comboText;
    int check = 0;
    bool throwOnApply = false;
    CComboBox combo;
    CListCtrl list;

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, kIdEdit, text);
        if (templateId() == kDefaultTemplate) {
            DDX_Control(pDX, kIdCombo, combo);
            DDX_Control(pDX, kIdList, list);
            DDX_CBString(pDX, kIdCombo, comboText);
            DDX_Check(pDX, kIdCheck, check);
        }
    }
    void OnOK() override
    {
        events.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        events.push_back("OnCancel");
        CDialog::OnCancel();
    }
    int OnCreate(LPCREATESTRUCT)
    {
        events.push_back("OnCreate");
        return 0;
    }
    void OnApply()
    {
        events.push_back("OnApply");
        if (throwOnApply)
            throw std::runtime_error("apply failed");
    }
    void OnComboChange() { events.push_back("OnComboChange"); }
    void OnListClick(NMHDR*, LRESULT* result)
    {
        events.push_back("OnListClick");
        *result = 0;
    }

    DECLARE_MESSAGE_MAP()
};

// An application object that records the exceptions handlers let out.
class RecordingApp : public CWinApp {
public:
    std::vector<std::string> reported;
    void ReportHandlerException(CWnd*, std::exception_ptr error) noexcept override
    {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            reported.push_back(e.what());
        } catch (...) {
            reported.push_back("?");
        }
    }
};
