#pragma once

// The program's colour scheme as every window uses it: a blue window area and white
// captions on it (the colours themselves are the shared globals).

#include "Gdi.h"
#include "Wnd.h"

#include <initializer_list>

// Fills the whole window area of wnd, as the window rectangle in client coordinates,
// with the background colour.
void FillWithBackground(CWnd& wnd, CDC& dc);

// Whether pWnd is the same window as one of the controls.
bool IsOneOf(const CWnd* pWnd, std::initializer_list<const CWnd*> controls);

// White caption text on the background colour.
void SetCaptionColors(CDC* pDC);
