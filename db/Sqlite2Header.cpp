#include "Sqlite2Header.h"

#include <cstring>
#include <fstream>

namespace kelvara::db {

const char kSqlite2HeaderText[kSqlite2HeaderSize] = "** This file contains an SQLite 2.1 database **";

bool startsAsSqlite2(const void* data, std::size_t size)
{
    return size >= kSqlite2HeaderSize && std::memcmp(data, kSqlite2HeaderText, kSqlite2HeaderSize) == 0;
}

bool isSqlite2File(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    char head[kSqlite2HeaderSize] = {};
    return in.read(head, sizeof head) && startsAsSqlite2(head, sizeof head);
}

}  // namespace kelvara::db
