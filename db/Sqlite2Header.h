#pragma once

// The one test of the header every SQLite 2 database file begins with, so that such a file is
// told apart from a damaged one wherever it is met (the program, the tool, the old-file reader).

#include <cstddef>
#include <string>

namespace kelvara::db {

// The header text and its NUL: what SQLite 2 writes at the start of every file.
extern const char kSqlite2HeaderText[];
constexpr std::size_t kSqlite2HeaderSize = 48;

bool startsAsSqlite2(const void* data, std::size_t size);
// False for a file that cannot be read.
bool isSqlite2File(const std::string& path);

}  // namespace kelvara::db
