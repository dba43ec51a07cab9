#include "TestSeam.h"

#include "Dialog.h"
#include "Internal.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>

#include <deque>
#include <stdexcept>

namespace platform {
namespace {

struct SeamState {
    bool active = false;
    std::deque<int> answers;
    std::vector<test::ShownMessage> messages;
    std::deque<std::function<void(CDialog&)>> scripts;
    std::vector<int> dialogs;
    std::function<void(CDialog&)> waiting;
    int waitingWindows = 0;
};

SeamState& state()
{
    static SeamState s;
    return s;
}

QWidget* widgetOf(CWnd& dialog, int id)
{
    QWidget* widget = detail::findControl(dialog.GetSafeHwnd(), id);
    if (!widget)
        throw std::logic_error("no control with id " + std::to_string(id));
    return widget;
}

template <class W>
W* controlOf(CWnd& dialog, int id)
{
    auto* widget = qobject_cast<W*>(widgetOf(dialog, id));
    if (!widget)
        throw std::logic_error("control " + std::to_string(id) + " is not of the expected kind");
    return widget;
}

COLORREF fromColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

}  // namespace

namespace detail {

int seamAnswerMessageBox(const std::string& text, const std::string& caption, UINT type, int defaultAnswer,
                         bool* answered)
{
    SeamState& s = state();
    *answered = s.active;
    if (!s.active)
        return 0;
    int answer = defaultAnswer;
    if (!s.answers.empty()) {
        answer = s.answers.front();
        s.answers.pop_front();
    }
    s.messages.push_back({text, caption, type, answer});
    return answer;
}

bool seamRunsDialogs() { return state().active; }

void seamDialogShown(CDialog& dialog)
{
    SeamState& s = state();
    s.dialogs.push_back(dialog.templateId());
    std::function<void(CDialog&)> script;
    if (!s.scripts.empty()) {
        script = std::move(s.scripts.front());
        s.scripts.pop_front();
    }
    // Runs inside the dialog's modal loop, as an operator would act on it.
    QTimer::singleShot(0, dialog.GetSafeHwnd(), [&dialog, script] {
        if (script)
            script(dialog);
        if (!dialog.isEnded())
            test::pressKey(dialog, test::Key::Escape);
    });
}

void seamWaiting(CDialog& window, bool firstTime)
{
    SeamState& s = state();
    if (firstTime)
        ++s.waitingWindows;
    if (s.waiting)
        s.waiting(window);
}

}  // namespace detail

namespace test {

TestApplication::TestApplication(int& argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    detail::installFontSubstitutions();
    Seam::activate();
}

TestApplication::~TestApplication() = default;

void Seam::activate() { state().active = true; }

void Seam::reset()
{
    SeamState& s = state();
    s.answers.clear();
    s.messages.clear();
    s.scripts.clear();
    s.dialogs.clear();
    s.waiting = nullptr;
    s.waitingWindows = 0;
}

bool Seam::active() { return state().active; }

void Seam::answerMessageBox(int answer) { state().answers.push_back(answer); }

const std::vector<ShownMessage>& Seam::messages() { return state().messages; }

void Seam::clearMessages() { state().messages.clear(); }

void Seam::onNextDialog(std::function<void(CDialog&)> script) { state().scripts.push_back(std::move(script)); }

const std::vector<int>& Seam::dialogsShown() { return state().dialogs; }

int Seam::pendingDialogScripts() { return static_cast<int>(state().scripts.size()); }

void Seam::whileWaiting(std::function<void(CDialog&)> script) { state().waiting = std::move(script); }

int Seam::waitingWindowsShown() { return state().waitingWindows; }

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

void clickListRow(CWnd& dialog, int listId, int row)
{
    auto* view = dynamic_cast<detail::ListView*>(widgetOf(dialog, listId));
    if (!view)
        throw std::logic_error("control is not a list view");
    view->listModel()->publish();
    const QModelIndex index = view->model()->index(row, 0);
    if (!index.isValid())
        throw std::logic_error("no row " + std::to_string(row));
    view->scrollTo(index);
    view->clickAt(view->visualRect(index).center());
}

void clickListEmptyArea(CWnd& dialog, int listId)
{
    auto* view = dynamic_cast<detail::ListView*>(widgetOf(dialog, listId));
    if (!view)
        throw std::logic_error("control is not a list view");
    view->listModel()->publish();
    // Below the last row; a list whose rows fill it still has no row under a point past
    // its last one.
    const QPoint below(view->viewport()->width() / 2, view->viewport()->height() - 1);
    view->clickAt(view->indexAt(below).isValid() ? QPoint(-1, -1) : below);
}

namespace {

int qtKey(Key key)
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

void sendKey(QWidget* receiver, int key, const QString& text = {}, bool autoRepeat = false)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, autoRepeat);
    QApplication::sendEvent(receiver, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text, autoRepeat);
    QApplication::sendEvent(receiver, &release);
}

}  // namespace

void pressKey(CWnd& dialog, Key key, bool autoRepeat)
{
    QWidget* target = dialog.GetSafeHwnd();
    if (!target)
        return;
    sendKey(target->focusWidget() ? target->focusWidget() : target, qtKey(key), {}, autoRepeat);
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

void pressKey(CWnd& dialog, int id, Key key)
{
    QWidget* widget = focusedControl(dialog, id);
    sendKey(widget, qtKey(key));
}

void typeKey(CWnd& dialog, int id, char character)
{
    QWidget* widget = focusedControl(dialog, id);
    const QChar c = QChar::fromLatin1(character);
    sendKey(widget, c.toUpper().unicode(), QString(c));
}

void clickCloseBox(CWnd& dialog)
{
    if (QWidget* w = dialog.GetSafeHwnd())
        w->close();
}

void mouseClick(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void processEvents() { QApplication::processEvents(); }

std::string text(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    if (qobject_cast<QLineEdit*>(widget))
        return detail::editText(widget);
    if (auto* box = qobject_cast<QComboBox*>(widget)) {
        const QByteArray bytes = box->currentIndex() >= 0 ? box->currentData().toByteArray() : QByteArray();
        return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
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
    for (int i = 0; i < box->count(); ++i) {
        const QByteArray bytes = box->itemData(i).toByteArray();
        entries.emplace_back(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
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
    auto* view = dynamic_cast<detail::ListView*>(widgetOf(dialog, id));
    std::vector<std::vector<std::string>> rows;
    if (!view)
        return rows;
    detail::ListModel* model = view->listModel();
    model->publish();
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
    auto* view = dynamic_cast<detail::ListView*>(widgetOf(dialog, id));
    if (!view)
        return -1;
    view->listModel()->publish();
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

int messageBoxEscapeAnswer(UINT type, bool* closeBox) { return detail::messageBoxEscapeAnswer(type, closeBox); }

COLORREF textColor(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    if (auto* dlg = dynamic_cast<detail::DialogWidget*>(dialog.GetSafeHwnd()))
        dlg->applyControlColors(widget);
    return fromColor(widget->palette().color(QPalette::WindowText));
}

COLORREF textBackground(CWnd& dialog, int id)
{
    QWidget* widget = widgetOf(dialog, id);
    if (auto* dlg = dynamic_cast<detail::DialogWidget*>(dialog.GetSafeHwnd()))
        dlg->applyControlColors(widget);
    return fromColor(widget->palette().color(QPalette::Window));
}

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

}  // namespace test
}  // namespace platform
