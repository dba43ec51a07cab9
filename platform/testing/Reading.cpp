#include "TestSeam.h"

#include "Driver.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace platform::test {

using driver::controlOf;
using driver::listViewOf;
using driver::widgetOf;

namespace {

COLORREF fromColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

std::string bytesOf(const QVariant& data)
{
    const QByteArray bytes = data.toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

std::string text(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    if (qobject_cast<QLineEdit*>(widget))
        return detail::editText(widget);
    if (auto* box = qobject_cast<QComboBox*>(widget))
        return box->currentIndex() >= 0 ? bytesOf(box->currentData()) : std::string();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return detail::fromQt(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return detail::fromQt(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return detail::fromQt(group->title());
    return {};
}

std::string shownText(CWnd& dialog, int id)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widgetOf(dialog, id)))
        return detail::fromQt(edit->text());
    return text(dialog, id);
}

bool readOnly(CWnd& dialog, int id) { return controlOf<QLineEdit>(dialog, id)->isReadOnly(); }

bool enabled(CWnd& dialog, int id) { return widgetOf(dialog, id)->isEnabled(); }

bool hasFocus(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    return dialog.GetSafeHwnd()->focusWidget() == widget;
}

bool isTabStop(CWnd& dialog, int id) { return widgetOf(dialog, id)->focusPolicy() == Qt::StrongFocus; }

bool isDefaultButton(CWnd& dialog, int id)
{
    auto* button = qobject_cast<QPushButton*>(widgetOf(dialog, id));
    return button && button->isDefault();
}

bool hasCloseBox(CWnd& dialog)
{
    QWidget* w = dialog.GetSafeHwnd();
    return w && (w->windowFlags() & Qt::WindowCloseButtonHint);
}

bool isShownModal(CWnd& dialog)
{
    QWidget* w = dialog.GetSafeHwnd();
    return w && w->isVisible() && w->windowModality() == Qt::ApplicationModal;
}

std::string caption(CWnd& dialog)
{
    QWidget* w = dialog.GetSafeHwnd();
    return w ? detail::fromQt(w->windowTitle()) : std::string();
}

std::vector<std::string> comboEntries(CWnd& dialog, int id)
{
    auto* box = controlOf<QComboBox>(dialog, id);
    std::vector<std::string> entries;
    for (int i = 0; i < box->count(); ++i)
        entries.push_back(bytesOf(box->itemData(i)));
    return entries;
}

int comboSelection(CWnd& dialog, int id) { return controlOf<QComboBox>(dialog, id)->currentIndex(); }

std::vector<ListColumn> listColumns(CWnd& dialog, int id)
{
    auto* view = dynamic_cast<detail::ListView*>(widgetOf(dialog, id));
    std::vector<ListColumn> columns;
    if (!view)
        return columns;
    const auto& model = view->listModel()->columns();
    for (size_t i = 0; i < model.size(); ++i)
        columns.push_back({detail::fromQt(model[i].title), view->columnWidth(static_cast<int>(i))});
    return columns;
}

std::vector<std::vector<std::string>> listRows(CWnd& dialog, int id)
{
    std::vector<std::vector<std::string>> rows;
    detail::ListView* view = listViewOf(dialog, id);
    if (!view)
        return rows;
    detail::ListModel* model = view->listModel();
    const int columns = static_cast<int>(model->columns().size());
    for (int r = 0; r < model->rows(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < columns; ++c) {
            const std::string* cell = model->text(r, c);
            row.push_back(cell ? *cell : std::string());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

int listSelection(CWnd& dialog, int id)
{
    detail::ListView* view = listViewOf(dialog, id);
    if (!view)
        return -1;
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

int listViewUpdates(CWnd& dialog, int id)
{
    auto* view = dynamic_cast<detail::ListView*>(widgetOf(dialog, id));
    return view ? view->listModel()->viewUpdates() : 0;
}

std::vector<int> geometry(CWnd& dialog, int id)
{
    const QRect r = widgetOf(dialog, id)->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

std::string fontFamily(CWnd& dialog, int id) { return detail::fromQt(widgetOf(dialog, id)->font().family()); }

int fontPixelHeight(CWnd& dialog, int id) { return QFontMetrics(widgetOf(dialog, id)->font()).height(); }

int fontWeight(CWnd& dialog, int id) { return widgetOf(dialog, id)->font().weight(); }

std::string accessibleName(CWnd& dialog, int id)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widgetOf(dialog, id));
    return iface ? detail::fromQt(iface->text(QAccessible::Name)) : std::string();
}

std::string accessibleValue(CWnd& dialog, int id)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widgetOf(dialog, id));
    return iface ? detail::fromQt(iface->text(QAccessible::Value)) : std::string();
}

std::vector<int> accessibleOrder(CWnd& dialog)
{
    std::vector<int> ids;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(dialog.GetSafeHwnd());
    for (int i = 0; iface && i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child && child->object() && child->object()->isWidgetType())
            ids.push_back(detail::controlId(static_cast<QWidget*>(child->object())));
    }
    return ids;
}

std::vector<int> comboListGeometry(CWnd& dialog, int id)
{
    auto* box = controlOf<QComboBox>(dialog, id);
    box->showPopup();
    QWidget* popup = box->view()->window();
    const QRect r(dialog.GetSafeHwnd()->mapFromGlobal(popup->geometry().topLeft()), popup->size());
    box->hidePopup();
    return {r.x(), r.y(), r.width(), r.height()};
}

namespace {

// The control's palette once the dialog has applied what WM_CTLCOLOR chose for it.
QPalette colouredPalette(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    if (auto* dlg = dynamic_cast<detail::DialogWidget*>(dialog.GetSafeHwnd()))
        dlg->applyControlColors(widget);
    return widget->palette();
}

}  // namespace

COLORREF textColor(CWnd& dialog, int id) { return fromColor(colouredPalette(dialog, id).color(QPalette::WindowText)); }

COLORREF textBackground(CWnd& dialog, int id) { return fromColor(colouredPalette(dialog, id).color(QPalette::Window)); }

COLORREF pixel(CWnd& dialog, int x, int y)
{
    QWidget* w = dialog.GetSafeHwnd();
    if (!w)
        return 0;
    const QImage image = w->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    return fromColor(image.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio)));
}

bool saveScreenshot(CWnd& dialog, const std::string& path)
{
    QWidget* w = dialog.GetSafeHwnd();
    if (!w)
        return false;
    if (auto* view = w->findChild<detail::ListView*>())
        view->listModel()->publish();
    return w->grab().save(detail::toQt(path), "PNG");
}

}  // namespace platform::test
