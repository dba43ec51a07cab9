#include "Internal.h"

#include "Dialog.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QTimer>

namespace platform::detail {

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_published; }

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const std::string* value = text(index.row(), index.column());
    return value ? QVariant(toQt(*value)) : QVariant();
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(m_columns.size()))
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[static_cast<size_t>(section)].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

int ListModel::insertColumn(int position, const QString& title, int width)
{
    const int count = static_cast<int>(m_columns.size());
    position = qBound(0, position, count);
    beginInsertColumns({}, position, position);
    m_columns.insert(m_columns.begin() + position, Column{title, width});
    endInsertColumns();
    return position;
}

bool ListModel::deleteColumn(int position)
{
    if (position < 0 || position >= static_cast<int>(m_columns.size()))
        return false;
    beginRemoveColumns({}, position, position);
    m_columns.erase(m_columns.begin() + position);
    // Row texts shift with their columns, as sub-items do.
    for (auto& row : m_rows) {
        if (static_cast<size_t>(position) < row.size())
            row.erase(row.begin() + position);
    }
    endRemoveColumns();
    return true;
}

int ListModel::insertRow(int index, const std::string& text)
{
    const int count = rows();
    index = qBound(0, index, count);
    // Display index r is stored at size - 1 - r: inserting at display index 0 appends.
    const auto at = m_rows.begin() + (count - index);
    m_rows.insert(at, std::vector<std::string>{text});
    schedulePublish();
    return index;
}

bool ListModel::setText(int row, int column, const std::string& text)
{
    if (row < 0 || row >= rows() || column < 0)
        return false;
    auto& cells = m_rows[slot(row)];
    if (cells.size() <= static_cast<size_t>(column))
        cells.resize(static_cast<size_t>(column) + 1);
    cells[static_cast<size_t>(column)] = text;
    if (row < m_published && !m_publishPending)
        emit dataChanged(index(row, column), index(row, column));
    return true;
}

const std::string* ListModel::text(int row, int column) const
{
    if (row < 0 || row >= rows() || column < 0)
        return nullptr;
    const auto& cells = m_rows[slot(row)];
    return static_cast<size_t>(column) < cells.size() ? &cells[static_cast<size_t>(column)] : nullptr;
}

void ListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_published = 0;
    m_publishPending = false;
    endResetModel();
    ++m_viewUpdates;
}

void ListModel::schedulePublish()
{
    if (m_publishPending)
        return;
    m_publishPending = true;
    QTimer::singleShot(0, this, [this] { publish(); });
}

void ListModel::publish()
{
    if (!m_publishPending && m_published == rows())
        return;
    // One reset for a whole fill: the view lays out once, whatever the number of rows.
    beginResetModel();
    m_published = rows();
    m_publishPending = false;
    endResetModel();
    ++m_viewUpdates;
}

ListView::ListView(QWidget* parent, CDialog* owner) : QTreeView(parent), m_model(new ListModel(this)), m_owner(owner)
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void ListView::mousePressEvent(QMouseEvent* event)
{
    m_model->publish();
    if (!indexAt(event->position().toPoint()).isValid()) {
        // A press on the empty area takes the selection away, as in a Windows list view.
        clearSelection();
        setCurrentIndex({});
        return;
    }
    QTreeView::mousePressEvent(event);
}

void ListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        notifyClick();
}

void ListView::clickAt(const QPoint& pos)
{
    m_model->publish();
    const QModelIndex index = indexAt(pos);
    if (index.isValid()) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                     (selectionBehavior() == SelectRows ? QItemSelectionModel::Rows
                                                                                        : QItemSelectionModel::NoUpdate));
    } else {
        clearSelection();
        setCurrentIndex({});
    }
    notifyClick();
}

void ListView::notifyClick()
{
    if (!m_owner)
        return;
    NMHDR header{this, static_cast<UINT>(controlId(this)), NM_CLICK};
    m_owner->Dispatch(WM_NOTIFY, static_cast<WPARAM>(header.idFrom), reinterpret_cast<LPARAM>(&header));
}

}  // namespace platform::detail
