#include "Internal.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace platform::detail {
namespace {

// A label as Windows reads it for a name: mnemonic markers and a trailing colon go.
QString labelName(const QString& text)
{
    QString name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                name += text[++i];
            continue;
        }
        name += text[i];
    }
    name = name.trimmed();
    if (name.endsWith(u':'))
        name = name.chopped(1).trimmed();
    return name;
}

// Qt names a drop-down list on Linux by its selection and leaves the label to relations;
// a screen reader then announces the selection twice and never the label. This one is
// named like every other control, with the selection as its value.
class ComboBoxAccessible final : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QComboBox* box() const { return static_cast<QComboBox*>(object()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->view()->isVisible();
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction()) {
            if (box()->view()->isVisible())
                box()->hidePopup();
            else
                box()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* accessibleFactory(const QString&, QObject* object)
{
    if (auto* box = dynamic_cast<ComboBox*>(object))
        return new ComboBoxAccessible(box);
    return nullptr;
}

bool isLabel(const QWidget* widget)
{
    if (qobject_cast<const QGroupBox*>(widget))
        return true;
    const auto* label = qobject_cast<const QLabel*>(widget);
    return label && !label->text().isEmpty();
}

QString labelText(const QWidget* widget)
{
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    return static_cast<const QLabel*>(widget)->text();
}

// The label a sighted operator reads for a control: a label on its row to its left, else
// the innermost group box around it, else the nearest label before it in template order.
// The last is Windows' own rule; the first two keep it right where a template lists its
// labels apart from their controls.
const QWidget* labelFor(const QWidget* control, const std::vector<QWidget*>& controls)
{
    const QRect r = control->geometry();
    const QWidget* onRow = nullptr;
    const QWidget* around = nullptr;
    const QWidget* before = nullptr;
    bool passed = false;
    for (const QWidget* w : controls) {
        if (w == control)
            passed = true;
        if (!isLabel(w))
            continue;
        const QRect l = w->geometry();
        if (qobject_cast<const QLabel*>(w) && l.right() < r.left() && l.top() <= r.bottom() && l.bottom() >= r.top() &&
            (!onRow || l.right() > onRow->geometry().right()))
            onRow = w;
        if (qobject_cast<const QGroupBox*>(w) && l.contains(r) &&
            (!around || l.width() * l.height() < around->width() * around->height()))
            around = w;
        if (!passed)
            before = w;
    }
    return onRow ? onRow : (around ? around : before);
}

}  // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)installed;
}

void nameControls(QWidget* dialog, const DialogTemplate& tmpl)
{
    std::vector<QWidget*> controls;
    for (QObject* child : dialog->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget && controlTemplate(widget))
            controls.push_back(widget);
    }
    for (QWidget* control : controls) {
        const ControlTemplate& c = *controlTemplate(control);
        if (c.cls != ControlClass::Edit && c.cls != ControlClass::ComboBox && c.cls != ControlClass::ListView)
            continue;
        // A list view's template text is a placeholder nobody sees; the dialog that has no
        // label for its list names it itself.
        const QWidget* label = labelFor(control, controls);
        const QString name = label ? labelName(labelText(label)) : QString();
        control->setAccessibleName(name.isEmpty() ? toQt(tmpl.caption) : name);
    }
}

}  // namespace platform::detail
