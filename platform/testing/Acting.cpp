#include "TestSeam.h"

#include "Driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

namespace platform::test {

using driver::controlOf;
using driver::widgetOf;

void click(CWnd& dialog, int id)
{
    auto* button = controlOf<QAbstractButton>(dialog, id);
    if (!button->isEnabled() || !button->isVisibleTo(button->window()))
        return;
    button->click();
}

void pick(CWnd& dialog, int comboId, int index)
{
    auto* box = controlOf<QComboBox>(dialog, comboId);
    if (!box->isEnabled() || index < 0 || index >= box->count())
        return;
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void pick(CWnd& dialog, int comboId, const std::string& entryText)
{
    auto* box = controlOf<QComboBox>(dialog, comboId);
    for (int i = 0; i < box->count(); ++i) {
        const QByteArray bytes = box->itemData(i).toByteArray();
        if (std::string(bytes.constData(), static_cast<size_t>(bytes.size())) == entryText) {
            pick(dialog, comboId, i);
            return;
        }
    }
    throw std::logic_error("no entry \"" + entryText + "\" in combo " + std::to_string(comboId));
}

void type(CWnd& dialog, int editId, const std::string& text)
{
    auto* edit = controlOf<QLineEdit>(dialog, editId);
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    edit->insert(detail::toQt(text));
}

void setCheck(CWnd& dialog, int checkId, bool checked)
{
    auto* box = controlOf<QCheckBox>(dialog, checkId);
    if (box->isChecked() != checked)
        box->click();
}

namespace {

detail::ListView* listView(CWnd& dialog, int listId)
{
    detail::ListView* view = driver::listViewOf(dialog, listId);
    if (!view)
        throw std::logic_error("control is not a list view");
    return view;
}

}  // namespace

void clickListRow(CWnd& dialog, int listId, int row)
{
    detail::ListView* view = listView(dialog, listId);
    const QModelIndex index = view->model()->index(row, 0);
    if (!index.isValid())
        throw std::logic_error("no row " + std::to_string(row));
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
}

void clickListEmptyArea(CWnd& dialog, int listId)
{
    detail::ListView* view = listView(dialog, listId);
    // Below the last row; a list whose rows fill it still has no row under a point past
    // its last one.
    const QPoint below(view->viewport()->width() / 2, view->viewport()->height() - 1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->indexAt(below).isValid() ? QPoint(-1, -1) : below);
}

namespace {

Qt::Key qtKey(Key key)
{
    switch (key) {
    case Key::Enter: return Qt::Key_Return;
    case Key::Escape: return Qt::Key_Escape;
    case Key::F1: return Qt::Key_F1;
    case Key::Tab: return Qt::Key_Tab;
    case Key::Up: return Qt::Key_Up;
    case Key::Down: return Qt::Key_Down;
    case Key::Home: return Qt::Key_Home;
    case Key::End: return Qt::Key_End;
    case Key::PageUp: return Qt::Key_PageUp;
    case Key::PageDown: return Qt::Key_PageDown;
    }
    return Qt::Key_Return;
}

// A key held down: Qt Test sends no repeats, so these are made here.
void sendRepeat(QWidget* receiver, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(receiver, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(receiver, &release);
}

// A control about to take a key from the operator, focused, with what it shows up to date.
QWidget* focusedControl(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    if (auto* view = dynamic_cast<detail::ListView*>(widget))
        view->listModel()->publish();
    widget->setFocus(Qt::OtherFocusReason);
    return widget;
}

}  // namespace

void pressKey(CWnd& dialog, Key key, bool autoRepeat)
{
    QWidget* target = dialog.GetSafeHwnd();
    if (!target)
        return;
    if (target->focusWidget())
        target = target->focusWidget();
    if (autoRepeat)
        sendRepeat(target, qtKey(key));
    else
        QTest::keyClick(target, qtKey(key));
}

void pressKey(CWnd& dialog, int id, Key key) { QTest::keyClick(focusedControl(dialog, id), qtKey(key)); }

void typeKey(CWnd& dialog, int id, char character) { QTest::keyClick(focusedControl(dialog, id), character); }

void clickCloseBox(CWnd& dialog)
{
    if (QWidget* w = dialog.GetSafeHwnd())
        w->close();
}

void mouseClick(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void processEvents() { QApplication::processEvents(); }

int messageBoxEscapeAnswer(UINT type, bool* closeBox)
{
    detail::MessageBoxWidget box(nullptr, "?", "Kelvara", type);
    const Qt::WindowFlags flags = box.windowFlags();
    *closeBox = !(flags & Qt::CustomizeWindowHint) || (flags & Qt::WindowCloseButtonHint);
    box.show();
    QApplication::processEvents();
    QTest::keyClick(box.focusWidget() ? box.focusWidget() : &box, Qt::Key_Escape);
    QApplication::processEvents();
    return box.isVisible() ? 0 : box.answer();
}

}  // namespace platform::test
