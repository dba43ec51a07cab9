#pragma once

#include "WinApp.h"

class CCatalogApp : public CWinApp {
public:
    CCatalogApp();

    BOOL InitInstance() override;
    // There is no help file: the help command (F1) shows the About box.
    void WinHelp(DWORD data, UINT cmd) override;
    // A database error is shown with its formatted text; anything else with a generic
    // message. The program goes on.
    void ReportHandlerException(CWnd* wnd, std::exception_ptr error) noexcept override;

    DECLARE_MESSAGE_MAP()
};

// The program's one application object.
extern CCatalogApp theApp;
