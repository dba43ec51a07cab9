#pragma once

// A window shown while the program waits inside a call it cannot leave, such as a statement
// waiting for another program's lock. Events go on being processed, so the window paints and
// its buttons work, but nothing else may run meanwhile: user input meant for any other window
// (mouse, keys, wheel, shortcuts, close boxes) is dropped, whatever route it takes, so no
// handler of theirs can start while the call is still on the stack.

#include <memory>

class CDialog;

namespace platform {

class ModalWait {
public:
    // window has been created (CDialog::Create); from now on it is modal to the whole
    // program. A window whose owner is not on screen yet (at start-up) stands on its own.
    explicit ModalWait(CDialog& window);
    ~ModalWait();
    ModalWait(const ModalWait&) = delete;
    ModalWait& operator=(const ModalWait&) = delete;

    // Handles what is pending: painting everywhere, input for the window alone.
    void ProcessEvents();

private:
    class InputFilter;
    CDialog& m_window;
    std::unique_ptr<InputFilter> m_filter;
    bool m_toldHook = false;
};

}  // namespace platform
