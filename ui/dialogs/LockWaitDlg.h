#pragma once

// "Waiting for the catalogue": while a statement waits for a lock that another program holds
// on the catalogue, for a server that has not answered yet, or for a connection to the
// server, the operator sees which it is and for how long, and can give up.

#include "Dialog.h"
#include "LockWait.h"
#include "ModalWait.h"

#include <memory>

class CLockWaitDlg : public CDialog {
public:
    CLockWaitDlg();

    // What the window says after waitedMs of what (at most limitMs for a lock).
    void ShowWaited(CatalogueWait what, int waitedMs, int limitMs);
    // Cancel, Escape or the close box: the wait is to end now.
    bool Cancelled() const { return m_bCancelled; }

    DECLARE_MESSAGE_MAP()

protected:
    void OnOK() override;
    void OnCancel() override;
    // F1 would open the About box inside the waiting statement: not now.
    void OnHelp();

private:
    bool m_bCancelled = false;
    int m_nShownSeconds = -1;
    int m_nShownWait = -1;
};

// Told of the catalogue's lock waits (the session calls it from inside the waiting
// statement). After about half a second it shows CLockWaitDlg, modal, and keeps it lively
// until the wait ends; Cancel gives the wait up, and the statement fails as at the time-out.
class CCatalogueLockWait : public LockWaitObserver {
public:
    static constexpr int kShowAfterMs = 500;

    bool lockWaitContinues(int elapsedMs) override;
    void lockWaitEnded() override;

private:
    std::unique_ptr<CLockWaitDlg> m_dlg;
    std::unique_ptr<platform::ModalWait> m_wait;
    bool m_bProcessing = false;
};

// The one observer of theDb's waits.
CCatalogueLockWait& CatalogueLockWait();
