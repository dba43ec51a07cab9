#include "Wnd.h"

#include "DataExchange.h"
#include "Internal.h"
#include "WinApp.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

HWND CWnd::Detach()
{
    HWND old = m_hWnd;
    m_hWnd = nullptr;
    return old;
}

int CWnd::GetDlgCtrlID() const { return m_hWnd ? platform::detail::controlId(m_hWnd) : 0; }

CWnd* CWnd::GetDlgItem(int) const { return nullptr; }

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

int CWnd::MessageBox(const char* text, const char* caption, UINT type)
{
    return platform::detail::showMessageBox(m_hWnd, text ? text : "", caption ? caption : "Error", type);
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    if (!m_hWnd)
        return FALSE;
    const BOOL wasDisabled = !m_hWnd->isEnabled();
    m_hWnd->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_hWnd && m_hWnd->isEnabled(); }

BOOL CWnd::IsWindowVisible() const { return m_hWnd && m_hWnd->isVisible(); }

CWnd* CWnd::SetFocus()
{
    if (m_hWnd)
        m_hWnd->setFocus(Qt::OtherFocusReason);
    return nullptr;
}

void CWnd::SetAccessibleName(const char* name)
{
    if (m_hWnd)
        m_hWnd->setAccessibleName(platform::detail::toQt(name));
}

void CWnd::SetWindowText(const char* text)
{
    if (!m_hWnd)
        return;
    const QString qtext = platform::detail::toQt(text);
    if (qobject_cast<QLineEdit*>(m_hWnd))
        platform::detail::setEditText(m_hWnd, text ? text : "");
    else if (auto* label = qobject_cast<QLabel*>(m_hWnd))
        label->setText(qtext);
    else if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd))
        button->setText(qtext);
    else if (auto* group = qobject_cast<QGroupBox*>(m_hWnd))
        group->setTitle(qtext);
    else if (m_hWnd->isWindow())
        m_hWnd->setWindowTitle(qtext);
}

CString CWnd::GetWindowText() const
{
    if (!m_hWnd)
        return {};
    if (qobject_cast<QLineEdit*>(m_hWnd))
        return platform::detail::editText(m_hWnd);
    if (auto* label = qobject_cast<QLabel*>(m_hWnd))
        return platform::detail::fromQt(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd))
        return platform::detail::fromQt(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(m_hWnd))
        return platform::detail::fromQt(group->title());
    if (auto* combo = qobject_cast<QComboBox*>(m_hWnd))
        return platform::detail::fromQt(combo->currentText());
    return platform::detail::fromQt(m_hWnd->windowTitle());
}

void CWnd::GetWindowRect(CRect* rect) const
{
    if (!m_hWnd || !rect)
        return;
    QRect r = m_hWnd->isWindow() ? m_hWnd->frameGeometry() : m_hWnd->geometry();
    if (!m_hWnd->isWindow())
        r.moveTopLeft(m_hWnd->parentWidget()->mapToGlobal(r.topLeft()));
    *rect = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CWnd::GetClientRect(CRect* rect) const
{
    if (!m_hWnd || !rect)
        return;
    *rect = {0, 0, m_hWnd->width(), m_hWnd->height()};
}

void CWnd::ScreenToClient(CRect* rect) const
{
    if (!m_hWnd || !rect)
        return;
    const QPoint topLeft = m_hWnd->mapFromGlobal(QPoint(rect->left, rect->top));
    const int dx = topLeft.x() - rect->left;
    const int dy = topLeft.y() - rect->top;
    *rect = {rect->left + dx, rect->top + dy, rect->right + dx, rect->bottom + dy};
}

BOOL CWnd::IsIconic() const { return m_hWnd && m_hWnd->isMinimized(); }

void CWnd::SetFont(CFont* font, BOOL redraw)
{
    if (!m_hWnd || !font || !font->font())
        return;
    m_hWnd->setFont(*font->font());
    if (redraw)
        m_hWnd->update();
}

void CWnd::SetIcon(HICON icon, BOOL)
{
    if (!m_hWnd || !icon)
        return;
    m_hWnd->setWindowIcon(QIcon(platform::detail::imageResource(icon->id)));
}

void CWnd::Invalidate()
{
    if (m_hWnd)
        m_hWnd->update();
}

void CWnd::UpdateWindow()
{
    if (m_hWnd)
        m_hWnd->repaint();
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const CurrentMessage saved = m_current;
    m_current = {message, wParam, lParam};
    struct Restore {
        CWnd* wnd;
        CurrentMessage saved;
        ~Restore() { wnd->m_current = saved; }
    } restore{this, saved};
    return WindowProc(message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

LRESULT CWnd::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        return SendMessage(message, wParam, lParam);
    } catch (...) {
        if (CWinApp* app = AfxGetApp())
            app->ReportHandlerException(this, std::current_exception());
        return 0;
    }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    UINT code = 0;
    int id = 0;
    if (message == WM_COMMAND) {
        id = static_cast<int>(LOWORD(wParam));
        code = HIWORD(wParam);
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        id = static_cast<int>(header->idFrom);
        code = header->code;
    }
    if (const MessageMapEntry* entry = FindHandler(message, code, id))
        return entry->handler(this, wParam, lParam);
    // Commands nobody in the window handles go to the application (the help command).
    if (message == WM_COMMAND) {
        if (CWinApp* app = AfxGetApp()) {
            if (const MessageMapEntry* entry = app->FindHandler(message, code, id))
                return entry->handler(app, wParam, lParam);
        }
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }
