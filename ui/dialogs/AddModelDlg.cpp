#include "AddModelDlg.h"

#include "ColorScheme.h"
#include "CppSQLiteException.h"
#include "CppSQLiteTransaction.h"
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
        // The lookup and the insert in one write transaction: no other counter removes the
        // manufacturer in between (on a server its foreign key refuses the late insert).
        CppSQLiteTransaction transaction(theDb, CppSQLiteTransaction::Kind::write);
        // The model belongs to the manufacturer of that name, as the catalogue holds it now.
        CppSQLiteCursor lookup = theDb.execute(kelvara::sql::manufacturerIdByName(theDb.dialect(), g_strManufacturer));
        bool added = !lookup.atEnd();
        if (added) {
            const CString manufacturerId = lookup.field(0);
            lookup.finalize();
            try {
                transaction.executeAndCommit(kelvara::sql::insertModel(theDb.dialect(), manufacturerId, m_strName));
            } catch (const CppSQLiteException& e) {
                if (!e.isForeignKeyViolation())
                    throw;
                added = false;
            }
        }
        if (!added) {
            // Listed when the dialog opened, removed since (by another program): there is
            // no id to attach the model to.
            lookup.finalize();
            transaction.rollback();
            const CString text = "Cannot add model.\nManufacturer \"" + g_strManufacturer
                                 + "\" is no longer in the catalogue; nothing was added.";
            MessageBox(text, "Kelvara", MB_OK | MB_ICONWARNING);
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
