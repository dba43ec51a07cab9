#pragma once

#include "Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    // Runs the About box, unless one is open already: a held F1 key repeats, and F1 in the
    // About box reaches the help command too; one box at a time is enough.
    static void ShowOne();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
