#include "WinApp.h"

#include "Internal.h"
#include "Wnd.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const char*) { g_app = this; }

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

void CWinApp::OnHelp() { WinHelp(0, 0); }

void CWinApp::WinHelp(DWORD, UINT) {}

HICON CWinApp::LoadIcon(int id) const { return platform::detail::iconHandle(id); }

void CWinApp::ReportHandlerException(CWnd*, std::exception_ptr error) noexcept
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unhandled error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "unhandled error\n");
    }
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

void AfxEnableControlContainer() {}

namespace platform {

int RunApplication(CWinApp& app, int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    detail::installFontSubstitutions();
    // InitInstance returning FALSE means the program's work is done (a dialog-based program).
    if (app.InitInstance())
        QApplication::exec();
    return app.ExitInstance();
}

}  // namespace platform
