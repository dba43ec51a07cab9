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

CatalogueRow manufacturerRow(long long id, std::string_view name)
{
    return {id, {std::to_string(id), std::string(name)}};
}

CatalogueRow modelRow(long long id, long long manufacturerId, std::string_view name)
{
    return {id, {std::to_string(id), std::to_string(manufacturerId), std::string(name)}};
}

CatalogueRow compressorRow(long long id, long long modelId, const CompressorRow& values)
{
    CatalogueRow row{id, {std::to_string(id), std::to_string(modelId)}};
    for (const std::string* value : values.inOrder())
        row.values.emplace_back(*value);
    return row;
}

}  // namespace kelvara::dbtool
