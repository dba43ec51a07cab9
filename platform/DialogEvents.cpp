#include "Internal.h"

#include "Dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The dialog window's events as a Windows dialog handles them: painting and control colours
// through the owner's message map, Enter, Escape and F1, Tab order, and the close box.

namespace platform::detail {
namespace {

UINT ctlColorKind(const QWidget* widget)
{
    if (qobject_cast<const QLineEdit*>(widget))
        return CTLCOLOR_EDIT;
    if (qobject_cast<const QLabel*>(widget))
        return CTLCOLOR_STATIC;
    if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QGroupBox*>(widget))
        return CTLCOLOR_STATIC;
    if (qobject_cast<const QComboBox*>(widget))
        return CTLCOLOR_LISTBOX;
    return CTLCOLOR_BTN;
}

QColor toColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

DialogWidget::DialogWidget(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

void DialogWidget::finish(int result)
{
    m_ending = true;
    done(result);
    m_ending = false;
}

void DialogWidget::defaultPaint()
{
    if (m_paintEvent)
        QDialog::paintEvent(m_paintEvent);
}

void DialogWidget::paintEvent(QPaintEvent* event)
{
    if (!m_owner) {
        QDialog::paintEvent(event);
        return;
    }
    m_paintEvent = event;
    m_owner->Dispatch(WM_PAINT);
    m_paintEvent = nullptr;
    m_painter = nullptr;
}

void DialogWidget::keyPressEvent(QKeyEvent* event)
{
    if (!m_owner || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // The focused push button, else the default push button, else IDOK.
        int id = IDOK;
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled()) {
            focused->click();
            return;
        }
        for (QPushButton* button : findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (button->isDefault() && button->isEnabled()) {
                button->click();
                return;
            }
        }
        m_owner->Dispatch(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0);
        return;
    }
    case Qt::Key_Escape:
        m_owner->Dispatch(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    case Qt::Key_F1:
        m_owner->Dispatch(WM_COMMAND, MAKEWPARAM(ID_HELP, BN_CLICKED), 0);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    if (m_ending || !m_owner) {
        event->accept();
        return;
    }
    // The close box is the system command SC_CLOSE; the dialog ends only through EndDialog.
    event->ignore();
    m_owner->Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWidget::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        update();
}

// Tab and Shift+Tab go to the next or previous enabled tab stop in template order, also
// from a control that is not a tab stop itself (the focus put there by a click).
bool DialogWidget::focusNextPrevChild(bool next)
{
    if (!m_owner)
        return QDialog::focusNextPrevChild(next);
    std::vector<QWidget*> controls;
    int current = -1;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || !controlTemplate(widget))
            continue;
        if (focusWidget() && (widget == focusWidget() || widget->isAncestorOf(focusWidget())))
            current = static_cast<int>(controls.size());
        controls.push_back(widget);
    }
    const int count = static_cast<int>(controls.size());
    const int from = current >= 0 ? current : (next ? -1 : count);
    for (int step = 1; step <= count; ++step) {
        QWidget* candidate = controls[static_cast<size_t>(((from + (next ? step : -step)) % count + count) % count)];
        if (candidate->focusPolicy() == Qt::StrongFocus && candidate->isEnabled() && candidate->isVisibleTo(this)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint || event->type() == QEvent::Polish) {
        if (auto* control = qobject_cast<QWidget*>(watched))
            applyControlColors(control);
    }
    return QDialog::eventFilter(watched, event);
}

void DialogWidget::applyControlColors(QWidget* control)
{
    if (!m_owner)
        return;
    CWnd* wnd = m_owner->GetDlgItem(controlId(control));
    if (!wnd)
        return;
    CDC dc;
    CtlColorArgs args{&dc, wnd, ctlColorKind(control)};
    m_owner->Dispatch(WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&args));

    // Text colours apply to every control that draws text on the dialog's background; the
    // text background fills captions and labels. Edits and push buttons keep the platform's
    // look, as they do on Windows once themed.
    const bool onBackground = args.ctlType == CTLCOLOR_STATIC;
    if (!onBackground)
        return;
    QPalette palette = control->palette();
    const QPalette before = palette;
    if (dc.textColor()) {
        palette.setColor(QPalette::WindowText, toColor(*dc.textColor()));
        // Group box titles are drawn in the style's label colour, taken from Text.
        if (qobject_cast<QGroupBox*>(control))
            palette.setColor(QPalette::Text, toColor(*dc.textColor()));
    }
    if (dc.bkColor()) {
        palette.setColor(QPalette::Window, toColor(*dc.bkColor()));
        palette.setColor(QPalette::Button, toColor(*dc.bkColor()));
        if (qobject_cast<QLabel*>(control) || qobject_cast<QCheckBox*>(control))
            control->setAutoFillBackground(true);
    }
    if (palette != before)
        control->setPalette(palette);
}

}  // namespace platform::detail
