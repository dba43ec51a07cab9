#pragma once

// The points where the program waits for a person: a message box, a modal dialog, a wait it
// cannot leave. A test driver installs a hook to act there instead; the program has none.

#include "Afx.h"

#include <string>

class CDialog;

namespace platform {

class ModalHook {
public:
    virtual ~ModalHook() = default;
    // Returns true with *answer set to answer the box without showing it.
    virtual bool answerMessageBox(const std::string& text, const std::string& caption, UINT type,
                                  int defaultAnswer, int* answer) = 0;
    // A modal dialog is initialised and about to enter its loop.
    virtual void dialogShown(CDialog& dialog) = 0;
    // A modal wait has handled its events; firstTime on its first round.
    virtual void waiting(CDialog& window, bool firstTime) = 0;
};

// Null unless a test has installed one.
ModalHook* modalHook();
void setModalHook(ModalHook* hook);

}  // namespace platform
