#include "AddModelDlg.h"

#include "ColorScheme.h"
#include "DataExchange.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"

BEGIN_MESSAGE_MAP(CAddModelDlg, CDialog)
    ON_WM_CTLCOLOR()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CAddModelDlg::CAddModelDlg(CWnd* pParent) : CDialog(IDD_ADD_MODEL, pParent), m_strName("") {}

CAddModelDlg::~CAddModelDlg() = default;

void CAddModelDlg::DoDataExchange(CDataExchange* pDX) { DDX_Text(pDX, IDC_NAME, m_strName); }

void CAddModelDlg::OnOK()
{
    UpdateData(TRUE);
    if (!m_strName.IsEmpty() && !g_strManufacturer.IsEmpty()) {
        // The model belongs to the manufacturer of that name, as the catalogue holds it now.
        CppSQLiteCursor lookup = theDb.execute(kelvara::sql::manufacturerIdByName(theDb.dialect(), g_strManufacturer));
        if (lookup.atEnd()) {
            // Listed when the dialog opened, removed since (by another program): there is
            // no id to attach the model to.
            const CString text = "Cannot add model.\nManufacturer \"" + g_strManufacturer
                                 + "\" is no longer in the catalogue; nothing was added.";
            MessageBox(text, "Kelvara", MB_OK | MB_ICONWARNING);
        } else {
            const CString manufacturerId = lookup.field(0);
            theDb.execute(kelvara::sql::insertModel(theDb.dialect(), manufacturerId, m_strName));
        }
    }
    CDialog::OnOK();
}

void CAddModelDlg::OnPaint()
{
    CPaintDC dc(this);
    FillWithBackground(*this, dc);
}

HBRUSH CAddModelDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    pDC->SetBkColor(BackgroundColor());
    return brush;
}
