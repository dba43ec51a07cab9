#include "AboutDlg.h"

#include "ResourceIds.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

// The About box shows only its template: nothing to exchange.
void CAboutDlg::DoDataExchange(CDataExchange*) {}

void CAboutDlg::ShowOne()
{
    static bool shown = false;
    if (shown)
        return;
    shown = true;
    struct Closed {
        ~Closed() { shown = false; }
    } closed;
    CAboutDlg about;
    about.DoModal();
}
