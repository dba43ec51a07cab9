#pragma once

// Drawing: rectangles, device contexts, fonts and icons.

#include "Afx.h"

#include <memory>
#include <optional>
#include <string>

class QPainter;
class QFont;
class CWnd;

struct CPoint {
    int x = 0;
    int y = 0;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// A device context. Outside painting it only records the colours a WM_CTLCOLOR handler
// chooses; inside a paint it draws on the window.
class CDC {
public:
    CDC() = default;
    explicit CDC(QPainter* painter) : m_painter(painter) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() = default;

    COLORREF SetBkColor(COLORREF color);
    COLORREF SetTextColor(COLORREF color);
    void FillSolidRect(const CRect& rect, COLORREF color);
    BOOL DrawIcon(int x, int y, HICON icon);

    std::optional<COLORREF> bkColor() const { return m_bkColor; }
    std::optional<COLORREF> textColor() const { return m_textColor; }
    // Platform use: the handle a paint message carries.
    QPainter* painter() const { return m_painter; }

protected:
    QPainter* m_painter = nullptr;

private:
    std::optional<COLORREF> m_bkColor;
    std::optional<COLORREF> m_textColor;
};

// The device context of one WM_PAINT: valid only inside the window's paint handler.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;

private:
    std::unique_ptr<QPainter> m_ownPainter;
};

constexpr int DEFAULT_CHARSET = 1;
constexpr int OUT_TT_PRECIS = 4;
constexpr int CLIP_DEFAULT_PRECIS = 0;
constexpr int DEFAULT_QUALITY = 0;
constexpr int DEFAULT_PITCH = 0;
constexpr int FF_DONTCARE = 0;
constexpr int FW_NORMAL = 400;

// A font object; empty until created.
class CFont {
public:
    CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;
    ~CFont();

    // The usual logical-font arguments; height > 0 is the character cell height in pixels.
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, unsigned char italic,
                    unsigned char underline, unsigned char strikeOut, unsigned char charSet, unsigned char outPrecision,
                    unsigned char clipPrecision, unsigned char quality, unsigned char pitchAndFamily, const char* faceName);
    bool IsEmpty() const { return !m_font; }
    void DeleteObject();
    const QFont* font() const { return m_font.get(); }

private:
    std::unique_ptr<QFont> m_font;
};
