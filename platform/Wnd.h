#pragma once

// CWnd: a window or control of the framework. It wraps a Qt widget; several CWnd objects
// may wrap the same widget (a dialog's own wrapper from GetDlgItem and a bound member),
// and windows are compared by their handle.

#include "Afx.h"
#include "CString.h"
#include "CmdTarget.h"
#include "Gdi.h"

class CDataExchange;
class CFont;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND Detach();

    int GetDlgCtrlID() const;
    // The wrapper of the child control with this id, or null.
    virtual CWnd* GetDlgItem(int id) const;

    // Data exchange between the controls and the members (TRUE: controls into members).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    CWnd* SetFocus();
    void SetWindowText(const char* text);
    // What a screen reader names the control by, where no label stands for it.
    void SetAccessibleName(const char* name);
    CString GetWindowText() const;
    void GetWindowRect(CRect* rect) const;
    void GetClientRect(CRect* rect) const;
    void ScreenToClient(CRect* rect) const;
    BOOL IsIconic() const;
    void SetFont(CFont* font, BOOL redraw = TRUE);
    void SetIcon(HICON icon, BOOL bigIcon);
    void Invalidate();
    void UpdateWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // The default processing of the message being handled.
    LRESULT Default();

    // Delivers a message from the window system. Never lets an exception out: a handler's
    // exception is handed to the application (CWinApp::ReportHandlerException).
    LRESULT Dispatch(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) noexcept;

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    struct CurrentMessage {
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    CurrentMessage m_current;
};
