#pragma once

// The controls the catalogue uses. Each wraps the Qt widget that a dialog template created;
// all state lives in the widget, so any wrapper of the same control sees the same thing.

#include "Wnd.h"

#include <string>
#include <vector>

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int check);
    // Sends BN_CLICKED to the parent through the same path a mouse click takes.
    void Click();
};

class CStatic : public CWnd {};

class CEdit : public CWnd {};

class CComboBox : public CWnd {
public:
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    // Appends; never changes the selection.
    int AddString(const char* text);
    int DeleteString(int index);
    void ResetContent();
    // The exact bytes that were added.
    void GetLBText(int index, CString& text) const;
    CString GetLBText(int index) const;
    // Selects the first entry that begins with text (case-insensitive); CB_ERR if none.
    int SelectString(int startAfter, const char* text);
};

struct LVITEM {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    const char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
};

// A report-style list view. Rows are kept in a store that takes any number of rows at any
// index in constant time; the view catches up once control returns to the event loop, so
// filling it never repaints or re-lays out per row.
class CListCtrl : public CWnd {
public:
    int InsertColumn(int col, const char* heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
    BOOL DeleteColumn(int col);
    int GetColumnCount() const;
    CString GetColumnHeading(int col) const;
    int GetColumnWidth(int col) const;

    int InsertItem(const LVITEM* item);
    int InsertItem(int index, const char* text);
    BOOL SetItemText(int item, int subItem, const char* text);
    CString GetItemText(int item, int subItem) const;
    BOOL DeleteAllItems();
    int GetItemCount() const;
    UINT GetItemState(int item, UINT mask) const;
    BOOL SetItemState(int item, UINT state, UINT mask);
    DWORD SetExtendedStyle(DWORD exStyle);
    DWORD GetExtendedStyle() const;
    // Index of the selected row, or -1.
    int GetSelectionMark() const;
};
