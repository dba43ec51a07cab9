#pragma once

// Dialog data exchange: binding controls to members and moving values between them.

#include "Afx.h"
#include "CString.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate) : m_pDlgWnd(dlgWnd), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;  // TRUE: controls into members
};

// Binds a control member to the dialog's control with that id (once; later calls do nothing).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// An edit's text.
void DDX_Text(CDataExchange* pDX, int id, CString& value);
// A drop-down list's selected entry text (empty when nothing is selected). Loading
// selects the first entry that begins with the text; an empty text selects nothing.
void DDX_CBString(CDataExchange* pDX, int id, CString& value);
// A check box's state, 0 or 1.
void DDX_Check(CDataExchange* pDX, int id, int& value);
