#pragma once

// Dialog templates, icons and bitmaps as data. res/ describes the catalogue's resources
// with these types and registers them; platform/ builds windows from them.

#include "Afx.h"

#include <string>
#include <vector>

// Window and control styles (the values Windows gives them, so templates read as usual).
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;  // in a window's own style
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;  // in a window's own style
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_3DLOOK = 0x4;

constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_LEFT = 0x100;
constexpr DWORD BS_NOTIFY = 0x4000;
constexpr DWORD BS_FLAT = 0x8000;

constexpr DWORD ES_AUTOHSCROLL = 0x80;

constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD SS_LEFTNOWORDWRAP = 0xC;
constexpr DWORD SS_BITMAP = 0xE;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_NOPREFIX = 0x80;

constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD CBS_AUTOHSCROLL = 0x40;
constexpr DWORD CBS_SORT = 0x100;
constexpr DWORD CBS_NOINTEGRALHEIGHT = 0x400;

constexpr DWORD LVS_REPORT = 0x1;
constexpr DWORD LVS_SINGLESEL = 0x4;
constexpr DWORD LVS_SHOWSELALWAYS = 0x8;
constexpr DWORD LVS_AUTOARRANGE = 0x100;

constexpr DWORD WS_EX_TRANSPARENT = 0x20;
constexpr DWORD WS_EX_APPWINDOW = 0x40000;

enum class ControlClass { Button, Edit, Static, ComboBox, ListView };

struct ControlTemplate {
    int id;
    ControlClass cls;
    std::string text;  // for SS_ICON / SS_BITMAP statics: the resource id in decimal
    int x, y, cx, cy;  // dialog units
    DWORD style;
    DWORD exStyle = 0;
};

struct DialogTemplate {
    int id;
    std::string caption;
    int cx, cy;  // dialog units
    DWORD style;
    DWORD exStyle;
    std::string fontFace;
    int fontPointSize;
    std::vector<ControlTemplate> controls;
};

namespace platform {

// Registration, done once at start-up by the resource module.
void RegisterDialogTemplate(DialogTemplate tmpl);
void RegisterImage(int id, std::string qtResourcePath);  // icons and bitmaps
void RegisterString(int id, std::string text);

const DialogTemplate* FindDialogTemplate(int id);
const std::string* FindString(int id);

}  // namespace platform
