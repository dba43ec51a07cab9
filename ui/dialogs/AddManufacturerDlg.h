#pragma once

// "Add manufacturer": asks for one name and adds it to the catalogue when OK is pressed.

#include "Controls.h"
#include "Dialog.h"
#include "Gdi.h"

class CAddManufacturerDlg : public CDialog {
public:
    explicit CAddManufacturerDlg(CWnd* pParent = nullptr);
    ~CAddManufacturerDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnPaint();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    DECLARE_MESSAGE_MAP()

private:
    CEdit m_editName;
    CString m_strName;
};
