#pragma once

// The test seam: scripted answers to message boxes and modal dialogs, acting on a live
// window through the same dispatch an operator's click or key takes, and reading back
// what the operator sees. A library of its own for tests and the benchmark; the program
// links none of it and only offers the hook (ModalHook.h) it installs.

#include "Afx.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDialog;
class CWnd;
class QApplication;

namespace platform::test {

// The Qt application of a test program, set up as the program sets it up (style, font
// stand-ins), with the seam active. Tests use the offscreen platform unless told otherwise.
class TestApplication {
public:
    TestApplication(int& argc, char** argv);
    ~TestApplication();
    TestApplication(const TestApplication&) = delete;
    TestApplication& operator=(const TestApplication&) = delete;

private:
    std::unique_ptr<QApplication> m_app;
};

struct ShownMessage {
    std::string text;
    std::string caption;
    UINT type;       // MB_* flags as passed
    int answer;      // what the seam answered
};

enum class Key { Enter, Escape, F1, Tab, Up, Down, Home, End, PageUp, PageDown };

class Seam {
public:
    // Turns the seam on: message boxes and modal dialogs no longer wait for a person.
    static void activate();
    // Forgets scripted answers and everything recorded.
    static void reset();
    static bool active();

    // Message boxes: answered in order from the queue; when it is empty, with the box's
    // default button.
    static void answerMessageBox(int answer);
    static const std::vector<ShownMessage>& messages();
    static void clearMessages();

    // Modal dialogs: each script runs once the next dialog is initialised and shown, inside
    // its modal loop; it acts on the dialog like an operator and should end it. A dialog
    // that opens with no script, or that a script leaves open, is cancelled (Escape).
    static void onNextDialog(std::function<void(CDialog&)> script);
    static const std::vector<int>& dialogsShown();  // template ids, in order
    static int pendingDialogScripts();

    // Waits the program cannot leave (a statement waiting for a lock): the script runs each
    // time the waiting window handles its events, every few milliseconds, until reset.
    static void whileWaiting(std::function<void(CDialog& window)> script);
    static int waitingWindowsShown();
};

// Acting, through the same dispatch a real click, pick, key or typing takes.
void click(CWnd& dialog, int id);
void pick(CWnd& dialog, int comboId, int index);
void pick(CWnd& dialog, int comboId, const std::string& entryText);
void type(CWnd& dialog, int editId, const std::string& text);
void setCheck(CWnd& dialog, int checkId, bool checked);
void clickListRow(CWnd& dialog, int listId, int row);
void clickListEmptyArea(CWnd& dialog, int listId);
// To the focused control; autoRepeat: the repeats of a key held down.
void pressKey(CWnd& dialog, Key key, bool autoRepeat = false);
// Gives control id the focus, then presses the key or types the character there.
void pressKey(CWnd& dialog, int id, Key key);
void typeKey(CWnd& dialog, int id, char character);
void clickCloseBox(CWnd& dialog);
// A mouse click on the control as the window system delivers one (press and release at its
// centre): it reaches the control only if nothing keeps the operator's input away from it.
void mouseClick(CWnd& dialog, int id);
void processEvents();

// Reading back.
std::string text(CWnd& dialog, int id);
// What an edit displays (text() gives the bytes it holds), and whether it can be changed.
std::string shownText(CWnd& dialog, int id);
bool readOnly(CWnd& dialog, int id);
bool enabled(CWnd& dialog, int id);
bool hasFocus(CWnd& dialog, int id);
bool isTabStop(CWnd& dialog, int id);
bool isDefaultButton(CWnd& dialog, int id);
bool hasCloseBox(CWnd& dialog);
std::string caption(CWnd& dialog);
// On screen and keeping the operator's input from every other window.
bool isShownModal(CWnd& dialog);
std::vector<std::string> comboEntries(CWnd& dialog, int id);
int comboSelection(CWnd& dialog, int id);
struct ListColumn {
    std::string title;
    int width;
    bool operator==(const ListColumn& o) const { return title == o.title && width == o.width; }
};
std::vector<ListColumn> listColumns(CWnd& dialog, int id);
std::vector<std::vector<std::string>> listRows(CWnd& dialog, int id);
int listSelection(CWnd& dialog, int id);
// How many times the list's view has been told its rows changed: a fill of any size should
// cost one or two, never one per row.
int listViewUpdates(CWnd& dialog, int id);
// Control geometry in pixels relative to the dialog's client area: x, y, width, height.
std::vector<int> geometry(CWnd& dialog, int id);
std::string fontFamily(CWnd& dialog, int id);
int fontPixelHeight(CWnd& dialog, int id);
int fontWeight(CWnd& dialog, int id);  // 400 normal, 700 bold
// What a screen reader reads through the accessibility interface: a control's name and
// value, and the dialog's controls in the order of its accessibility tree (their ids).
std::string accessibleName(CWnd& dialog, int id);
std::string accessibleValue(CWnd& dialog, int id);
std::vector<int> accessibleOrder(CWnd& dialog);
// Opens a combo's list as a click does and gives its geometry relative to the dialog's
// client area (x, y, width, height), then closes it.
std::vector<int> comboListGeometry(CWnd& dialog, int id);
// Shows a real message box with these MB_* flags, presses Escape in it and returns what
// that answered (0: the box stayed up); closeBox says whether it had a close box.
int messageBoxEscapeAnswer(UINT type, bool* closeBox);
// Colours the operator sees on a control after WM_CTLCOLOR: text and text background.
COLORREF textColor(CWnd& dialog, int id);
COLORREF textBackground(CWnd& dialog, int id);
// The colour of the dialog's client area at a point, as painted.
COLORREF pixel(CWnd& dialog, int x, int y);
// Renders the window to a PNG file.
bool saveScreenshot(CWnd& dialog, const std::string& path);

}  // namespace platform::test
