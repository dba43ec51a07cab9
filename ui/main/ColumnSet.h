#pragma once

// The nine possible result columns, in their fixed order. A column exists when its
// g_columnVisible flag is 1 and then takes the next free list position, so the visible
// columns are packed from position 0.

#include <array>

struct ResultColumn {
    const char* title;
    int width;
};

constexpr std::array<ResultColumn, 9> kResultColumns{{
    {"Manufacturer - Model", 180},
    {"Engine capacity", 100},
    {"Model year from - to", 120},
    {"Compressor type", 100},
    {"Common part #", 100},
    {"Kelvara part #", 100},
    {"Kelvara Jobber $", 100},
    {"Core deposit", 80},
    {"Net price", 80},
}};

// Reads the kolumny row into g_columnVisible: a column is shown only when its text is
// exactly "1". A kolumny without its row is an error, as the settings are then missing.
void ReadColumnFlags();
