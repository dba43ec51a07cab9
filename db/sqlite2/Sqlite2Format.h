// Internal to the SQLite 2 reader: the on-disk layout it relies on and the small helpers
// its units share. Not for use outside db/sqlite2/.
#pragma once

#include "Sqlite2Reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvara::sqlite2::detail {

constexpr std::size_t PageSize = Database::PageSize;
constexpr std::size_t PageHeaderSize = 8;
constexpr std::size_t CellHeaderSize = 12;
constexpr std::size_t MaxLocalPayload = 236;
constexpr std::size_t OverflowSlot = CellHeaderSize + MaxLocalPayload;  // 248
constexpr std::size_t OverflowCellSize = OverflowSlot + 4;             // 252
constexpr std::size_t OverflowPageData = PageSize - 4;
constexpr std::size_t MaxCellOffset = PageSize - 16;
constexpr std::size_t TableKeySize = 4;
constexpr std::size_t MaxRecordSize = 1048576;
constexpr std::size_t UsablePageBytes = PageSize - PageHeaderSize;  // 1016
constexpr std::uint32_t MaxFreeLeavesPerTrunk = (PageSize - 8) / 4;  // 254

constexpr std::uint32_t MasterRoot = 2;
constexpr std::size_t MasterFields = 5;

[[noreturn]] void corrupt(std::uint32_t page, const std::string& detail);

std::string inQuotes(std::string_view name);

// ASCII only, as SQLite 2 compares names.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The rowid of a table key or of the tail of an index key.
std::int32_t rowidFromKey(const std::uint8_t* key);

}  // namespace kelvara::sqlite2::detail
