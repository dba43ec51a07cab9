#pragma once

#include "Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
