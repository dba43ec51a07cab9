#include "LockWaitDlg.h"

#include "Globals.h"
#include "ResourceIds.h"

#include <string>

BEGIN_MESSAGE_MAP(CLockWaitDlg, CDialog)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CLockWaitDlg::CLockWaitDlg() : CDialog(IDD_LOCK_WAIT) {}

void CLockWaitDlg::ShowWaited(int waitedMs, int limitMs)
{
    const int seconds = waitedMs / 1000;
    if (seconds == m_nShownSeconds)
        return;
    if (m_nShownSeconds < 0) {
        const std::string text = "Waiting for the catalogue: another program is using it. Kelvara waits "
                                 "until it is done, at most " +
                                 std::to_string(limitMs / 1000) +
                                 " seconds. Cancel stops the command; nothing is written.";
        if (CWnd* label = GetDlgItem(IDC_WAIT_TEXT))
            label->SetWindowText(text.c_str());
    }
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
            m_dlg->ShowWaited(elapsedMs, theDb.busyTimeout());
            m_wait = std::make_unique<platform::ModalWait>(*m_dlg);
        }
        m_dlg->ShowWaited(elapsedMs, theDb.busyTimeout());
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
