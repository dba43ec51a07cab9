#include "LockWaitDlg.h"

#include "Globals.h"
#include "ResourceIds.h"

#include <string>

BEGIN_MESSAGE_MAP(CLockWaitDlg, CDialog)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CLockWaitDlg::CLockWaitDlg() : CDialog(IDD_LOCK_WAIT) {}

namespace {

std::string WaitText(CatalogueWait what, int limitMs)
{
    const std::string limit = "Kelvara waits until it is done, at most " + std::to_string(limitMs / 1000)
                              + " seconds. Cancel stops the command; nothing is written.";
    switch (what) {
    case CatalogueWait::connecting:
        return "Connecting to the catalogue server \xE2\x80\xA6 Kelvara gives up if it does not answer. Cancel "
               "stops trying.";
    case CatalogueWait::server:
        return "Waiting for the catalogue server: it has not answered yet. Cancel stops the command.";
    case CatalogueWait::lock:
        break;
    }
    // Only a server tells which; a file's lock is always another program's.
    if (theDb.dialect() == kelvara::sql::Dialect::postgres)
        return "Waiting for the catalogue: another counter or program holds it. " + limit;
    return "Waiting for the catalogue: another program is using it. " + limit;
}

}  // namespace

void CLockWaitDlg::ShowWaited(CatalogueWait what, int waitedMs, int limitMs)
{
    const int seconds = waitedMs / 1000;
    if (static_cast<int>(what) != m_nShownWait) {
        m_nShownWait = static_cast<int>(what);
        if (CWnd* label = GetDlgItem(IDC_WAIT_TEXT))
            label->SetWindowText(WaitText(what, limitMs).c_str());
    }
    if (seconds == m_nShownSeconds)
        return;
    m_nShownSeconds = seconds;
    const std::string waited = "Waited " + std::to_string(seconds) + (seconds == 1 ? " second." : " seconds.");
    if (CWnd* label = GetDlgItem(IDC_WAIT_SECONDS))
        label->SetWindowText(waited.c_str());
}

// Enter presses the default button, Cancel; there is nothing to confirm.
void CLockWaitDlg::OnOK() {}

void CLockWaitDlg::OnCancel() { m_bCancelled = true; }

void CLockWaitDlg::OnHelp() {}

bool CCatalogueLockWait::lockWaitContinues(int elapsedMs)
{
    // A statement run from inside our own event processing is not the operator's; there is
    // none, since no handler can start meanwhile, but it must never stack a second window.
    if (m_bProcessing || (!m_dlg && elapsedMs < kShowAfterMs))
        return true;
    try {
        if (!m_dlg) {
            auto dlg = std::make_unique<CLockWaitDlg>();
            if (!dlg->Create())
                return true;
            m_dlg = std::move(dlg);
            m_dlg->ShowWaited(theDb.currentWait(), elapsedMs, theDb.busyTimeout());
            m_wait = std::make_unique<platform::ModalWait>(*m_dlg);
        }
        m_dlg->ShowWaited(theDb.currentWait(), elapsedMs, theDb.busyTimeout());
        m_bProcessing = true;
        m_wait->ProcessEvents();
        m_bProcessing = false;
        return !m_dlg->Cancelled();
    } catch (...) {
        // No window then, but the wait itself goes on as before.
        m_bProcessing = false;
        return true;
    }
}

void CCatalogueLockWait::lockWaitEnded()
{
    try {
        m_wait.reset();
        m_dlg.reset();
    } catch (...) {
        // Called while the statement returns or fails; nothing may leave here.
    }
}

CCatalogueLockWait& CatalogueLockWait()
{
    static CCatalogueLockWait observer;
    return observer;
}
