#include "CatalogueData.h"

#include <algorithm>

namespace kelvara::dbtool {

std::string formatCents(long long cents)
{
    const bool negative = cents < 0;
    const long long magnitude = negative ? -cents : cents;
    std::string fraction = std::to_string(magnitude % 100);
    if (fraction.size() < 2) {
        fraction.insert(0, 1, '0');
    }
    return (negative ? "-" : "") + std::to_string(magnitude / 100) + "." + fraction;
}

std::string fillPattern(std::string_view pattern, Random& random)
{
    static const char kLetters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ";
    std::string out;
    out.reserve(pattern.size());
    for (char c : pattern) {
        if (c == '#') {
            out += static_cast<char>('0' + random.below(10));
        } else if (c == '@') {
            out += kLetters[random.below(sizeof kLetters - 1)];
        } else {
            out += c;
        }
    }
    return out;
}

std::string kelvaraPartNumber(long long serial)
{
    return "KV-" + std::to_string(10000 + serial);
}

void fillPrices(CompressorRow& row, Random& random)
{
    static const std::vector<long long> kDeposits = {2500, 4000, 5000, 7500, 10000};
    // Jobber prices in whole five-dollar steps, as price lists tend to be.
    const long long jobber = 18900 + 500 * random.between(0, 112);
    row.jobber = formatCents(jobber);
    row.coreDeposit = formatCents(random.pick(kDeposits));
    // Net is the jobber price less a trade discount of 22 to 35 per cent, to the cent.
    const long long discount = random.between(22, 35);
    row.netPrice = formatCents((jobber * (100 - discount) + 50) / 100);
}

void fillYears(CompressorRow& row, int first, int last, Random& random)
{
    const int latestStart = std::max(first, last - 2);
    const int from = static_cast<int>(random.between(first, latestStart));
    const int to = std::min(last, from + static_cast<int>(random.between(2, 8)));
    row.yearFrom = std::to_string(from);
    row.yearTo = std::to_string(to);
}

CatalogueWriter::CatalogueWriter(Connection& db)
    : m_db(db),
      m_manufacturer(db.prepare("INSERT INTO Marki (id_marki, marka) VALUES (NULL, ?1)")),
      m_model(db.prepare(
          "INSERT INTO Modele (id_modelu, id_marki, model) VALUES (NULL, ?1, ?2)")),
      m_compressor(db.prepare(
          "INSERT INTO kompresory (id_kompresora, id_modelu, pojemnosc, od, do, typ, nr_f_s, "
          "nrkv, cena_zakl, kaucja_sku, netto) "
          "VALUES (NULL, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"))
{
}

long long CatalogueWriter::addManufacturer(std::string_view name)
{
    m_manufacturer.reset();
    m_manufacturer.bindText(1, name);
    m_manufacturer.step();
    return m_db.lastInsertId();
}

long long CatalogueWriter::addModel(long long manufacturerId, std::string_view name)
{
    m_model.reset();
    m_model.bindInteger(1, manufacturerId);
    m_model.bindText(2, name);
    m_model.step();
    return m_db.lastInsertId();
}

void CatalogueWriter::addCompressor(long long modelId, const CompressorRow& row)
{
    m_compressor.reset();
    m_compressor.bindInteger(1, modelId);
    const std::string* values[] = {&row.capacity, &row.yearFrom,     &row.yearTo,
                                   &row.type,     &row.commonPartNo, &row.partNo,
                                   &row.jobber,   &row.coreDeposit,  &row.netPrice};
    int parameter = 2;
    for (const std::string* value : values) {
        m_compressor.bindText(parameter++, *value);
    }
    m_compressor.step();
}

}  // namespace kelvara::dbtool
