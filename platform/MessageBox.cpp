#include "Internal.h"

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

int seamAnswerMessageBox(const std::string& text, const std::string& caption, UINT type, int defaultAnswer,
                         bool* answered);

int showMessageBox(QWidget* owner, const std::string& text, const std::string& caption, UINT type)
{
    bool answered = false;
    const int scripted = seamAnswerMessageBox(text, caption, type, defaultAnswer(type), &answered);
    if (answered)
        return scripted;

    QMessageBox box(owner ? owner->window() : nullptr);
    box.setWindowTitle(toQt(caption));
    box.setText(toQt(text));
    box.setTextFormat(Qt::PlainText);
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
    }
    struct Choice {
        QAbstractButton* button;
        int answer;
    };
    std::vector<Choice> choices;
    const UINT buttons = type & MB_TYPEMASK;
    if (buttons == MB_YESNO) {
        choices.push_back({box.addButton(QMessageBox::Yes), IDYES});
        choices.push_back({box.addButton(QMessageBox::No), IDNO});
    } else if (buttons == MB_OKCANCEL) {
        choices.push_back({box.addButton(QMessageBox::Ok), IDOK});
        choices.push_back({box.addButton(QMessageBox::Cancel), IDCANCEL});
    } else {
        choices.push_back({box.addButton(QMessageBox::Ok), IDOK});
    }
    const int preferred = defaultAnswer(type);
    for (const Choice& choice : choices) {
        if (choice.answer == preferred)
            box.setDefaultButton(static_cast<QPushButton*>(choice.button));
    }
    // Escape answers No or Cancel where there is one, else OK.
    box.setEscapeButton(choices.back().button);
    box.exec();
    for (const Choice& choice : choices) {
        if (box.clickedButton() == choice.button)
            return choice.answer;
    }
    return buttons == MB_YESNO ? IDNO : (buttons == MB_OKCANCEL ? IDCANCEL : IDOK);
}

}  // namespace platform::detail
