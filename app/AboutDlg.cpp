#include "AboutDlg.h"

#include "ResourceIds.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

// The About box shows only its template: nothing to exchange.
void CAboutDlg::DoDataExchange(CDataExchange*) {}
