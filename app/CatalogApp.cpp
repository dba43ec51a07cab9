#include "CatalogApp.h"

#include "AboutDlg.h"
#include "CatalogDlg.h"
#include "CppSQLiteException.h"
#include "Globals.h"
#include "Statements.h"

#include <cstdio>
#include <new>
#include <string>

namespace {

// SQLite's SQLITE_READONLY_DBMOVED: the file the connection has open is no longer the one
// under its name. Writes fail until the catalogue is opened anew.
constexpr int kCatalogueMoved = 8 | (4 << 8);

}  // namespace

CCatalogApp theApp;

BEGIN_MESSAGE_MAP(CCatalogApp, CWinApp)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CCatalogApp::CCatalogApp() : CWinApp(nullptr) {}

BOOL CCatalogApp::InitInstance()
{
    AfxEnableControlContainer();
    Enable3dControls();

    CCatalogDlg dlg;
    m_pMainWnd = &dlg;
    // -1: the window could not initialise (the failure has been shown); the program
    // ends with a failure status rather than run without its column settings.
    if (dlg.DoModal() == -1)
        m_nExitCode = 1;
    m_pMainWnd = nullptr;
    return FALSE;
}

void CCatalogApp::WinHelp(DWORD, UINT)
{
    CAboutDlg::ShowOne();
}

void CCatalogApp::ReportHandlerException(CWnd* wnd, std::exception_ptr error) noexcept
{
    std::string text;
    UINT icon = MB_ICONERROR;
    try {
        std::rethrow_exception(error);
    } catch (const CppSQLiteException& e) {
        text = e.errorMessage();
        if (e.extendedCode() == kCatalogueMoved)
            text += "\n\nThe catalogue file " + g_strCatalogue +
                    " was moved, replaced or deleted while Kelvara was running, so Kelvara cannot write to it any "
                    "more; nothing was written. Close Kelvara and start it again to work with the " +
                    g_strCatalogue + " that is in its folder now.";
    } catch (const kelvara::sql::StatementRefused& e) {
        text = e.what();
        icon = MB_ICONWARNING;
    } catch (const std::bad_alloc&) {
        text = "Kelvara ran out of memory. The last command was not completed.";
    } catch (const std::exception& e) {
        text = std::string("An unexpected error stopped the last command: ") + e.what();
    } catch (...) {
        text = "An unexpected error stopped the last command.";
    }
    // Until the main window is on screen, a failure ends the program (status 1). Whoever
    // started it, a launcher script, a service log, xvfb-run, is told too, before the box
    // waits for an OK that on an unattended counter may never come.
    CWnd* main = AfxGetMainWnd();
    const bool startingUp = !main || !main->IsWindowVisible();
    bool written = false;
    if (startingUp) {
        std::fprintf(stderr, "Kelvara: %s\n", text.c_str());
        std::fflush(stderr);
        written = true;
    }
    try {
        CWnd* owner = wnd && wnd->GetSafeHwnd() ? wnd : main;
        if (owner && owner->GetSafeHwnd())
            owner->MessageBox(text.c_str(), "Kelvara", MB_OK | icon);
        else if (!written)
            std::fprintf(stderr, "Kelvara: %s\n", text.c_str());
    } catch (...) {
        if (!written)
            std::fprintf(stderr, "Kelvara: %s\n", text.c_str());
    }
}
