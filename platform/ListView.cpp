#include "Internal.h"

#include "Dialog.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

#include <algorithm>
#include <tuple>

namespace platform::detail {

namespace {

// A scroll bar that shows its last rendering again while nothing it draws has changed.
// The scroll area re-stacks both of its scroll bars whenever the view lays out its rows,
// that is after every fill, and re-stacking repaints them. Painting the two took more than
// half as long as painting the visible rows (much longer on a busy machine: the style hands
// its fills to worker threads and waits), and every search paid it for scroll bars that
// looked exactly as before.
class ScrollBar final : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        // Hover and press highlights are the base class's own state, and a style whose scroll
        // bars fade in and out animates them: paint those as the base class does.
        if (underMouse() || isSliderDown() || QGuiApplication::mouseButtons() != Qt::NoButton ||
            style()->styleHint(QStyle::SH_ScrollBar_Transient, &option, this)) {
            m_rendering = QPixmap();
            QScrollBar::paintEvent(event);
            return;
        }
        option.subControls = QStyle::SC_All;
        option.activeSubControls = QStyle::SC_None;
        const Look look{option.rect,     option.minimum,     option.maximum,    option.sliderPosition,
                        option.pageStep, option.singleStep,  option.state,      option.orientation,
                        option.upsideDown, option.direction, option.palette.cacheKey(), style(),
                        devicePixelRatio()};
        if (m_rendering.isNull() || look != m_look) {
            const qreal ratio = devicePixelRatio();
            QPixmap rendering(size() * ratio);
            rendering.setDevicePixelRatio(ratio);
            rendering.fill(Qt::transparent);
            QPainter painter(&rendering);
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
            painter.end();
            m_rendering = rendering;
            m_look = look;
        }
        QPainter(this).drawPixmap(0, 0, m_rendering);
    }

private:
    // Everything of the style option the drawing depends on.
    struct Look {
        QRect rect;
        int minimum = 0, maximum = 0, position = 0, pageStep = 0, singleStep = 0;
        QStyle::State state;
        Qt::Orientation orientation = Qt::Horizontal;
        bool upsideDown = false;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        qint64 palette = 0;
        const QStyle* style = nullptr;
        qreal ratio = 1;

        auto tied() const
        {
            return std::tie(rect, minimum, maximum, position, pageStep, singleStep, state, orientation, upsideDown,
                            direction, palette, style, ratio);
        }
        bool operator!=(const Look& other) const { return tied() != other.tied(); }
    };

    QPixmap m_rendering;
    Look m_look;
};

}  // namespace

std::size_t characterLimit(const std::string& text, std::size_t maxCharacters)
{
    if (text.size() <= maxCharacters)
        return std::string::npos;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == maxCharacters)
            return i;
    }
    return std::string::npos;
}

void elide(std::string& text, std::size_t maxCharacters)
{
    const std::size_t cut = characterLimit(text, maxCharacters);
    if (cut == std::string::npos)
        return;
    text.resize(cut);
    text += kEllipsis;
}

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

int ListModel::insertRow(int index, std::string text)
{
    const int count = rows();
    index = qBound(0, index, count);
    // Room for every column up front: a fill sets each cell next, and a row that grew cell
    // by cell would be reallocated several times.
    std::vector<std::string> cells;
    cells.reserve(std::max<size_t>(m_columns.size(), 1));
    elide(text, kShownCharacters);
    cells.push_back(std::move(text));
    // Display index r is stored at size - 1 - r: inserting at display index 0 appends.
    m_rows.insert(m_rows.begin() + (count - index), std::move(cells));
    schedulePublish();
    return index;
}

bool ListModel::setText(int row, int column, std::string text)
{
    if (row < 0 || row >= rows() || column < 0)
        return false;
    auto& cells = m_rows[slot(row)];
    if (cells.size() <= static_cast<size_t>(column))
        cells.resize(static_cast<size_t>(column) + 1);
    elide(text, kShownCharacters);
    cells[static_cast<size_t>(column)] = std::move(text);
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
    setHorizontalScrollBar(new ScrollBar(Qt::Horizontal, this));
    setVerticalScrollBar(new ScrollBar(Qt::Vertical, this));
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

    // Every change of the selection is told, whatever made it: a click, the arrow keys,
    // Home/End, Page Up/Down, typing a row's first letter, or the rows going away (a reset
    // drops the selection without a signal of its own).
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { notify(LVN_ITEMCHANGED); });
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { m_selectedBeforeReset = selectionModel()->hasSelection(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (m_selectedBeforeReset && !selectionModel()->hasSelection())
            notify(LVN_ITEMCHANGED);
        m_selectedBeforeReset = false;
    });
}

ListView::~ListView()
{
    // The rows and the selection go with the view; nobody is to hear of that.
    disconnect(selectionModel(), nullptr, this, nullptr);
    disconnect(m_model, nullptr, this, nullptr);
    m_owner = nullptr;
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
        notify(NM_CLICK);
}

void ListView::notify(UINT code)
{
    if (!m_owner)
        return;
    NMHDR header{this, static_cast<UINT>(controlId(this)), code};
    m_owner->Dispatch(WM_NOTIFY, static_cast<WPARAM>(header.idFrom), reinterpret_cast<LPARAM>(&header));
}

}  // namespace platform::detail
