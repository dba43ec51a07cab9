#pragma once

// CDialog: a window built from a dialog template, run modally (DoModal) or modelessly
// (Create). Enter, Escape and the close box behave as in a Windows dialog: Enter sends the
// focused push button's command, else the default button's, else IDOK; Escape and the
// close box send IDCANCEL.

#include "Controls.h"
#include "Wnd.h"

#include <map>
#include <memory>

namespace platform::detail {
class DialogWidget;
}

class CDialog : public CWnd {
public:
    explicit CDialog(int templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog in a nested event loop until EndDialog. Returns the value given to
    // EndDialog, or -1 when the window could not be created or initialised.
    virtual int DoModal();
    // Creates and shows the dialog without a loop of its own (the caller's loop runs it).
    BOOL Create();
    void DestroyWindow();
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    CWnd* GetDlgItem(int id) const override;
    int templateId() const { return m_templateId; }
    // Whether EndDialog has been called since the window was created, and with what.
    bool isEnded() const { return m_ended; }
    int modalResult() const { return m_result; }

    // Mirrors MFC: the brush a control gets when the dialog's handler chooses nothing.
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class platform::detail::DialogWidget;
    bool build();
    void releaseWidgets();

    int m_templateId;
    CWnd* m_pParentWnd;
    platform::detail::DialogWidget* m_widget = nullptr;
    std::map<int, std::unique_ptr<CWnd>> m_items;
    bool m_ended = false;
    bool m_inModalLoop = false;
    int m_result = 0;
};
