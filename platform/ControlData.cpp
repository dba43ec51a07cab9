#include "Internal.h"

#include <QLineEdit>

// What a template control's widget carries beside its Qt state: its id, its template, and
// for an edit the exact bytes the program last put in it.

namespace platform::detail {
namespace {

constexpr const char* kIdProperty = "kelvaraControlId";
constexpr const char* kTemplateProperty = "kelvaraControlTemplate";
constexpr const char* kRawTextProperty = "kelvaraRawText";
constexpr const char* kRawShownProperty = "kelvaraRawShown";

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

void setControlTemplate(QWidget* widget, const ControlTemplate& c)
{
    widget->setProperty(kTemplateProperty, QVariant::fromValue(static_cast<const void*>(&c)));
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
    // A value longer than the line edit holds (written by another program) would be cut by
    // it; it shows its beginning and cannot be changed here, so that it is written back
    // exactly as it was. (A UTF-16 unit takes one to four bytes: a megabyte is not
    // converted just to be measured.)
    const auto limit = static_cast<std::size_t>(line->maxLength());
    const QString shown = bytes.size() <= 4 * limit ? toQt(bytes) : QString();
    if (bytes.size() > 4 * limit || static_cast<std::size_t>(shown.size()) > limit) {
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
    line->setText(shown);
    line->setProperty(kRawTextProperty, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    line->setProperty(kRawShownProperty, shown);
}

}  // namespace platform::detail
