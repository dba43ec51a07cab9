#include "Dialog.h"

#include "Internal.h"
#include "ModalHook.h"
#include "WinApp.h"

#include <QWidget>

using platform::detail::DialogWidget;

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(int templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() { releaseWidgets(); }

bool CDialog::build()
{
    const DialogTemplate* tmpl = platform::FindDialogTemplate(m_templateId);
    if (!tmpl)
        return false;
    CWnd* parent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    QWidget* parentWidget = parent && parent != this ? parent->GetSafeHwnd() : nullptr;
    auto* widget = new DialogWidget(this, parentWidget);
    m_widget = widget;
    m_hWnd = widget;
    m_ended = false;
    const QSize base = platform::detail::shapeDialogWindow(widget, *tmpl, parentWidget != nullptr);
    platform::detail::buildControls(widget, *tmpl, this, base, m_items);
    return true;
}

void CDialog::releaseWidgets()
{
    m_items.clear();
    if (m_widget) {
        m_widget->detachOwner();
        m_widget->hide();
        delete m_widget;
        m_widget = nullptr;
    }
    m_hWnd = nullptr;
}

namespace {

// Windows gives the focus to the first enabled tab stop when OnInitDialog returns TRUE.
void focusFirstTabStop(QWidget* dialog)
{
    for (QObject* child : dialog->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->focusPolicy() == Qt::StrongFocus && widget->isEnabled()) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

}  // namespace

int CDialog::DoModal()
{
    if (!build())
        return -1;
    bool initialised = false;
    BOOL focusDefault = TRUE;
    try {
        CREATESTRUCT cs{m_hWnd->width(), m_hWnd->height()};
        if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) != -1) {
            focusDefault = OnInitDialog();
            initialised = true;
        }
    } catch (...) {
        if (CWinApp* app = AfxGetApp())
            app->ReportHandlerException(this, std::current_exception());
    }
    if (!initialised) {
        releaseWidgets();
        return -1;
    }
    if (focusDefault)
        focusFirstTabStop(m_widget);

    int result = m_result;
    if (!m_ended) {
        m_widget->setWindowModality(Qt::ApplicationModal);
        if (platform::ModalHook* hook = platform::modalHook())
            hook->dialogShown(*this);
        m_inModalLoop = true;
        m_widget->exec();
        m_inModalLoop = false;
        result = m_result;
    }
    releaseWidgets();
    return result;
}

BOOL CDialog::Create()
{
    if (!build())
        return FALSE;
    try {
        CREATESTRUCT cs{m_hWnd->width(), m_hWnd->height()};
        if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
            releaseWidgets();
            return FALSE;
        }
        if (OnInitDialog())
            focusFirstTabStop(m_widget);
    } catch (...) {
        if (CWinApp* app = AfxGetApp())
            app->ReportHandlerException(this, std::current_exception());
        releaseWidgets();
        return FALSE;
    }
    m_widget->show();
    return TRUE;
}

void CDialog::DestroyWindow() { releaseWidgets(); }

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    if (!m_widget)
        return;
    if (m_inModalLoop)
        m_widget->finish(result);
    else
        m_widget->hide();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

CWnd* CDialog::GetDlgItem(int id) const
{
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second.get();
}

HBRUSH CDialog::OnCtlColor(CDC*, CWnd*, UINT) { return nullptr; }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        if (m_widget)
            m_widget->defaultPaint();
        return 0;
    case WM_SYSCOMMAND:
        switch (static_cast<UINT>(wParam) & 0xFFF0) {
        case SC_CLOSE:
            return SendMessage(WM_CLOSE);
        case SC_MINIMIZE:
            if (m_widget)
                m_widget->showMinimized();
            return 0;
        case SC_MAXIMIZE:
            if (m_widget)
                m_widget->showMaximized();
            return 0;
        case SC_RESTORE:
            if (m_widget)
                m_widget->showNormal();
            return 0;
        default:
            return 0;
        }
    case WM_CLOSE:
        // A dialog treats closing as Cancel.
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    default:
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
}
