#include "DataExchange.h"

#include "Controls.h"
#include "Internal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

QWidget* control(CDataExchange* pDX, int id)
{
    CWnd* item = pDX->m_pDlgWnd ? pDX->m_pDlgWnd->GetDlgItem(id) : nullptr;
    return item ? item->GetSafeHwnd() : nullptr;
}

}  // namespace

void DDX_Control(CDataExchange* pDX, int id, CWnd& member)
{
    QWidget* widget = control(pDX, id);
    if (widget && member.GetSafeHwnd() != widget)
        member.Attach(widget);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value)
{
    QWidget* widget = control(pDX, id);
    if (!widget)
        return;
    if (pDX->m_bSaveAndValidate)
        value = platform::detail::editText(widget);
    else
        platform::detail::setEditText(widget, value);
}

void DDX_CBString(CDataExchange* pDX, int id, CString& value)
{
    QWidget* widget = control(pDX, id);
    auto* box = qobject_cast<QComboBox*>(widget);
    if (!box)
        return;
    CComboBox combo;
    combo.Attach(box);
    if (pDX->m_bSaveAndValidate) {
        const int selected = combo.GetCurSel();
        value = selected == CB_ERR ? CString() : combo.GetLBText(selected);
    } else if (value.IsEmpty()) {
        combo.SetCurSel(-1);
    } else {
        combo.SelectString(-1, value);
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    auto* box = qobject_cast<QCheckBox*>(control(pDX, id));
    if (!box)
        return;
    if (pDX->m_bSaveAndValidate)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}
