#include "Internal.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>

namespace platform::detail {
namespace {

// The application's style, except that a combo's list drops below it with a scroll bar
// instead of opening over it (which also ignores any height limit).
class DropDownStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle* dropDownStyle()
{
    static QPointer<DropDownStyle> style;
    const QString current = QApplication::style()->name();
    if (!style || style->baseStyle()->name() != current) {
        style = new DropDownStyle(current);
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

ComboBox::ComboBox(QWidget* parent, int templateHeight, bool integralHeight)
    : QComboBox(parent), m_templateHeight(templateHeight), m_integralHeight(integralHeight)
{
    setEditable(false);
    setStyle(dropDownStyle());
}

void ComboBox::showPopup()
{
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (popup == window() || !popup->isVisible())
        return;
    // The template's height is the combo's with its list open; the list shrinks to its
    // entries and, unless the template says otherwise, to whole entries.
    const int chrome = popup->height() - view()->viewport()->height();
    const int row = count() > 0 ? qMax(1, view()->sizeHintForRow(0)) : fontMetrics().height();
    int rows = qMax(row, m_templateHeight - height() - chrome);
    if (m_integralHeight)
        rows = qMax(row, rows - rows % row);
    rows = qMin(rows, qMax(1, count()) * row);
    const int listHeight = rows + chrome;

    const QPoint top = mapToGlobal(QPoint(0, 0));
    int y = top.y() + height();
    if (const QScreen* shown = screen()) {
        // Where the screen ends below, the list opens above, as Windows does.
        const QRect area = shown->availableGeometry();
        if (y + listHeight > area.bottom() + 1 && top.y() - listHeight >= area.top())
            y = top.y() - listHeight;
    }
    popup->setGeometry(top.x(), y, popup->width(), listHeight);
}

void GroupBox::paintEvent(QPaintEvent*)
{
    // A minimised window shows its icon alone; a frame would cut through it.
    if (window()->isMinimized())
        return;
    QPainter painter(this);
    const QFontMetrics metrics(font());
    // The frame's top line runs through the middle of the caption.
    const int top = metrics.height() / 2;
    const int w = width();
    const int h = height() - top;
    if (w < 2 || h < 2)
        return;
    if (isFlat()) {
        // Flat, as Windows draws a flat etched edge: a shadow line all round, the system's
        // button face just inside it (not the colour the dialog gives the control).
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(0, top, w - 1, h - 1);
        painter.setPen(QApplication::palette().color(QPalette::Button));
        painter.drawRect(1, top + 1, w - 3, h - 3);
    } else {
        // Etched: a shadow line with a highlight line just inside and below it.
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(0, top, w - 2, h - 2);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawRect(1, top + 1, w - 2, h - 2);
    }

    const QString caption = title();
    if (caption.isEmpty())
        return;
    const int x = metrics.averageCharWidth() + 2;
    const int textWidth = qMin(metrics.horizontalAdvance(caption), w - 2 * x);
    painter.fillRect(QRect(x - 2, 0, textWidth + 4, metrics.height()), palette().color(QPalette::Window));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(QRect(x, 0, textWidth, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
}

}  // namespace platform::detail
