#include "ResourceIds.h"

#include "Resources.h"

namespace res {
namespace {

using C = ControlClass;

constexpr const char* kDialogFont = "MS Sans Serif";
constexpr int kDialogFontSize = 8;

DialogTemplate aboutBox()
{
    return {IDD_ABOUTBOX, "About Kelvara", 235, 55, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0,
            kDialogFont, kDialogFontSize,
            {
                {IDC_STATIC, C::Static, "128", 11, 17, 20, 20, SS_ICON},
                {IDC_STATIC, C::Static, "Kelvara Version 1.0", 40, 10, 119, 8, SS_LEFT | SS_NOPREFIX | WS_GROUP},
                {IDC_STATIC, C::Static, "Car A/C compressor catalogue", 40, 25, 119, 8, SS_LEFT | WS_GROUP},
                {IDOK, C::Button, "OK", 178, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP},
            }};
}

DialogTemplate catalogDialog()
{
    return {IDD_CATALOG_DIALOG, "Kelvara", 514, 351,
            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_MODALFRAME | DS_3DLOOK |
                WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
            WS_EX_APPWINDOW, kDialogFont, kDialogFontSize,
            {
                {IDC_MODEL_LIST, C::ComboBox, "", 23, 181, 143, 145,
                 CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_DISABLED},
                {IDC_MANUFACTURER_LIST, C::ComboBox, "", 23, 148, 143, 103,
                 CBS_DROPDOWNLIST | WS_VSCROLL | CBS_AUTOHSCROLL | CBS_NOINTEGRALHEIGHT},
                {IDC_SEARCH_TYPE, C::Edit, "", 348, 148, 143, 12, WS_BORDER | ES_AUTOHSCROLL},
                {IDC_FIND_COMPRESSORS, C::Button, "Find compressors", 347, 181, 143, 12, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_RESULTS, C::ListView, "List1", 7, 215, 500, 106,
                 WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE},
                {IDC_BANNER_COMPANY, C::Static, "Kelvara Parts", 22, 7, 214, 26, SS_LEFTNOWORDWRAP | WS_GROUP},
                {IDC_BANNER_ADDRESS, C::Static, "1420 Frostline Avenue", 81, 46, 93, 8, SS_LEFTNOWORDWRAP | WS_GROUP},
                {IDC_BANNER_TOWN, C::Static, "Lakeport, MI 48059", 96, 63, 66, 8, SS_LEFT | WS_GROUP},
                {IDC_BANNER_CONTACT, C::Static, "Tel. 555-0142  Fax 555-0143", 79, 80, 99, 8,
                 SS_LEFTNOWORDWRAP | WS_GROUP},
                {IDC_GROUP_BY_TYPE, C::Button, "Search by compressor type", 319, 124, 188, 84, BS_GROUPBOX | BS_LEFT,
                 WS_EX_TRANSPARENT},
                {IDC_GROUP_BY_MANUFACTURERS, C::Button, "Search by manufacturers", 7, 124, 289, 84,
                 BS_GROUPBOX | BS_LEFT | BS_FLAT | BS_NOTIFY | WS_GROUP, WS_EX_TRANSPARENT},
                {IDC_STATIC, C::Static, "141", 322, 7, 155, 116, SS_BITMAP},
                {IDC_ADD_MANUFACTURER, C::Button, "Add", 175, 147, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_REMOVE_MANUFACTURER, C::Button, "Remove", 233, 147, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_ADD_MODEL, C::Button, "Add", 176, 181, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_REMOVE_MODEL, C::Button, "Remove", 234, 181, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_ADD_COMPRESSOR, C::Button, "Add compressor", 7, 330, 96, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_EDIT_COMPRESSOR, C::Button, "Edit compressor", 141, 330, 96, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_REMOVE_COMPRESSOR, C::Button, "Remove compressor", 275, 330, 96, 14,
                 BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_GROUP_MANUFACTURER, C::Button, "Select manufacturer", 13, 137, 277, 28, BS_GROUPBOX,
                 WS_EX_TRANSPARENT},
                {IDC_GROUP_MODEL, C::Button, "Select car model", 13, 172, 277, 28, BS_GROUPBOX, WS_EX_TRANSPARENT},
                {IDC_SET_VISIBLE_COLUMNS, C::Button, "Set visible columns", 409, 330, 96, 14,
                 BS_PUSHBUTTON | WS_TABSTOP},
            }};
}

DialogTemplate addManufacturer()
{
    return {IDD_ADD_MANUFACTURER, "Add manufacturer", 177, 50, WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0,
            kDialogFont, kDialogFontSize,
            {
                {IDOK, C::Button, "OK", 15, 25, 50, 14, BS_PUSHBUTTON},
                {IDCANCEL, C::Button, "Cancel", 95, 27, 50, 14, BS_PUSHBUTTON},
                {IDC_NAME, C::Edit, "", 7, 7, 163, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
            }};
}

DialogTemplate addModel()
{
    return {IDD_ADD_MODEL, "Add car model", 186, 57, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0,
            kDialogFont, kDialogFontSize,
            {
                {IDOK, C::Button, "OK", 7, 34, 77, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
                {IDCANCEL, C::Button, "Cancel", 100, 34, 77, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_NAME, C::Edit, "", 7, 7, 172, 14, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
            }};
}

DialogTemplate compressor()
{
    constexpr DWORD label = SS_LEFTNOWORDWRAP;
    constexpr DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    return {IDD_COMPRESSOR, "Add compressor", 186, 178, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0,
            kDialogFont, kDialogFontSize,
            {
                {IDOK, C::Button, "Save", 7, 155, 76, 14, BS_PUSHBUTTON},
                {IDCANCEL, C::Button, "Cancel", 105, 155, 76, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_LABEL_CAPACITY, C::Static, "Engine capacity:", 26, 10, 52, 8, label},
                {IDC_CAPACITY, C::Edit, "", 91, 7, 88, 14, edit},
                {IDC_LABEL_YEAR_FROM, C::Static, "Model year from:", 27, 26, 51, 8, label},
                {IDC_LABEL_YEAR_TO, C::Static, "Model year to:", 34, 41, 44, 8, label},
                {IDC_LABEL_TYPE, C::Static, "Compressor type:", 25, 56, 53, 8, label},
                {IDC_LABEL_COMMON_PART_NO, C::Static, "Common part #:", 28, 71, 50, 8, SS_LEFT},
                {IDC_LABEL_PART_NO, C::Static, "Kelvara part #", 30, 87, 48, 8, label},
                {IDC_LABEL_JOBBER, C::Static, "Kelvara Jobber $:", 20, 103, 58, 8, label},
                {IDC_LABEL_CORE_DEPOSIT, C::Static, "Core deposit:", 37, 119, 41, 8, label},
                {IDC_LABEL_NET_PRICE, C::Static, "Net price:  ", 47, 135, 31, 8, label},
                {IDC_YEAR_FROM, C::Edit, "", 91, 23, 88, 14, edit},
                {IDC_YEAR_TO, C::Edit, "", 91, 38, 88, 14, edit},
                {IDC_TYPE, C::Edit, "", 91, 53, 88, 14, edit},
                {IDC_COMMON_PART_NO, C::Edit, "", 91, 68, 88, 14, edit},
                {IDC_PART_NO, C::Edit, "", 91, 84, 88, 14, edit},
                {IDC_JOBBER, C::Edit, "", 91, 100, 88, 14, edit},
                {IDC_CORE_DEPOSIT, C::Edit, "", 91, 116, 88, 14, edit},
                {IDC_NET_PRICE, C::Edit, "", 91, 132, 88, 14, edit},
            }};
}

DialogTemplate columns()
{
    constexpr DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    return {IDD_COLUMNS, "Visible Columns", 153, 183, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0,
            kDialogFont, kDialogFontSize,
            {
                {IDOK, C::Button, "OK", 15, 161, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
                {IDCANCEL, C::Button, "Cancel", 96, 162, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
                {IDC_SHOW_MANUFACTURER, C::Button, "Car manufacturer and model", 7, 7, 101, 8, check},
                {IDC_SHOW_CAPACITY, C::Button, "Engine capacity", 7, 24, 63, 8, check},
                {IDC_SHOW_YEARS, C::Button, "Production years", 7, 41, 65, 8, check},
                {IDC_SHOW_TYPE, C::Button, "Compressor type", 7, 58, 64, 8, check},
                {IDC_SHOW_COMMON_PART_NO, C::Button, "Common part #", 7, 74, 60, 8, check},
                {IDC_SHOW_PART_NO, C::Button, "Kelvara part #", 7, 92, 61, 8, check},
                {IDC_SHOW_JOBBER, C::Button, "Jobber $", 7, 109, 40, 8, check},
                {IDC_SHOW_CORE_DEPOSIT, C::Button, "Core deposit", 7, 126, 52, 8, check},
                {IDC_SHOW_NET_PRICE, C::Button, "Net price", 7, 143, 41, 8, check},
            }};
}

DialogTemplate lockWait()
{
    return {IDD_LOCK_WAIT, "Kelvara", 220, 74, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, kDialogFont,
            kDialogFontSize,
            {
                {IDC_STATIC, C::Static, "128", 7, 7, 20, 20, SS_ICON},
                {IDC_WAIT_TEXT, C::Static, "Waiting for the catalogue.", 36, 7, 177, 34, SS_LEFT},
                {IDC_WAIT_SECONDS, C::Static, "", 36, 45, 120, 8, SS_LEFT | SS_NOPREFIX},
                {IDCANCEL, C::Button, "Cancel", 163, 53, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
            }};
}

}  // namespace

void RegisterResources()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    platform::RegisterDialogTemplate(aboutBox());
    platform::RegisterDialogTemplate(catalogDialog());
    platform::RegisterDialogTemplate(addManufacturer());
    platform::RegisterDialogTemplate(addModel());
    platform::RegisterDialogTemplate(compressor());
    platform::RegisterDialogTemplate(columns());
    platform::RegisterDialogTemplate(lockWait());
    platform::RegisterString(IDS_ABOUTBOX, "&About Kelvara...");
    platform::RegisterImage(IDR_MAINFRAME, ":/res/art/icon128.png");
    platform::RegisterImage(IDB_COMPRESSOR, ":/res/art/bitmap141.png");
}

}  // namespace res
