#pragma once

// The state the main window and the entry dialogs share. Each is written and read where
// its comment says; all live for the whole run.

#include "Afx.h"
#include "CString.h"
#include "CppSQLiteSession.h"

#include <array>
#include <cstdint>
#include <memory>

// The catalogue connection: opened on g_strCatalogue by the main window, closed at exit.
extern CppSQLiteSession theDb;
// The catalogue to open: "database.db" in the current folder, or what --catalogue named
// (another file, or a PostgreSQL connection string).
extern CString g_strCatalogue;
constexpr const char* kDefaultCatalogue = "database.db";

// The selected manufacturer and model names, handed to the entry dialogs.
extern CString g_strManufacturer;
extern CString g_strModel;
// The decimal id of the result row last clicked, or empty when none is selected.
extern CString g_strCompressorId;
// 1: the compressor dialog edits g_strCompressorId; 0: it adds a compressor.
extern std::uint8_t g_bEditMode;

// The ids of the rows the result list shows, in the order the row query returned them:
// entry k holds the id of query row k, and g_nCompressorCount is the number of rows listed
// (list row i has its id at [g_nCompressorCount - i - 1]), also after a search that failed
// half-way. Ids are SQLite's 64-bit row ids, kept exactly.
extern std::unique_ptr<std::int64_t[]> g_pCompressorIds;
extern std::int32_t g_nCompressorCount;
extern std::uint8_t g_bIdsAllocated;

// Which of the nine result columns exist, in column order: 1 shown, 0 hidden.
extern std::array<std::int32_t, 9> g_columnVisible;

// The colour scheme: window background and caption text.
extern std::int32_t g_nBackRed, g_nBackGreen, g_nBackBlue;
extern std::int32_t g_nTextRed, g_nTextGreen, g_nTextBlue;

// Puts the shared state back as it is at program start: the catalogue closed (time-out
// 60000 ms, no trace), the catalogue "database.db", strings empty, flags and counts 0, no id array. Tests and the
// benchmark open one main window after another in one process.
void ResetSharedState();

COLORREF BackgroundColor();
COLORREF CaptionTextColor();
