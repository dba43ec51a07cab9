#pragma once

// The catalogue's four tables as every program knows them: names, columns in table order,
// and the compressor row. The statement texts, kelvara-db and the tests all read them here.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace kelvara::db {

struct TableDescription {
    const char* name;                  // as the statements write it
    const char* key;                   // the id column, or "rowid" for a table without one
    std::vector<std::string> columns;  // every column, the id first where there is one
    bool keyIsId() const { return columns.front() == key; }
};

enum CatalogueTable : std::size_t { kManufacturers, kModels, kCompressors, kColumnSettings, kTableCount };

// Marki, Modele, kompresory, kolumny.
const std::array<TableDescription, kTableCount>& catalogueTables();

// kompresory's nine values after its two ids, in table order. One struct for every use:
// texts or SQL numbers as typed (std::string), or values that may be NULL.
template <class Value>
struct CompressorFields {
    Value capacity;      // pojemnosc
    Value yearFrom;      // od
    Value yearTo;        // do
    Value type;          // typ
    Value commonPartNo;  // nr_f_s
    Value partNo;        // nrkv
    Value jobber;        // cena_zakl
    Value coreDeposit;   // kaucja_sku
    Value netPrice;      // netto

    std::array<const Value*, 9> inOrder() const
    {
        return {&capacity, &yearFrom, &yearTo, &type, &commonPartNo, &partNo, &jobber, &coreDeposit, &netPrice};
    }
};

// Where the nine values start among kompresory's columns, and where the three prices start.
constexpr std::size_t kFirstCompressorValue = 2;
constexpr std::size_t kFirstPriceColumn = 8;

// Column names as a statement lists them, each double-quoted: "do" is reserved on the server,
// and both engines read a quoted lower-case name as the column.
std::string quotedColumnList(const std::vector<std::string>& columns);

// kolumny's nine flags, in the result list's column order.
constexpr std::size_t kColumnFlagCount = 9;
extern const std::array<const char*, kColumnFlagCount> kColumnFlagNames;

}  // namespace kelvara::db
