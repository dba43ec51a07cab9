#include "AddManufacturerDlg.h"

#include "ColorScheme.h"
#include "DataExchange.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"

BEGIN_MESSAGE_MAP(CAddManufacturerDlg, CDialog)
    ON_WM_CREATE()
    ON_WM_PAINT()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CAddManufacturerDlg::CAddManufacturerDlg(CWnd* pParent) : CDialog(IDD_ADD_MANUFACTURER, pParent), m_strName("") {}

CAddManufacturerDlg::~CAddManufacturerDlg() = default;

void CAddManufacturerDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_NAME, m_editName);
    DDX_Text(pDX, IDC_NAME, m_strName);
}

BOOL CAddManufacturerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The edit is the only thing to do here: the operator types at once.
    m_editName.SetFocus();
    return TRUE;
}

int CAddManufacturerDlg::OnCreate(LPCREATESTRUCT)
{
    return Default() == -1 ? -1 : 0;
}

void CAddManufacturerDlg::OnOK()
{
    UpdateData(TRUE);
    // An empty name closes the dialog like any other OK; blanks count as a name.
    if (!m_strName.IsEmpty())
        theDb.execute(kelvara::sql::insertManufacturer(theDb.dialect(), m_strName));
    CDialog::OnOK();
}

void CAddManufacturerDlg::OnPaint()
{
    CPaintDC dc(this);
    FillWithBackground(*this, dc);
}

HBRUSH CAddManufacturerDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    pDC->SetBkColor(BackgroundColor());
    return brush;
}
