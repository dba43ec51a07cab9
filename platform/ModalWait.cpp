#include "ModalWait.h"

#include "Dialog.h"
#include "Internal.h"
#include "ModalHook.h"

#include <QApplication>
#include <QWindow>

namespace platform {

class ModalWait::InputFilter : public QObject {
public:
    explicit InputFilter(QWidget* window) : m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isInput(event->type()) || belongsToWindow(watched))
            return false;
        event->ignore();
        return true;
    }

private:
    static bool isInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }

    bool belongsToWindow(QObject* watched) const
    {
        if (auto* widget = qobject_cast<QWidget*>(watched))
            return widget->window() == m_window;
        if (auto* window = qobject_cast<QWindow*>(watched))
            return window == m_window->windowHandle();
        return true;  // not a window or a widget: no operator's input
    }

    QWidget* m_window;
};

ModalWait::ModalWait(CDialog& window) : m_window(window)
{
    QWidget* widget = window.GetSafeHwnd();
    QWidget* owner = widget->parentWidget();
    if (owner && !owner->isVisible())
        widget->setParent(nullptr, widget->windowFlags());
    m_filter = std::make_unique<InputFilter>(widget);
    qApp->installEventFilter(m_filter.get());
    widget->hide();  // modality is taken on when shown
    widget->setWindowModality(Qt::ApplicationModal);
    widget->show();
    widget->activateWindow();
}

ModalWait::~ModalWait()
{
    qApp->removeEventFilter(m_filter.get());
    if (QWidget* widget = m_window.GetSafeHwnd())
        widget->hide();
}

void ModalWait::ProcessEvents()
{
    QApplication::processEvents(QEventLoop::AllEvents);
    if (ModalHook* hook = modalHook())
        hook->waiting(m_window, !m_toldHook);
    m_toldHook = true;
}

}  // namespace platform
