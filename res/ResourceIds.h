#pragma once

// Resource ids of the catalogue: dialog templates, strings, icon, bitmap and controls.

// Templates, strings and images.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_CATALOG_DIALOG = 102;
constexpr int IDD_ADD_MANUFACTURER = 103;
constexpr int IDR_MAINFRAME = 128;  // the application icon
constexpr int IDB_COMPRESSOR = 141;  // the picture at the top right of the main window
constexpr int IDD_ADD_MODEL = 142;
constexpr int IDD_COMPRESSOR = 143;
constexpr int IDD_COLUMNS = 144;
constexpr int IDD_LOCK_WAIT = 145;  // "waiting for the catalogue"

// The system command that opens the About box.
constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Main window.
constexpr int IDC_MANUFACTURER_LIST = 1002;
constexpr int IDC_SEARCH_TYPE = 1003;
constexpr int IDC_FIND_COMPRESSORS = 1004;
constexpr int IDC_RESULTS = 1005;
constexpr int IDC_GROUP_BY_TYPE = 1006;
constexpr int IDC_MODEL_LIST = 1009;
constexpr int IDC_BANNER_COMPANY = 1010;
constexpr int IDC_BANNER_ADDRESS = 1011;
constexpr int IDC_BANNER_TOWN = 1012;
constexpr int IDC_BANNER_CONTACT = 1013;
constexpr int IDC_GROUP_BY_MANUFACTURERS = 1014;
constexpr int IDC_ADD_MANUFACTURER = 1015;
constexpr int IDC_REMOVE_MANUFACTURER = 1016;
constexpr int IDC_ADD_MODEL = 1017;
constexpr int IDC_REMOVE_MODEL = 1018;
constexpr int IDC_ADD_COMPRESSOR = 1019;
constexpr int IDC_EDIT_COMPRESSOR = 1020;
constexpr int IDC_REMOVE_COMPRESSOR = 1021;
constexpr int IDC_GROUP_MANUFACTURER = 1041;
constexpr int IDC_GROUP_MODEL = 1042;
constexpr int IDC_SET_VISIBLE_COLUMNS = 1054;

// "Add manufacturer" and "Add car model".
constexpr int IDC_NAME = 1022;

// The compressor dialog: edits, then their labels.
constexpr int IDC_PART_NO = 1010;
constexpr int IDC_CAPACITY = 1023;
constexpr int IDC_YEAR_FROM = 1024;
constexpr int IDC_YEAR_TO = 1025;
constexpr int IDC_TYPE = 1026;
constexpr int IDC_COMMON_PART_NO = 1027;
constexpr int IDC_JOBBER = 1029;
constexpr int IDC_CORE_DEPOSIT = 1030;
constexpr int IDC_NET_PRICE = 1031;
constexpr int IDC_LABEL_CAPACITY = 1032;
constexpr int IDC_LABEL_YEAR_FROM = 1033;
constexpr int IDC_LABEL_YEAR_TO = 1034;
constexpr int IDC_LABEL_TYPE = 1035;
constexpr int IDC_LABEL_COMMON_PART_NO = 1036;
constexpr int IDC_LABEL_PART_NO = 1037;
constexpr int IDC_LABEL_JOBBER = 1038;
constexpr int IDC_LABEL_CORE_DEPOSIT = 1039;
constexpr int IDC_LABEL_NET_PRICE = 1040;

// "Visible Columns": one check box per result column, in column order.
constexpr int IDC_SHOW_MANUFACTURER = 1045;
constexpr int IDC_SHOW_CAPACITY = 1046;
constexpr int IDC_SHOW_YEARS = 1047;
constexpr int IDC_SHOW_TYPE = 1048;
constexpr int IDC_SHOW_COMMON_PART_NO = 1049;
constexpr int IDC_SHOW_PART_NO = 1050;
constexpr int IDC_SHOW_JOBBER = 1051;
constexpr int IDC_SHOW_CORE_DEPOSIT = 1052;
constexpr int IDC_SHOW_NET_PRICE = 1053;

// The window shown while a statement waits for another program's lock.
constexpr int IDC_WAIT_TEXT = 1060;
constexpr int IDC_WAIT_SECONDS = 1061;

namespace res {
// Registers the templates, strings and images with the window framework. Call once.
void RegisterResources();
}
