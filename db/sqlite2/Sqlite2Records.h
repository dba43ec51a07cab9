// Internal to the SQLite 2 reader: the rows of table trees and the entries of index trees.
#pragma once

#include "Sqlite2Tree.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara::sqlite2::detail {

// Reads every row of a table tree; rowidColumn gets the rowid from the key.
std::vector<Row> readTree(TreeWalker& walker, std::uint32_t root, std::string_view tableName,
                          std::size_t columnCount, int rowidColumn);

// An index as sqlite_master lists it.
struct IndexDefinition {
    std::string name;
    std::uint32_t root = 0;
    std::string table;
    std::optional<std::string> sql;
};

// Walks one index tree and checks it against its table's rows (in rowid order).
void checkIndex(TreeWalker& walker, const IndexDefinition& index, const Table& table,
                const std::vector<Row>& rows);

}  // namespace kelvara::sqlite2::detail
