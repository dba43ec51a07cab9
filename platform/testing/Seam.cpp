#include "TestSeam.h"

#include "Dialog.h"
#include "Internal.h"
#include "ModalHook.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTimer>

#include <deque>

namespace platform::test {
namespace {

// Takes the operator's place wherever the program would wait for one.
class SeamHook final : public ModalHook {
public:
    bool answerMessageBox(const std::string& text, const std::string& caption, UINT type, int defaultAnswer,
                          int* answer) override
    {
        *answer = defaultAnswer;
        if (!answers.empty()) {
            *answer = answers.front();
            answers.pop_front();
        }
        messages.push_back({text, caption, type, *answer});
        return true;
    }

    void dialogShown(CDialog& dialog) override
    {
        dialogs.push_back(dialog.templateId());
        std::function<void(CDialog&)> script;
        if (!scripts.empty()) {
            script = std::move(scripts.front());
            scripts.pop_front();
        }
        // Runs inside the dialog's modal loop, as an operator would act on it.
        QTimer::singleShot(0, dialog.GetSafeHwnd(), [&dialog, script] {
            if (script)
                script(dialog);
            if (!dialog.isEnded())
                pressKey(dialog, Key::Escape);
        });
    }

    void waiting(CDialog& window, bool firstTime) override
    {
        if (firstTime)
            ++waitingWindows;
        if (whileWaiting)
            whileWaiting(window);
    }

    std::deque<int> answers;
    std::vector<ShownMessage> messages;
    std::deque<std::function<void(CDialog&)>> scripts;
    std::vector<int> dialogs;
    std::function<void(CDialog&)> whileWaiting;
    int waitingWindows = 0;
};

SeamHook& hook()
{
    static SeamHook h;
    return h;
}

}  // namespace

TestApplication::TestApplication(int& argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    detail::installFontSubstitutions();
    Seam::activate();
}

TestApplication::~TestApplication() = default;

void Seam::activate() { setModalHook(&hook()); }

void Seam::reset()
{
    SeamHook& s = hook();
    s.answers.clear();
    s.messages.clear();
    s.scripts.clear();
    s.dialogs.clear();
    s.whileWaiting = nullptr;
    s.waitingWindows = 0;
}

bool Seam::active() { return modalHook() == &hook(); }

void Seam::answerMessageBox(int answer) { hook().answers.push_back(answer); }

const std::vector<ShownMessage>& Seam::messages() { return hook().messages; }

void Seam::clearMessages() { hook().messages.clear(); }

void Seam::onNextDialog(std::function<void(CDialog&)> script) { hook().scripts.push_back(std::move(script)); }

const std::vector<int>& Seam::dialogsShown() { return hook().dialogs; }

int Seam::pendingDialogScripts() { return static_cast<int>(hook().scripts.size()); }

void Seam::whileWaiting(std::function<void(CDialog&)> script) { hook().whileWaiting = std::move(script); }

int Seam::waitingWindowsShown() { return hook().waitingWindows; }

}  // namespace platform::test
