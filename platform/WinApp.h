#pragma once

#include "Afx.h"
#include "CmdTarget.h"

#include <exception>

class CWnd;

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The help command. Without a help file it shows what WinHelp shows.
    void OnHelp();
    virtual void WinHelp(DWORD data, UINT cmd);

    void Enable3dControls() {}
    HICON LoadIcon(int id) const;

    // A handler of wnd let this exception out; tell the operator. Must not throw.
    virtual void ReportHandlerException(CWnd* wnd, std::exception_ptr error) noexcept;

    CWnd* m_pMainWnd = nullptr;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
void AfxEnableControlContainer();

namespace platform {
// Creates the Qt application, runs the application object's InitInstance, returns the
// process's exit status.
int RunApplication(CWinApp& app, int argc, char** argv);
}
