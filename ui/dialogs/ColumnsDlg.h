#pragma once

// "Visible Columns": one check box per result column. Opens showing the stored choice
// (table kolumny); OK stores the boxes' states and mirrors them in g_columnVisible.

#include "Controls.h"
#include "Dialog.h"
#include "Gdi.h"

#include <array>

class CColumnsDlg : public CDialog {
public:
    explicit CColumnsDlg(CWnd* pParent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnPaint();

    DECLARE_MESSAGE_MAP()

private:
    // The nine check states in column order.
    std::array<int*, 9> CheckStates();

    CButton m_chkNetPrice;
    CButton m_chkCoreDeposit;
    CButton m_chkJobber;
    CButton m_chkPartNo;
    CButton m_chkCommonPartNo;
    CButton m_chkType;
    CButton m_chkYears;
    CButton m_chkCapacity;
    CButton m_chkManufacturer;
    int m_bManufacturer;
    int m_bCapacity;
    int m_bYears;
    int m_bType;
    int m_bCommonPartNo;
    int m_bPartNo;
    int m_bJobber;
    int m_bCoreDeposit;
    int m_bNetPrice;
};
