#include "Dialog.h"

#include "Internal.h"
#include "WinApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace platform::detail {
namespace {

constexpr const char* kIdProperty = "kelvaraControlId";
constexpr const char* kTemplateProperty = "kelvaraControlTemplate";
constexpr const char* kRawTextProperty = "kelvaraRawText";
constexpr const char* kRawShownProperty = "kelvaraRawShown";

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

// Creates the widget for one template control, positioned in pixels.
QWidget* createControl(const ControlTemplate& c, QWidget* parent, CDialog* owner, const QSize& base)
{
    const QRect rect((c.x * base.width()) / 4, (c.y * base.height()) / 8, (c.cx * base.width()) / 4,
                     (c.cy * base.height()) / 8);
    QWidget* widget = nullptr;
    const QString text = toQt(c.text);
    switch (c.cls) {
    case ControlClass::Button:
        if (buttonType(c.style) == BS_GROUPBOX) {
            auto* group = new GroupBox(text, parent);
            group->setFocusPolicy(Qt::NoFocus);
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            widget = group;
        } else if (buttonType(c.style) == BS_AUTOCHECKBOX) {
            widget = new QCheckBox(text, parent);
        } else {
            auto* button = new QPushButton(text, parent);
            // Enter is handled by the dialog, as Windows' dialog manager does.
            button->setAutoDefault(false);
            button->setDefault(buttonType(c.style) == BS_DEFPUSHBUTTON);
            widget = button;
        }
        break;
    case ControlClass::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setFrame((c.style & WS_BORDER) != 0);
        widget = edit;
        break;
    }
    case ControlClass::Static: {
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
        widget = label;
        break;
    }
    case ControlClass::ComboBox: {
        auto* box = new ComboBox(parent, rect.height(), (c.style & CBS_NOINTEGRALHEIGHT) == 0);
        widget = box;
        QObject::connect(box, qOverload<int>(&QComboBox::activated), box, [owner, box](int) {
            owner->Dispatch(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(controlId(box)), CBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(box));
        });
        break;
    }
    case ControlClass::ListView:
        widget = new ListView(parent, owner);
        static_cast<QFrame*>(widget)->setFrameShape((c.style & WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
        break;
    }

    setControlId(widget, c.id);
    widget->setProperty(kTemplateProperty, QVariant::fromValue(static_cast<const void*>(&c)));
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
    return widget;
}

UINT ctlColorKind(const QWidget* widget)
{
    if (qobject_cast<const QLineEdit*>(widget))
        return CTLCOLOR_EDIT;
    if (qobject_cast<const QLabel*>(widget))
        return CTLCOLOR_STATIC;
    if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QGroupBox*>(widget))
        return CTLCOLOR_STATIC;
    if (qobject_cast<const QComboBox*>(widget))
        return CTLCOLOR_LISTBOX;
    return CTLCOLOR_BTN;
}

QColor toColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

int controlId(const QWidget* widget)
{
    const QVariant id = widget ? widget->property(kIdProperty) : QVariant();
    return id.isValid() ? id.toInt() : 0;
}

void setControlId(QWidget* widget, int id) { widget->setProperty(kIdProperty, id); }

QWidget* findControl(const QWidget* dialog, int id)
{
    if (!dialog)
        return nullptr;
    for (QObject* child : dialog->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->property(kIdProperty).isValid() && controlId(widget) == id)
            return widget;
    }
    return nullptr;
}

const ControlTemplate* controlTemplate(const QWidget* widget)
{
    const QVariant v = widget ? widget->property(kTemplateProperty) : QVariant();
    return v.isValid() ? static_cast<const ControlTemplate*>(v.value<const void*>()) : nullptr;
}

std::string editText(const QWidget* edit)
{
    const auto* line = qobject_cast<const QLineEdit*>(edit);
    if (!line)
        return {};
    const QVariant shown = line->property(kRawShownProperty);
    if (shown.isValid() && shown.toString() == line->text()) {
        const QByteArray raw = line->property(kRawTextProperty).toByteArray();
        return std::string(raw.constData(), static_cast<size_t>(raw.size()));
    }
    return fromQt(line->text());
}

void setEditText(QWidget* edit, const std::string& bytes)
{
    auto* line = qobject_cast<QLineEdit*>(edit);
    if (!line)
        return;
    // A value too long to edit in one line (written by another program) shows its beginning
    // and cannot be changed here, so that it is written back exactly as it was.
    if (characterLimit(bytes, kEditableCharacters) != std::string::npos) {
        const QString shownBeginning = toQt(bytes.substr(0, characterLimit(bytes, kShownCharacters)) + kEllipsis);
        line->setText(shownBeginning);
        line->setReadOnly(true);
        line->setToolTip(QStringLiteral("This value is too long to edit here; it is kept exactly as it is."));
        line->setProperty(kRawTextProperty, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        line->setProperty(kRawShownProperty, shownBeginning);
        return;
    }
    if (line->isReadOnly() && !line->toolTip().isEmpty()) {
        line->setReadOnly(false);
        line->setToolTip({});
    }
    const QString shown = toQt(bytes);
    line->setText(shown);
    line->setProperty(kRawTextProperty, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    line->setProperty(kRawShownProperty, shown);
}

// ---- DialogWidget --------------------------------------------------------------------

DialogWidget::DialogWidget(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

void DialogWidget::finish(int result)
{
    m_ending = true;
    done(result);
    m_ending = false;
}

void DialogWidget::defaultPaint()
{
    if (m_paintEvent)
        QDialog::paintEvent(m_paintEvent);
}

void DialogWidget::paintEvent(QPaintEvent* event)
{
    if (!m_owner) {
        QDialog::paintEvent(event);
        return;
    }
    m_paintEvent = event;
    m_owner->Dispatch(WM_PAINT);
    m_paintEvent = nullptr;
    m_painter = nullptr;
}

void DialogWidget::keyPressEvent(QKeyEvent* event)
{
    if (!m_owner || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // The focused push button, else the default push button, else IDOK.
        int id = IDOK;
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled()) {
            focused->click();
            return;
        }
        for (QPushButton* button : findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (button->isDefault() && button->isEnabled()) {
                button->click();
                return;
            }
        }
        m_owner->Dispatch(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0);
        return;
    }
    case Qt::Key_Escape:
        m_owner->Dispatch(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    case Qt::Key_F1:
        m_owner->Dispatch(WM_COMMAND, MAKEWPARAM(ID_HELP, BN_CLICKED), 0);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    if (m_ending || !m_owner) {
        event->accept();
        return;
    }
    // The close box is the system command SC_CLOSE; the dialog ends only through EndDialog.
    event->ignore();
    m_owner->Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0);
}

void DialogWidget::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        update();
}

// Tab and Shift+Tab go to the next or previous enabled tab stop in template order, also
// from a control that is not a tab stop itself (the focus put there by a click).
bool DialogWidget::focusNextPrevChild(bool next)
{
    if (!m_owner)
        return QDialog::focusNextPrevChild(next);
    std::vector<QWidget*> controls;
    int current = -1;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || !controlTemplate(widget))
            continue;
        if (focusWidget() && (widget == focusWidget() || widget->isAncestorOf(focusWidget())))
            current = static_cast<int>(controls.size());
        controls.push_back(widget);
    }
    const int count = static_cast<int>(controls.size());
    const int from = current >= 0 ? current : (next ? -1 : count);
    for (int step = 1; step <= count; ++step) {
        QWidget* candidate = controls[static_cast<size_t>(((from + (next ? step : -step)) % count + count) % count)];
        if (candidate->focusPolicy() == Qt::StrongFocus && candidate->isEnabled() && candidate->isVisibleTo(this)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

bool DialogWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint || event->type() == QEvent::Polish) {
        if (auto* control = qobject_cast<QWidget*>(watched))
            applyControlColors(control);
    }
    return QDialog::eventFilter(watched, event);
}

void DialogWidget::applyControlColors(QWidget* control)
{
    if (!m_owner)
        return;
    CWnd* wnd = m_owner->GetDlgItem(controlId(control));
    if (!wnd)
        return;
    CDC dc;
    CtlColorArgs args{&dc, wnd, ctlColorKind(control)};
    m_owner->Dispatch(WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&args));

    // Text colours apply to every control that draws text on the dialog's background; the
    // text background fills captions and labels. Edits and push buttons keep the platform's
    // look, as they do on Windows once themed.
    const bool onBackground = args.ctlType == CTLCOLOR_STATIC;
    if (!onBackground)
        return;
    QPalette palette = control->palette();
    const QPalette before = palette;
    if (dc.textColor()) {
        palette.setColor(QPalette::WindowText, toColor(*dc.textColor()));
        // Group box titles are drawn in the style's label colour, taken from Text.
        if (qobject_cast<QGroupBox*>(control))
            palette.setColor(QPalette::Text, toColor(*dc.textColor()));
    }
    if (dc.bkColor()) {
        palette.setColor(QPalette::Window, toColor(*dc.bkColor()));
        palette.setColor(QPalette::Button, toColor(*dc.bkColor()));
        if (qobject_cast<QLabel*>(control) || qobject_cast<QCheckBox*>(control))
            control->setAutoFillBackground(true);
    }
    if (palette != before)
        control->setPalette(palette);
}

}  // namespace platform::detail

using platform::detail::DialogWidget;

// ---- CDialog -------------------------------------------------------------------------

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

    const QFont font = platform::detail::templateFont(*tmpl);
    widget->setFont(font);
    const QSize base = platform::detail::dialogBaseUnits(font);
    widget->setWindowTitle(platform::detail::toQt(tmpl->caption));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tmpl->style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (tmpl->style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    if (tmpl->style & WS_MAXIMIZEBOX)
        flags |= Qt::WindowMaximizeButtonHint;
    if (!parentWidget)
        flags = (flags & ~Qt::Dialog) | Qt::Window;
    widget->setWindowFlags(flags);
    widget->setFixedSize((tmpl->cx * base.width()) / 4, (tmpl->cy * base.height()) / 8);

    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& c : tmpl->controls) {
        QWidget* control = platform::detail::createControl(c, widget, this, base);
        control->installEventFilter(widget);
        std::unique_ptr<CWnd> wrapper;
        switch (c.cls) {
        case ControlClass::Button:
            wrapper = std::make_unique<CButton>();
            break;
        case ControlClass::Edit:
            wrapper = std::make_unique<CEdit>();
            break;
        case ControlClass::Static:
            wrapper = std::make_unique<CStatic>();
            break;
        case ControlClass::ComboBox:
            wrapper = std::make_unique<CComboBox>();
            break;
        case ControlClass::ListView:
            wrapper = std::make_unique<CListCtrl>();
            break;
        }
        wrapper->Attach(control);
        if (c.id != IDC_STATIC)
            m_items[c.id] = std::move(wrapper);
        if (c.style & WS_TABSTOP) {
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, control);
            previousTabStop = control;
        }
    }
    platform::detail::nameControls(widget, *tmpl);
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
        if (platform::detail::seamRunsDialogs())
            platform::detail::seamDialogShown(*this);
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
