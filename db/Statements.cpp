#include "Statements.h"

#include <algorithm>

#include <stdexcept>
#include <utility>

namespace kelvara::sql {

namespace {

// Field names as the operator knows them (the compressor dialog's labels).
constexpr const char* kManufacturerField = "Manufacturer";
constexpr const char* kModelField = "Model";
constexpr const char* kCapacityField = "Engine capacity";
constexpr const char* kYearFromField = "Model year from";
constexpr const char* kYearToField = "Model year to";
constexpr const char* kTypeField = "Compressor type";
constexpr const char* kCommonPartNoField = "Common part #";
constexpr const char* kPartNoField = "Kelvara part #";
constexpr const char* kJobberField = "Kelvara Jobber $";
constexpr const char* kCoreDepositField = "Core deposit";
constexpr const char* kNetPriceField = "Net price";
constexpr const char* kCompressorIdField = "compressor id";
constexpr const char* kModelIdField = "model id";
constexpr const char* kManufacturerIdField = "manufacturer id";

// Besides the columns of the four tables, a double-quoted token can resolve to the implicit
// row id. SQLite folds only ASCII letters when it compares names, and so do we.
constexpr const char* kRowIdNames[] = {"rowid", "oid", "_rowid_"};

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(const std::string& text, const char* name)
{
    std::size_t i = 0;
    for (; i < text.size() && name[i] != '\0'; ++i) {
        if (asciiLower(text[i]) != name[i])
            return false;
    }
    return i == text.size() && name[i] == '\0';
}

bool namesAColumn(const std::string& value)
{
    for (const db::TableDescription& table : db::catalogueTables()) {
        for (const std::string& column : table.columns) {
            if (equalsIgnoringAsciiCase(value, column.c_str()))
                return true;
        }
    }
    for (const char* name : kRowIdNames) {
        if (equalsIgnoringAsciiCase(value, name))
            return true;
    }
    return false;
}

void requireNoNul(const std::string& value, const char* field)
{
    // A statement is handed over as a C string: a NUL would silently cut it short.
    if (value.find('\0') != std::string::npos)
        throw StatementRefused(field, "cannot contain a NUL character");
}

std::string singleQuoted(const std::string& value)
{
    std::string out;
    out.reserve(value.size() + 2);
    out += '\'';
    for (char c : value) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

// In a catalogue file, the historical double-quoted text whenever it can only mean that
// text; otherwise, and always on a server (where a double-quoted token is a name), the
// standard literal.
std::string textValue(Dialect dialect, const std::string& value, const char* field)
{
    requireNoNul(value, field);
    if (dialect != Dialect::sqlite || value.find('"') != std::string::npos || namesAColumn(value))
        return singleQuoted(value);
    return '"' + value + '"';
}

const std::string& numberValue(const std::string& value, const char* field)
{
    if (!isPlainSqlNumber(value))
        throw StatementRefused(field, "must be a plain number such as 12 or 12.50");
    return value;
}

const std::string& idValue(const std::string& value, const char* field)
{
    if (!isPlainSqlInteger(value))
        throw StatementRefused(field, "must be a whole number");
    return value;
}

// "do" is a reserved word in PostgreSQL: as an insert's or update's target column (where
// no table name qualifies it) the server's text quotes it, which names the same column.
const char* yearToColumn(Dialect dialect)
{
    return dialect == Dialect::postgres ? "\"do\"" : "do";
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(const std::string& text, std::size_t i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

std::size_t skipSign(const std::string& text, std::size_t i)
{
    return (i < text.size() && (text[i] == '+' || text[i] == '-')) ? i + 1 : i;
}

const char* const kCountPrefix =
    "select count(*) from kompresory, modele, marki "
    "where kompresory.id_modelu = modele.id_modelu and modele.id_marki = marki.id_marki ";

const char* const kRowPrefix =
    "select kompresory.id_kompresora, marki.marka, modele.model, kompresory.pojemnosc, "
    "kompresory.od, kompresory.do, kompresory.typ, kompresory.nr_f_s, kompresory.nrkv, "
    "kompresory.cena_zakl, kompresory.kaucja_sku, kompresory.netto "
    "from kompresory, modele, marki "
    "where kompresory.id_modelu = modele.id_modelu and modele.id_marki = marki.id_marki ";

// A file lists rows the statement leaves unordered in id order, and keeps an edited row
// in its place; a server returns them as its storage happens to hold them. The server's
// text asks for the file's order.
std::string idTieBreak(Dialect dialect, const char* lead)
{
    return dialect == Dialect::postgres ? std::string(lead) + "kompresory.id_kompresora" : std::string();
}

std::string typeCondition(Dialect dialect, const std::string& upperType, bool counting)
{
    const std::string condition = "and kompresory.typ = " + textValue(dialect, upperType, kTypeField);
    // PostgreSQL refuses to order one aggregate row by columns it does not group by; the
    // order cannot change a count, so the server's text leaves it out.
    if (counting && dialect == Dialect::postgres)
        return condition + ";";
    return condition + " order by marki.marka DESC, modele.model DESC" + idTieBreak(dialect, ", ") + ";";
}

std::string carCondition(Dialect dialect, const std::string& manufacturer, const std::string& model, bool counting)
{
    return "and marki.marka = " + textValue(dialect, manufacturer, kManufacturerField)
           + " and modele.model = " + textValue(dialect, model, kModelField)
           + (counting ? std::string() : idTieBreak(dialect, " order by ")) + ";";
}

}  // namespace

StatementRefused::StatementRefused(std::string field, const std::string& why)
    : std::invalid_argument(field + " " + why), m_field(std::move(field))
{
}

bool isPlainSqlNumber(const std::string& text)
{
    std::size_t i = skipSign(text, 0);
    const std::size_t integerStart = i;
    i = skipDigits(text, i);
    const std::size_t integerEnd = i;
    std::size_t mantissaDigits = i - integerStart;
    std::size_t fractionStart = i;
    std::size_t fractionEnd = i;
    if (i < text.size() && text[i] == '.') {
        fractionStart = ++i;
        i = skipDigits(text, i);
        fractionEnd = i;
        mantissaDigits += i - fractionStart;
    }
    if (mantissaDigits == 0)
        return false;
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const bool negative = text[i + 1 < text.size() ? i + 1 : i] == '-';
        i = skipSign(text, i + 1);
        const std::size_t exponentStart = i;
        i = skipDigits(text, i);
        if (i == exponentStart)
            return false;
        // Far beyond any number of digits a text can hold; the rest cannot matter.
        constexpr long long kSaturated = 1'000'000'000'000'000LL;
        for (std::size_t d = exponentStart; d < i && exponent < kSaturated; ++d)
            exponent = exponent * 10 + (text[d] - '0');
        if (negative)
            exponent = -exponent;
    }
    if (i != text.size())
        return false;

    // SQLite reads a literal too large for a double ("1e999", 400 digits) as Inf, which
    // reads back as the text "Inf" that is no number at all: such a value is refused too.
    // It is too large when it is at least the midpoint between the largest double and
    // 2^1024 (from there a double rounds to Inf). Compare the significant digits with it.
    static const char kOverflow[] =
        "17976931348623158079372897140530341507993413271003782693617377898044496829276475094664901797758720709633028"
        "64166928879109465555478519404026306574886715058206819089020007083836762738548458177115317644757302700698555"
        "71366959622842914819860834936475292719074168444365510704342711559699508093042880177904174497792";
    constexpr long long kOverflowExponent = 308;  // kOverflow is 1.797…e308
    std::string digits = text.substr(integerStart, integerEnd - integerStart);
    digits.append(text, fractionStart, fractionEnd - fractionStart);
    const std::size_t firstSignificant = digits.find_first_not_of('0');
    if (firstSignificant == std::string::npos)
        return true;  // zero
    const long long magnitude =
        static_cast<long long>(integerEnd - integerStart) - 1 - static_cast<long long>(firstSignificant) + exponent;
    if (magnitude != kOverflowExponent)
        return magnitude < kOverflowExponent;
    const std::size_t length = std::max(digits.size() - firstSignificant, sizeof kOverflow - 1);
    for (std::size_t d = 0; d < length; ++d) {
        const std::size_t at = firstSignificant + d;
        const char mine = at < digits.size() ? digits[at] : '0';
        const char limit = d < sizeof kOverflow - 1 ? kOverflow[d] : '0';
        if (mine != limit)
            return mine < limit;
    }
    return false;  // exactly the midpoint, which rounds to Inf
}

bool isPlainSqlInteger(const std::string& text)
{
    const std::size_t start = skipSign(text, 0);
    const std::size_t end = skipDigits(text, start);
    return end > start && end == text.size();
}

std::string priceFault(const std::string& text)
{
    // The syntax of isPlainSqlNumber; its bound (a double's) lies far beyond a price's.
    const std::size_t integerStart = skipSign(text, 0);
    const std::size_t integerEnd = skipDigits(text, integerStart);
    std::string digits = text.substr(integerStart, integerEnd - integerStart);
    std::size_t i = integerEnd;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionEnd = skipDigits(text, i + 1);
        digits.append(text, i + 1, fractionEnd - i - 1);
        i = fractionEnd;
    }
    long long exponent = 0;
    bool plain = !digits.empty();
    if (plain && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const bool negative = i + 1 < text.size() && text[i + 1] == '-';
        const std::size_t exponentStart = skipSign(text, i + 1);
        i = skipDigits(text, exponentStart);
        plain = i > exponentStart;
        // Saturated: only its order matters here.
        for (std::size_t d = exponentStart; d < i && exponent < 1'000'000; ++d)
            exponent = exponent * 10 + (text[d] - '0');
        exponent = negative ? -exponent : exponent;
    }
    if (!plain || i != text.size())
        return "is not a plain number";
    if (text.size() > kMaxPriceLength)
        return "is longer than " + std::to_string(kMaxPriceLength) + " characters";
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return {};  // zero
    // The power of ten of the first significant digit.
    const long long magnitude =
        static_cast<long long>(integerEnd - integerStart) - 1 - static_cast<long long>(first) + exponent;
    if (magnitude >= kMaxPriceExponent)
        return "is too large: a price is less than 10^" + std::to_string(kMaxPriceExponent);
    if (magnitude < kMinPriceExponent)
        return "is too small: a price other than 0 is at least 10^" + std::to_string(kMinPriceExponent);
    return {};
}

std::string selectColumnFlags()
{
    return "select manufacturer, capacity, year, type, common, kelvara, jobber, deposit, price "
           "from kolumny";
}

std::string updateColumnFlag(int index, bool visible)
{
    if (index < 0 || index >= kColumnCount)
        throw std::out_of_range("column flag index out of range");
    return std::string("Update kolumny set ") + kColumnFlagNames[static_cast<std::size_t>(index)]
           + (visible ? " = 1" : " = 0");
}

std::string selectManufacturers()
{
    return "select marka from marki order by id_marki;";
}

std::string modelsOfManufacturer(const std::string& manufacturer)
{
    requireNoNul(manufacturer, kManufacturerField);
    // singleQuoted() brings its own quotes, which are exactly the statement's.
    return "select modele.model from marki, modele where marki.id_marki = modele.id_marki "
           "and marki.marka = "
           + singleQuoted(manufacturer) + " order by modele.model;";
}

std::string countModelsOfManufacturer(Dialect dialect, const std::string& manufacturer)
{
    return "select count(*) from modele,marki where modele.id_marki = marki.id_marki "
           "and marki.marka = "
           + textValue(dialect, manufacturer, kManufacturerField) + ";";
}

std::string deleteManufacturer(Dialect dialect, const std::string& manufacturer)
{
    return "delete from Marki where marka = " + textValue(dialect, manufacturer, kManufacturerField) + ";";
}

std::string countCompressorsOfModel(Dialect dialect, const std::string& model)
{
    return "select count(*) from modele,kompresory where modele.id_modelu = kompresory.id_modelu "
           "and modele.model = "
           + textValue(dialect, model, kModelField) + ";";
}

std::string deleteModel(Dialect dialect, const std::string& model)
{
    return "delete from Modele where model = " + textValue(dialect, model, kModelField) + ";";
}

std::string insertManufacturer(Dialect dialect, const std::string& manufacturer)
{
    return "insert into Marki(id_marki, marka) values ( NULL, "
           + textValue(dialect, manufacturer, kManufacturerField) + ");";
}

std::string manufacturerIdByName(Dialect dialect, const std::string& manufacturer)
{
    return "select id_marki from marki where marka = "
           + textValue(dialect, manufacturer, kManufacturerField) + ";";
}

std::string insertModel(Dialect dialect, const std::string& manufacturerId, const std::string& model)
{
    return "insert into Modele(id_modelu, id_marki, model) values ( NULL, "
           + idValue(manufacturerId, kManufacturerIdField) + "," + textValue(dialect, model, kModelField)
           + ");";
}

std::string modelIdByName(Dialect dialect, const std::string& model, const std::string& manufacturerId)
{
    // No blank before "and": the closing quote already ends the token.
    return "select id_modelu from modele where model = " + textValue(dialect, model, kModelField)
           + "and id_marki = " + idValue(manufacturerId, kManufacturerIdField) + ";";
}

std::string insertCompressor(Dialect dialect, const std::string& modelId, const CompressorValues& values)
{
    return std::string("insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, ")
           + yearToColumn(dialect)
           + ", typ, nr_f_s, nrkv, cena_zakl, kaucja_sku, netto) values(NULL,"
           + idValue(modelId, kModelIdField) + ", " + textValue(dialect, values.capacity, kCapacityField)
           + "," + textValue(dialect, values.yearFrom, kYearFromField) + ","
           + textValue(dialect, values.yearTo, kYearToField) + "," + textValue(dialect, values.type, kTypeField)
           + "," + textValue(dialect, values.commonPartNo, kCommonPartNoField) + ","
           + textValue(dialect, values.partNo, kPartNoField) + ","
           + numberValue(values.jobber, kJobberField) + ","
           + numberValue(values.coreDeposit, kCoreDepositField) + ","
           + numberValue(values.netPrice, kNetPriceField) + ");";
}

std::string updateCompressor(Dialect dialect, const CompressorValues& values, const std::string& compressorId)
{
    return "update kompresory set pojemnosc = " + textValue(dialect, values.capacity, kCapacityField)
           + ", od = " + textValue(dialect, values.yearFrom, kYearFromField)
           + ", " + yearToColumn(dialect) + " = " + textValue(dialect, values.yearTo, kYearToField)
           + ", typ = " + textValue(dialect, values.type, kTypeField)
           + ", nr_f_s = " + textValue(dialect, values.commonPartNo, kCommonPartNoField)
           + ", nrkv = " + textValue(dialect, values.partNo, kPartNoField)
           + ", cena_zakl = " + numberValue(values.jobber, kJobberField)
           + ", kaucja_sku = " + numberValue(values.coreDeposit, kCoreDepositField)
           + ", netto = " + numberValue(values.netPrice, kNetPriceField)
           + " where id_kompresora = " + idValue(compressorId, kCompressorIdField) + ";";
}

std::string loadCompressor(Dialect dialect, const std::string& compressorId)
{
    // A server reads the first row only. A constant limit of 1 would have its planner find
    // that row by reading every compressor (the unjoined tables promise millions of rows, so
    // a scan looks as good as stopped at once); one it cannot read is planned for a tenth of
    // the rows, and the compressor is found by its key.
    return "select kompresory.pojemnosc, kompresory.od, kompresory.do, "
           "kompresory.typ, kompresory.nr_f_s, kompresory.nrkv, kompresory.cena_zakl, "
           "kompresory.kaucja_sku, kompresory.netto "
           "from kompresory, modele, marki "
           "where kompresory.id_kompresora = "
           + idValue(compressorId, kCompressorIdField) + (dialect == Dialect::postgres ? " limit (select 1);" : ";");
}

std::string countCompressorsOfType(Dialect dialect, const std::string& upperType)
{
    return kCountPrefix + typeCondition(dialect, upperType, true);
}

std::string compressorsOfType(Dialect dialect, const std::string& upperType)
{
    return kRowPrefix + typeCondition(dialect, upperType, false);
}

std::string countCompressorsOfCar(Dialect dialect, const std::string& manufacturer, const std::string& model)
{
    return kCountPrefix + carCondition(dialect, manufacturer, model, true);
}

std::string compressorsOfCar(Dialect dialect, const std::string& manufacturer, const std::string& model)
{
    return kRowPrefix + carCondition(dialect, manufacturer, model, false);
}

std::string deleteCompressor(const std::string& compressorId)
{
    return "delete from kompresory where id_kompresora = "
           + idValue(compressorId, kCompressorIdField) + ";";
}

std::string currentCompressor(Dialect dialect, bool lockRow)
{
    return std::string("select marki.marka, modele.model, kompresory.id_modelu, kompresory.pojemnosc, kompresory.od, "
                       "kompresory.do, kompresory.typ, kompresory.nr_f_s, kompresory.nrkv, kompresory.cena_zakl, "
                       "kompresory.kaucja_sku, kompresory.netto from kompresory "
                       "left join modele on modele.id_modelu = kompresory.id_modelu "
                       "left join marki on marki.id_marki = modele.id_marki "
                       "where kompresory.id_kompresora = $1")
           + (lockRow && dialect == Dialect::postgres ? " for update of kompresory" : "");
}

}  // namespace kelvara::sql
