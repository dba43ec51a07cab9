#pragma once

// Every statement the catalogue issues, composed in one place.
//
// An ordinary value gives exactly the historical statement text. A value that the plain
// quoting could not carry — one containing the enclosing quote, or one that a double-quoted
// token would read as a column (any column of the four tables, or rowid/oid/_rowid_, in any
// case) — is written as a standard single-quoted literal instead, inner single quotes
// doubled, so that it can never change what a statement selects, inserts or deletes.
// On a server every text value is the standard literal (a double-quoted token names a
// column there); the functions that carry texts take the open catalogue's dialect.
// Bare values (ids, prices) are accepted only as plain SQL numbers; anything else is
// refused with StatementRefused before a text is composed.

#include "CatalogueTables.h"
#include "Dialect.h"

#include <array>
#include <stdexcept>
#include <string>

namespace kelvara::sql {

// A value a statement cannot carry. field() names the value ("Net price", "compressor id"…);
// what() is a sentence for the operator that starts with it, e.g.
// "Net price must be a plain number such as 12 or 12.50". Texts are refused only when they
// hold a NUL character.
class StatementRefused : public std::invalid_argument {
public:
    StatementRefused(std::string field, const std::string& why);
    const std::string& field() const { return m_field; }

private:
    std::string m_field;
};

// The nine compressor values in table order, as typed (texts) or as SQL numbers (prices,
// written bare).
using CompressorValues = db::CompressorFields<std::string>;

// --- value checks -------------------------------------------------------------------
// An unsigned or signed decimal number as SQL reads it: digits with an optional fraction
// and exponent ("12", "-3", "12.50", ".5", "1e3"). No blanks, commas, hex or words, and
// nothing too large for a double ("1e999"), which SQL would store as Inf.
bool isPlainSqlNumber(const std::string& text);
// A decimal integer, optionally signed ("17", "-2").
bool isPlainSqlInteger(const std::string& text);

// A price, as the compressor dialog and kelvara-db both take one: a plain number of at most
// kMaxPriceLength characters that is 0 or lies, sign aside, in [10^kMinPriceExponent,
// 10^kMaxPriceExponent). A file keeps it as typed or as the double the dialog writes (15
// significant digits), a server as numeric; neither overflows or turns it into 0.
constexpr std::size_t kMaxPriceLength = 32;
constexpr int kMinPriceExponent = -20;
constexpr int kMaxPriceExponent = 15;
// What keeps text from being a price ("is not a plain number", "is too large: ..."), or an
// empty text for a price.
std::string priceFault(const std::string& text);

// --- the column settings ------------------------------------------------------------
constexpr int kColumnCount = static_cast<int>(db::kColumnFlagCount);
using db::kColumnFlagNames;

std::string selectColumnFlags();
std::string updateColumnFlag(int index, bool visible);

// --- manufacturers and models -------------------------------------------------------
std::string selectManufacturers();
std::string modelsOfManufacturer(const std::string& manufacturer);
std::string countModelsOfManufacturer(Dialect dialect, const std::string& manufacturer);
std::string deleteManufacturer(Dialect dialect, const std::string& manufacturer);
std::string countCompressorsOfModel(Dialect dialect, const std::string& model);
std::string deleteModel(Dialect dialect, const std::string& model);
std::string insertManufacturer(Dialect dialect, const std::string& manufacturer);
std::string manufacturerIdByName(Dialect dialect, const std::string& manufacturer);
std::string insertModel(Dialect dialect, const std::string& manufacturerId, const std::string& model);
std::string modelIdByName(Dialect dialect, const std::string& model, const std::string& manufacturerId);

// --- compressors --------------------------------------------------------------------
std::string insertCompressor(Dialect dialect, const std::string& modelId, const CompressorValues& values);
std::string updateCompressor(Dialect dialect, const CompressorValues& values, const std::string& compressorId);
// On the server, the first row only: the statement joins nothing, and the rest of its cross
// product would be built and sent for nothing.
std::string loadCompressor(Dialect dialect, const std::string& compressorId);
std::string countCompressorsOfType(Dialect dialect, const std::string& upperType);
std::string compressorsOfType(Dialect dialect, const std::string& upperType);
std::string countCompressorsOfCar(Dialect dialect, const std::string& manufacturer, const std::string& model);
std::string compressorsOfCar(Dialect dialect, const std::string& manufacturer, const std::string& model);
std::string deleteCompressor(const std::string& compressorId);
// One compressor as the catalogue holds it now, by its id bound to $1: the columns of
// CurrentField. A compressor whose model is gone still comes back, its names NULL. With
// lockRow the server locks the row until the transaction ends (a file's write transaction
// already keeps every other writer out).
std::string currentCompressor(Dialect dialect, bool lockRow);
enum CurrentField { kCurrentManufacturer, kCurrentModel, kCurrentModelId, kCurrentFirstValue };

// Result columns of 17 and 19, numbered from 0.
enum ResultField {
    kFieldId, kFieldManufacturer, kFieldModel, kFieldCapacity, kFieldYearFrom, kFieldYearTo,
    kFieldType, kFieldCommonPartNo, kFieldPartNo, kFieldJobber, kFieldCoreDeposit, kFieldNetPrice,
    kResultFieldCount
};

}  // namespace kelvara::sql
