// The shared globals, defined in one unit so that they are constructed in this order —
// the database session, then the three strings — and destroyed in reverse, the session
// closing the database after the strings are gone.

#include "Globals.h"

CppSQLiteSession theDb;
CString g_strCatalogue = kDefaultCatalogue;
CString g_strManufacturer;
CString g_strModel;
CString g_strCompressorId;

std::uint8_t g_bEditMode = 0;
std::unique_ptr<std::int64_t[]> g_pCompressorIds;
std::int32_t g_nCompressorCount = 0;
std::uint8_t g_bIdsAllocated = 0;
std::array<std::int32_t, 9> g_columnVisible{};

std::int32_t g_nBackRed = 66, g_nBackGreen = 125, g_nBackBlue = 214;
std::int32_t g_nTextRed = 255, g_nTextGreen = 255, g_nTextBlue = 255;

void ResetSharedState()
{
    theDb.close();
    theDb.applyBusyTimeout(CppSQLiteSession::kDefaultBusyTimeoutMs);
    theDb.setStatementTrace(nullptr);
    g_strCatalogue = kDefaultCatalogue;
    g_strManufacturer.clear();
    g_strModel.clear();
    g_strCompressorId.clear();
    g_bEditMode = 0;
    g_pCompressorIds.reset();
    g_nCompressorCount = 0;
    g_bIdsAllocated = 0;
    g_columnVisible.fill(0);
}

COLORREF BackgroundColor() { return RGB(g_nBackRed, g_nBackGreen, g_nBackBlue); }

COLORREF CaptionTextColor() { return RGB(g_nTextRed, g_nTextGreen, g_nTextBlue); }
