#include "Internal.h"
#include "ModalHook.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace platform::detail {
namespace {

int defaultAnswer(UINT type)
{
    const UINT buttons = type & MB_TYPEMASK;
    const bool second = (type & MB_DEFMASK) == MB_DEFBUTTON2;
    if (buttons == MB_YESNO)
        return second ? IDNO : IDYES;
    if (buttons == MB_OKCANCEL)
        return second ? IDCANCEL : IDOK;
    return IDOK;
}

}  // namespace

MessageBoxWidget::MessageBoxWidget(QWidget* owner, const std::string& text, const std::string& caption, UINT type)
    : QMessageBox(owner ? owner->window() : nullptr), m_buttons(type & MB_TYPEMASK)
{
    setWindowTitle(toQt(caption));
    setText(toQt(text));
    setTextFormat(Qt::PlainText);
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        setIcon(QMessageBox::Information);
        break;
    default:
        setIcon(QMessageBox::NoIcon);
    }
    if (m_buttons == MB_YESNO) {
        m_choices.push_back({addButton(QMessageBox::Yes), IDYES});
        m_choices.push_back({addButton(QMessageBox::No), IDNO});
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    } else if (m_buttons == MB_OKCANCEL) {
        m_choices.push_back({addButton(QMessageBox::Ok), IDOK});
        m_choices.push_back({addButton(QMessageBox::Cancel), IDCANCEL});
    } else {
        m_choices.push_back({addButton(QMessageBox::Ok), IDOK});
    }
    const int preferred = defaultAnswer(type);
    for (const Choice& choice : m_choices) {
        if (choice.answer == preferred)
            setDefaultButton(static_cast<QPushButton*>(choice.button));
    }
    // Escape answers Cancel where there is one, else OK.
    if (m_buttons != MB_YESNO)
        setEscapeButton(m_choices.back().button);
}

int MessageBoxWidget::answer() const
{
    for (const Choice& choice : m_choices) {
        if (clickedButton() == choice.button)
            return choice.answer;
    }
    return m_buttons == MB_YESNO ? IDNO : (m_buttons == MB_OKCANCEL ? IDCANCEL : IDOK);
}

void MessageBoxWidget::keyPressEvent(QKeyEvent* event)
{
    // QMessageBox would take No for the escape button.
    if (m_buttons == MB_YESNO && event->matches(QKeySequence::Cancel))
        return;
    QMessageBox::keyPressEvent(event);
}

void MessageBoxWidget::closeEvent(QCloseEvent* event)
{
    // Nor does the window manager's close (Alt+F4) answer for the operator.
    if (m_buttons == MB_YESNO && !clickedButton()) {
        event->ignore();
        return;
    }
    QMessageBox::closeEvent(event);
}

int showMessageBox(QWidget* owner, const std::string& text, const std::string& caption, UINT type)
{
    ModalHook* hook = modalHook();
    int scripted = 0;
    if (hook && hook->answerMessageBox(text, caption, type, defaultAnswer(type), &scripted))
        return scripted;

    MessageBoxWidget box(owner, text, caption, type);
    box.exec();
    return box.answer();
}

}  // namespace platform::detail
