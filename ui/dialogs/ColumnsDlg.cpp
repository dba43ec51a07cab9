#include "ColumnsDlg.h"

#include "ColorScheme.h"
#include "ColumnSet.h"
#include "DataExchange.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"

BEGIN_MESSAGE_MAP(CColumnsDlg, CDialog)
    ON_WM_CREATE()
    ON_WM_CTLCOLOR()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CColumnsDlg::CColumnsDlg(CWnd* pParent)
    : CDialog(IDD_COLUMNS, pParent),
      m_bManufacturer(0),
      m_bCapacity(0),
      m_bYears(0),
      m_bType(0),
      m_bCommonPartNo(0),
      m_bPartNo(0),
      m_bJobber(0),
      m_bCoreDeposit(0),
      m_bNetPrice(0)
{
}

std::array<int*, 9> CColumnsDlg::CheckStates()
{
    return {&m_bManufacturer, &m_bCapacity, &m_bYears,       &m_bType,     &m_bCommonPartNo,
            &m_bPartNo,       &m_bJobber,   &m_bCoreDeposit, &m_bNetPrice};
}

void CColumnsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_SHOW_NET_PRICE, m_chkNetPrice);
    DDX_Control(pDX, IDC_SHOW_CORE_DEPOSIT, m_chkCoreDeposit);
    DDX_Control(pDX, IDC_SHOW_JOBBER, m_chkJobber);
    DDX_Control(pDX, IDC_SHOW_PART_NO, m_chkPartNo);
    DDX_Control(pDX, IDC_SHOW_COMMON_PART_NO, m_chkCommonPartNo);
    DDX_Control(pDX, IDC_SHOW_TYPE, m_chkType);
    DDX_Control(pDX, IDC_SHOW_YEARS, m_chkYears);
    DDX_Control(pDX, IDC_SHOW_CAPACITY, m_chkCapacity);
    DDX_Control(pDX, IDC_SHOW_MANUFACTURER, m_chkManufacturer);
    DDX_Check(pDX, IDC_SHOW_MANUFACTURER, m_bManufacturer);
    DDX_Check(pDX, IDC_SHOW_CAPACITY, m_bCapacity);
    DDX_Check(pDX, IDC_SHOW_YEARS, m_bYears);
    DDX_Check(pDX, IDC_SHOW_TYPE, m_bType);
    DDX_Check(pDX, IDC_SHOW_COMMON_PART_NO, m_bCommonPartNo);
    DDX_Check(pDX, IDC_SHOW_PART_NO, m_bPartNo);
    DDX_Check(pDX, IDC_SHOW_JOBBER, m_bJobber);
    DDX_Check(pDX, IDC_SHOW_CORE_DEPOSIT, m_bCoreDeposit);
    DDX_Check(pDX, IDC_SHOW_NET_PRICE, m_bNetPrice);
}

int CColumnsDlg::OnCreate(LPCREATESTRUCT)
{
    if (Default() == -1)
        return -1;
    // The boxes show what is stored, whatever the list shows now; the first data
    // exchange puts the states into them.
    ReadColumnFlags();
    const auto states = CheckStates();
    for (size_t i = 0; i < states.size(); ++i) {
        if (g_columnVisible[i] != 0)
            *states[i] = 1;
    }
    return 0;
}

void CColumnsDlg::OnOK()
{
    UpdateData(TRUE);
    const auto states = CheckStates();
    // Every flag is written on every OK, changed or not.
    for (size_t i = 0; i < states.size(); ++i)
        theDb.execute(kelvara::sql::updateColumnFlag(static_cast<int>(i), *states[i] == 1));
    for (size_t i = 0; i < states.size(); ++i)
        g_columnVisible[i] = *states[i] == 1 ? 1 : 0;
    CDialog::OnOK();
}

void CColumnsDlg::OnPaint()
{
    CPaintDC dc(this);
    FillWithBackground(*this, dc);
}

HBRUSH CColumnsDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (IsOneOf(pWnd, {&m_chkManufacturer, &m_chkCapacity, &m_chkYears, &m_chkType, &m_chkCommonPartNo,
                       &m_chkPartNo, &m_chkJobber, &m_chkCoreDeposit, &m_chkNetPrice}))
        SetCaptionColors(pDC);
    return brush;
}
