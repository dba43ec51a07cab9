#include "Internal.h"

#include "Dialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// A dialog template made into widgets: the window's frame and size, and each control placed
// in dialog units, with the wrapper the program reaches it through.

namespace platform::detail {
namespace {

DWORD buttonType(DWORD style) { return style & BS_TYPEMASK; }

// The stand-ins for the templates' Windows fonts run a little wider than the originals, so a
// one-line label sized to its text would lose its last letters, or wrap them out of sight.
// Such a label gets its font condensed just enough to keep the text whole and in place
// (labels often stand right-aligned beside their edits).
void condenseToFit(QLabel* label, const QRect& rect, bool wraps)
{
    QString visible = label->text();
    while (!visible.isEmpty() && visible.back().isSpace())
        visible.chop(1);
    QFont font = label->font();
    const QFontMetrics metrics(font);
    if (visible.isEmpty() || (wraps && rect.height() >= 2 * metrics.height()))
        return;
    const int needed = metrics.horizontalAdvance(visible);
    if (needed <= rect.width())
        return;
    constexpr int kNarrowest = 80;  // percent; beyond that the text is cut as Windows cuts it
    for (int stretch = qMax(kNarrowest, rect.width() * 100 / needed + 1); stretch >= kNarrowest; --stretch) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(visible) <= rect.width())
            break;
    }
    label->setFont(font);
}

QWidget* makeButton(const ControlTemplate& c, const QString& text, QWidget* parent)
{
    if (buttonType(c.style) == BS_GROUPBOX) {
        auto* group = new GroupBox(text, parent);
        group->setFocusPolicy(Qt::NoFocus);
        group->setFlat((c.style & BS_FLAT) != 0);
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        return group;
    }
    if (buttonType(c.style) == BS_AUTOCHECKBOX)
        return new QCheckBox(text, parent);
    auto* button = new QPushButton(text, parent);
    // Enter is handled by the dialog, as Windows' dialog manager does.
    button->setAutoDefault(false);
    button->setDefault(buttonType(c.style) == BS_DEFPUSHBUTTON);
    return button;
}

QWidget* makeStatic(const ControlTemplate& c, const QString& text, const QRect& rect, QWidget* parent)
{
    auto* label = new QLabel(parent);
    const DWORD type = c.style & SS_TYPEMASK;
    if (type == SS_BITMAP || type == SS_ICON) {
        const QPixmap pixmap = imageResource(std::stoi(c.text));
        label->setPixmap(pixmap);
        if (type == SS_BITMAP && !pixmap.isNull())
            label->resize(pixmap.size());
    } else {
        label->setText(text);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(type == SS_LEFT);
        condenseToFit(label, rect, type == SS_LEFT);
    }
    return label;
}

QWidget* makeWidget(const ControlTemplate& c, const QRect& rect, QWidget* parent, CDialog* owner)
{
    const QString text = toQt(c.text);
    switch (c.cls) {
    case ControlClass::Button:
        return makeButton(c, text, parent);
    case ControlClass::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setFrame((c.style & WS_BORDER) != 0);
        return edit;
    }
    case ControlClass::Static:
        return makeStatic(c, text, rect, parent);
    case ControlClass::ComboBox: {
        auto* box = new ComboBox(parent, rect.height(), (c.style & CBS_NOINTEGRALHEIGHT) == 0);
        QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [owner, box](int) {
            owner->Dispatch(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(controlId(box)), CBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(box));
        });
        return box;
    }
    case ControlClass::ListView: {
        auto* view = new ListView(parent, owner);
        view->setFrameShape((c.style & WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
        return view;
    }
    }
    return nullptr;
}

void place(QWidget* widget, const ControlTemplate& c, const QRect& rect, const QWidget* parent)
{
    const bool isBitmap = c.cls == ControlClass::Static && ((c.style & SS_TYPEMASK) == SS_BITMAP);
    if (isBitmap)
        widget->move(rect.topLeft());
    else if (c.cls == ControlClass::ComboBox)
        widget->setGeometry(rect.x(), rect.y(), rect.width(), widget->sizeHint().height());
    else
        widget->setGeometry(rect);
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        // The template sizes a check box for its text in the original dialog font; the
        // stand-in font and the style's indicator take more room. Show the whole text, up to
        // the dialog's edge, rather than cut it off.
        const int wanted = qMin(box->sizeHint().width(), parent->width() - rect.x());
        if (wanted > rect.width())
            box->resize(wanted, rect.height());
    }
}

// Enabled state, focus policy and the command a click sends.
void setUpInput(QWidget* widget, const ControlTemplate& c, CDialog* owner)
{
    widget->setEnabled((c.style & WS_DISABLED) == 0);

    if (c.cls != ControlClass::Static && !(c.cls == ControlClass::Button && buttonType(c.style) == BS_GROUPBOX))
        widget->setFocusPolicy((c.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    else
        widget->setFocusPolicy(Qt::NoFocus);

    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QObject::connect(button, &QAbstractButton::clicked, button, [owner, button] {
            owner->Dispatch(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(controlId(button)), BN_CLICKED),
                            reinterpret_cast<LPARAM>(button));
        });
    }
}

// Creates the widget for one template control, positioned in pixels.
QWidget* createControl(const ControlTemplate& c, QWidget* parent, CDialog* owner, const QSize& base)
{
    const QRect rect((c.x * base.width()) / 4, (c.y * base.height()) / 8, (c.cx * base.width()) / 4,
                     (c.cy * base.height()) / 8);
    QWidget* widget = makeWidget(c, rect, parent, owner);
    setControlId(widget, c.id);
    setControlTemplate(widget, c);
    place(widget, c, rect, parent);
    setUpInput(widget, c, owner);
    return widget;
}

std::unique_ptr<CWnd> wrapperFor(ControlClass cls)
{
    switch (cls) {
    case ControlClass::Button: return std::make_unique<CButton>();
    case ControlClass::Edit: return std::make_unique<CEdit>();
    case ControlClass::Static: return std::make_unique<CStatic>();
    case ControlClass::ComboBox: return std::make_unique<CComboBox>();
    case ControlClass::ListView: return std::make_unique<CListCtrl>();
    }
    return nullptr;
}

}  // namespace

QSize shapeDialogWindow(QWidget* window, const DialogTemplate& tmpl, bool owned)
{
    const QFont font = templateFont(tmpl);
    window->setFont(font);
    const QSize base = dialogBaseUnits(font);
    window->setWindowTitle(toQt(tmpl.caption));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tmpl.style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl.style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    if (tmpl.style & WS_MAXIMIZEBOX)
        flags |= Qt::WindowMaximizeButtonHint;
    if (!owned)
        flags = (flags & ~Qt::Dialog) | Qt::Window;
    window->setWindowFlags(flags);
    window->setFixedSize((tmpl.cx * base.width()) / 4, (tmpl.cy * base.height()) / 8);
    return base;
}

void buildControls(QWidget* window, const DialogTemplate& tmpl, CDialog* owner, const QSize& base,
                   std::map<int, std::unique_ptr<CWnd>>& items)
{
    installAccessibility();
    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& c : tmpl.controls) {
        QWidget* control = createControl(c, window, owner, base);
        control->installEventFilter(window);
        std::unique_ptr<CWnd> wrapper = wrapperFor(c.cls);
        wrapper->Attach(control);
        if (c.id != IDC_STATIC)
            items[c.id] = std::move(wrapper);
        if (c.style & WS_TABSTOP) {
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, control);
            previousTabStop = control;
        }
    }
    nameControls(window, tmpl);
}

}  // namespace platform::detail
