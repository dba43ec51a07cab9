#include "ColorScheme.h"

#include "Globals.h"

void FillWithBackground(CWnd& wnd, CDC& dc)
{
    CRect rect;
    wnd.GetWindowRect(&rect);
    wnd.ScreenToClient(&rect);
    dc.FillSolidRect(rect, BackgroundColor());
}

bool IsOneOf(const CWnd* pWnd, std::initializer_list<const CWnd*> controls)
{
    const HWND hwnd = pWnd ? pWnd->GetSafeHwnd() : nullptr;
    if (!hwnd)
        return false;
    for (const CWnd* control : controls) {
        if (control->GetSafeHwnd() == hwnd)
            return true;
    }
    return false;
}

void SetCaptionColors(CDC* pDC)
{
    pDC->SetBkColor(BackgroundColor());
    pDC->SetTextColor(CaptionTextColor());
}
