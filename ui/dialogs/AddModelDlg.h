#pragma once

// "Add car model": asks for one name and adds it as a model of the manufacturer named in
// g_strManufacturer when OK is pressed.

#include "Dialog.h"
#include "Gdi.h"

class CAddModelDlg : public CDialog {
public:
    explicit CAddModelDlg(CWnd* pParent = nullptr);
    ~CAddModelDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnPaint();

    DECLARE_MESSAGE_MAP()

private:
    CString m_strName;
};
