#include "Gdi.h"

#include "Internal.h"
#include "Wnd.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

namespace {

QColor toColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}

COLORREF CDC::SetBkColor(COLORREF color)
{
    const COLORREF previous = m_bkColor.value_or(RGB(255, 255, 255));
    m_bkColor = color;
    if (m_painter)
        m_painter->setBackground(toColor(color));
    return previous;
}

COLORREF CDC::SetTextColor(COLORREF color)
{
    const COLORREF previous = m_textColor.value_or(RGB(0, 0, 0));
    m_textColor = color;
    if (m_painter)
        m_painter->setPen(toColor(color));
    return previous;
}

void CDC::FillSolidRect(const CRect& rect, COLORREF color)
{
    if (m_painter)
        m_painter->fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), toColor(color));
}

BOOL CDC::DrawIcon(int x, int y, HICON icon)
{
    if (!m_painter || !icon)
        return FALSE;
    const QPixmap pixmap = platform::detail::imageResource(icon->id);
    if (pixmap.isNull())
        return FALSE;
    m_painter->drawPixmap(x, y, pixmap);
    return TRUE;
}

CPaintDC::CPaintDC(CWnd* wnd)
{
    auto* widget = dynamic_cast<platform::detail::DialogWidget*>(wnd ? wnd->GetSafeHwnd() : nullptr);
    if (widget && widget->inPaint()) {
        if (QPainter* current = widget->currentPainter()) {
            m_painter = current;
        } else {
            m_ownPainter = std::make_unique<QPainter>(widget);
            m_painter = m_ownPainter.get();
            widget->setCurrentPainter(m_painter);
        }
    }
}

CPaintDC::~CPaintDC()
{
    if (m_ownPainter) {
        if (auto* widget = dynamic_cast<platform::detail::DialogWidget*>(m_ownPainter->device()))
            widget->setCurrentPainter(nullptr);
        m_ownPainter->end();
    }
}

CFont::CFont() = default;
CFont::~CFont() = default;

BOOL CFont::CreateFont(int height, int width, int, int, int weight, unsigned char italic, unsigned char underline,
                       unsigned char strikeOut, unsigned char, unsigned char, unsigned char, unsigned char,
                       unsigned char, const char* faceName)
{
    auto font = std::make_unique<QFont>(platform::detail::toQt(faceName));
    // Windows weights (400 normal, 700 bold) are Qt 6's scale; 0 is "don't care".
    font->setWeight(weight <= 0 ? QFont::Normal : static_cast<QFont::Weight>(qBound(1, weight, 1000)));
    font->setItalic(italic != 0);
    font->setUnderline(underline != 0);
    font->setStrikeOut(strikeOut != 0);
    if (height != 0) {
        // A positive height is the cell height (ascent plus descent), a negative one the
        // character height; Qt sizes by the character height.
        const int wanted = height > 0 ? height : -height;
        font->setPixelSize(wanted);
        if (height > 0) {
            const int cell = QFontMetrics(*font).height();
            if (cell > 0)
                font->setPixelSize(qMax(1, wanted * wanted / cell));
        }
    }
    if (width > 0)
        font->setStretch(QFont::Unstretched);
    m_font = std::move(font);
    return TRUE;
}

void CFont::DeleteObject() { m_font.reset(); }
