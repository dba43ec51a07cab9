#include "Controls.h"

#include "Internal.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QItemSelectionModel>

#include <typeinfo>

using platform::detail::ListModel;
using platform::detail::ListView;
using platform::detail::fromQt;
using platform::detail::toQt;

// ---- CButton -------------------------------------------------------------------------

int CButton::GetCheck() const
{
    auto* button = qobject_cast<QAbstractButton*>(m_hWnd);
    return button && button->isChecked() ? 1 : 0;
}

void CButton::SetCheck(int check)
{
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd))
        button->setChecked(check != 0);
}

void CButton::Click()
{
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd))
        button->click();
}

// ---- CComboBox -----------------------------------------------------------------------
// Entries keep the bytes they were given in their user data; the shown text is only for
// the eye.

namespace {

QComboBox* combo(HWND hwnd) { return qobject_cast<QComboBox*>(hwnd); }

std::string entryBytes(const QComboBox* box, int index)
{
    const QByteArray bytes = box->itemData(index).toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

int CComboBox::GetCount() const { return combo(m_hWnd) ? combo(m_hWnd)->count() : 0; }

int CComboBox::GetCurSel() const
{
    QComboBox* box = combo(m_hWnd);
    return box && box->currentIndex() >= 0 ? box->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int index)
{
    QComboBox* box = combo(m_hWnd);
    if (!box)
        return CB_ERR;
    if (index < 0 || index >= box->count()) {
        box->setCurrentIndex(-1);
        return CB_ERR;
    }
    box->setCurrentIndex(index);
    return index;
}

int CComboBox::AddString(const char* text)
{
    QComboBox* box = combo(m_hWnd);
    if (!box)
        return CB_ERR;
    const int selected = box->currentIndex();
    const std::string bytes = text ? text : "";
    box->addItem(toQt(bytes), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // QComboBox selects the first entry added to an empty list; a Windows list does not.
    if (box->currentIndex() != selected)
        box->setCurrentIndex(selected);
    return box->count() - 1;
}

int CComboBox::DeleteString(int index)
{
    QComboBox* box = combo(m_hWnd);
    if (!box || index < 0 || index >= box->count())
        return CB_ERR;
    const int selected = box->currentIndex();
    box->removeItem(index);
    // Removing the selected entry leaves no selection, as in Windows.
    if (selected == index)
        box->setCurrentIndex(-1);
    return box->count();
}

void CComboBox::ResetContent()
{
    if (QComboBox* box = combo(m_hWnd))
        box->clear();
}

void CComboBox::GetLBText(int index, CString& text) const { text = GetLBText(index); }

CString CComboBox::GetLBText(int index) const
{
    QComboBox* box = combo(m_hWnd);
    if (!box || index < 0 || index >= box->count())
        return {};
    return entryBytes(box, index);
}

int CComboBox::SelectString(int startAfter, const char* text)
{
    QComboBox* box = combo(m_hWnd);
    if (!box || !text)
        return CB_ERR;
    const QString prefix = toQt(text);
    const int count = box->count();
    for (int step = 1; step <= count; ++step) {
        const int index = (startAfter + step + count) % count;
        if (box->itemText(index).startsWith(prefix, Qt::CaseInsensitive)) {
            box->setCurrentIndex(index);
            return index;
        }
    }
    return CB_ERR;
}

// ---- CListCtrl -----------------------------------------------------------------------

namespace {

// Filling a list asks this once per cell: ListView is final, so comparing the exact type
// suffices and is cheaper than dynamic_cast's walk through Qt's class hierarchy.
ListView* listView(HWND hwnd)
{
    return hwnd && typeid(*hwnd) == typeid(ListView) ? static_cast<ListView*>(hwnd) : nullptr;
}

}  // namespace

int CListCtrl::InsertColumn(int col, const char* heading, int, int width, int)
{
    ListView* view = listView(m_hWnd);
    if (!view)
        return -1;
    const int position = view->listModel()->insertColumn(col, toQt(heading), width);
    if (position >= 0 && width >= 0)
        view->setColumnWidth(position, width);
    return position;
}

BOOL CListCtrl::DeleteColumn(int col)
{
    ListView* view = listView(m_hWnd);
    return view && view->listModel()->deleteColumn(col);
}

int CListCtrl::GetColumnCount() const
{
    ListView* view = listView(m_hWnd);
    return view ? static_cast<int>(view->listModel()->columns().size()) : 0;
}

CString CListCtrl::GetColumnHeading(int col) const
{
    ListView* view = listView(m_hWnd);
    if (!view || col < 0 || col >= GetColumnCount())
        return {};
    return fromQt(view->listModel()->columns()[static_cast<size_t>(col)].title);
}

int CListCtrl::GetColumnWidth(int col) const
{
    ListView* view = listView(m_hWnd);
    if (!view || col < 0 || col >= GetColumnCount())
        return 0;
    return view->columnWidth(col);
}

int CListCtrl::InsertItem(const LVITEM* item)
{
    if (!item)
        return -1;
    return InsertItem(item->iItem, (item->mask & LVIF_TEXT) ? item->pszText : nullptr);
}

int CListCtrl::InsertItem(int index, const char* text)
{
    ListView* view = listView(m_hWnd);
    return view ? view->listModel()->insertRow(index, text ? text : "") : -1;
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text)
{
    ListView* view = listView(m_hWnd);
    return view && view->listModel()->setText(item, subItem, text ? text : "");
}

CString CListCtrl::GetItemText(int item, int subItem) const
{
    ListView* view = listView(m_hWnd);
    const std::string* text = view ? view->listModel()->text(item, subItem) : nullptr;
    return text ? CString(*text) : CString();
}

BOOL CListCtrl::DeleteAllItems()
{
    ListView* view = listView(m_hWnd);
    if (!view)
        return FALSE;
    view->listModel()->clear();
    return TRUE;
}

int CListCtrl::GetItemCount() const
{
    ListView* view = listView(m_hWnd);
    return view ? view->listModel()->rows() : 0;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const
{
    ListView* view = listView(m_hWnd);
    if (!view || !(mask & LVIS_SELECTED))
        return 0;
    view->listModel()->publish();
    return view->selectionModel()->rowIntersectsSelection(item, QModelIndex()) ? LVIS_SELECTED : 0;
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    ListView* view = listView(m_hWnd);
    if (!view || !(mask & LVIS_SELECTED) || item < 0 || item >= GetItemCount())
        return FALSE;
    view->listModel()->publish();
    const QModelIndex index = view->listModel()->index(item, 0);
    const auto flags = QItemSelectionModel::Rows |
                       ((state & LVIS_SELECTED) ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::Deselect);
    view->selectionModel()->select(index, flags);
    return TRUE;
}

DWORD CListCtrl::SetExtendedStyle(DWORD exStyle)
{
    ListView* view = listView(m_hWnd);
    if (!view)
        return 0;
    const DWORD previous = view->extendedStyle;
    view->extendedStyle = exStyle;
    view->setSelectionBehavior((exStyle & LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows
                                                                : QAbstractItemView::SelectItems);
    view->setAllColumnsShowFocus((exStyle & LVS_EX_FULLROWSELECT) != 0);
    return previous;
}

DWORD CListCtrl::GetExtendedStyle() const
{
    ListView* view = listView(m_hWnd);
    return view ? view->extendedStyle : 0;
}

int CListCtrl::GetSelectionMark() const
{
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        if (GetItemState(i, LVIS_SELECTED))
            return i;
    }
    return -1;
}
