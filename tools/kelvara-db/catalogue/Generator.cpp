#include "Generator.h"

#include "CatalogueData.h"
#include "CatalogueRows.h"
#include "Random.h"
#include "SampleCatalogue.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <numeric>
#include <ostream>
#include <set>
#include <stdexcept>

namespace kelvara::dbtool {

namespace {

const char* const kCarManufacturer = "Volkswagen";
const char* const kCarModel = "Golf";

// Scaling types with their share of all compressors, in per cent.
struct TypeShare {
    const char* type;
    long long percent;
};
const TypeShare kScalingTypes[] = {{"10S17C", 10}, {"7SBU16C", 20}, {"SD7V16", 40}};
const std::size_t kSearchTypeIndex = 1;

const std::vector<std::string>& otherTypes()
{
    static const std::vector<std::string> types = {
        "10P08E",  "10P13C",  "10P15C",  "10PA15C", "10PA17C", "10PA20C", "10S11C",
        "10S13C",  "10S15C",  "10S20C",  "5SE09C",  "5SE12C",  "5SER09C", "6SEU12C",
        "6SEU14C", "6SEU16C", "6SBU14C", "6SBU16C", "6SAS14C", "7SEU16C", "7SEU17C",
        "7SAS17C", "7SBH17C", "SD7V12",  "SD6V12",  "SD7H15",  "SD7H13",  "SD5H14",
        "SD5H09",  "SD7B10",  "SD6C12",  "SD7C16",  "SD508",   "SD510",   "PXE13",
        "PXE14",   "PXE16",   "PXV16",   "TRS090",  "TRS105",  "TRSE07",  "TRSE09",
        "CVC",     "V5",      "V7",      "DCP20",   "DKS17D",  "DKS15D",  "DKS13",
        "DKV14G",  "DKV10R",  "DKS17CH", "DCW17B",  "CSE613",  "CSV613",  "CWV618",
        "CR14",    "VS16",    "VS18",    "VS12",    "FS10",    "SP15",    "SP17",
        "HS15",    "HS18",    "HS20",    "HS110R",  "DVE12",   "DVE16",   "DVE18",
        "DCS17E",  "SCSA06C", "ES27C"};
    return types;
}

const std::vector<std::string>& moreManufacturers()
{
    static const std::vector<std::string> names = {
        "Skoda",      "Seat",    "Citroen",   "Mazda",   "Mitsubishi", "Subaru",
        "Suzuki",     "Chevrolet", "Chrysler", "Dodge",  "Jeep",       "Land Rover",
        "Jaguar",     "Mini",    "Alfa Romeo", "Lancia", "Dacia",      "Lexus",
        "Infiniti",   "Porsche", "Saab",      "Smart",   "SsangYong",  "Isuzu",
        "Iveco",      "Daihatsu", "Cadillac", "Buick",   "Lada",       "Tata"};
    return names;
}

const std::vector<std::string>& genericCapacities()
{
    static const std::vector<std::string> capacities = {
        "1.0",  "1.2",      "1.3",     "1.4",      "1.5 dCi", "1.6",  "1.6 HDi", "1.8",
        "1.9 TDI", "2.0",   "2.0 TDI", "2.2 CRDi", "2.4",     "2.5",  "2.8 TD",  "3.0 V6",
        "3.0 TDI", "3.5 V6"};
    return capacities;
}

const std::vector<std::string>& genericPartPatterns()
{
    static const std::vector<std::string> patterns = {
        "447220-####", "447260-####", "447180-####", "8FK 351 ###-###", "CS20###",
        "TSP0155###",  "813###",      "DCP#####",    "ACP ###",         "920.####"};
    return patterns;
}

std::string syllableName(Random& random)
{
    static const std::vector<std::string> starts = {
        "Al", "Bel", "Cor", "Dan", "Es", "Fal", "Gor", "Hal", "Ir", "Jor", "Kel", "Lor", "Mar",
        "Nor", "Or", "Pel", "Quin", "Ros", "Sol", "Tar", "Ul", "Val", "Wen", "Xan", "Yor", "Zel"};
    static const std::vector<std::string> middles = {"a", "e", "i", "o", "u", "an", "en",
                                                     "or", "ar", ""};
    static const std::vector<std::string> ends = {"ra", "mo", "tek", "via", "nix", "lon",
                                                  "dor", "sa", "tor", "vo", "ka", "ris"};
    return random.pick(starts) + random.pick(middles) + random.pick(ends);
}

std::string manufacturerName(Random& random)
{
    static const std::vector<std::string> suffixes = {"", "", "", " Motors", " Auto",
                                                      " Automotive"};
    return syllableName(random) + random.pick(suffixes);
}

std::string modelName(Random& random)
{
    static const std::vector<std::string> trims = {"GT", "Sport", "Van", "Cabrio", "Estate",
                                                   "Coupe", "Plus", "4x4"};
    switch (random.below(3)) {
    case 0:
        return fillPattern("@###", random);
    case 1:
        return syllableName(random);
    default:
        return syllableName(random) + " " + random.pick(trims);
    }
}

// A name not yet in taken; after a few tries a number makes it unique.
template <typename Make>
std::string uniqueName(std::set<std::string>& taken, Random& random, Make make)
{
    std::string name;
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = make(random);
        if (taken.insert(name).second) {
            return name;
        }
    }
    for (long long n = 2;; ++n) {
        const std::string numbered = name + " " + std::to_string(n);
        if (taken.insert(numbered).second) {
            return numbered;
        }
    }
}

// Splits total into parts proportional to weights, exactly: floors first, then the
// remainder one by one to the first parts.
std::vector<long long> apportion(long long total, const std::vector<long long>& weights)
{
    std::vector<long long> parts(weights.size(), 0);
    const long long sum = std::accumulate(weights.begin(), weights.end(), 0LL);
    if (weights.empty() || sum == 0) {
        return parts;
    }
    long long given = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        // Counts and weights are bounded by the command's limits; the product stays far
        // below the range of long long.
        parts[i] = total * weights[i] / sum;
        given += parts[i];
    }
    for (std::size_t i = 0; given < total; i = (i + 1) % parts.size()) {
        ++parts[i];
        ++given;
    }
    return parts;
}

struct PlannedModel {
    std::size_t manufacturer = 0;
    std::string name;
    int firstYear = 0;
    int lastYear = 0;
    long long compressors = 0;
};

struct Layout {
    std::vector<std::string> manufacturers;
    std::vector<PlannedModel> models;  // grouped by manufacturer, in manufacturer order
    std::vector<std::string> types;
    std::vector<long long> typeCounts;
};

// Manufacturers: the sample's real ones, more real ones, then invented names.
void layOutManufacturers(Layout& layout, std::size_t manufacturerCount, Random& random)
{
    const auto& makes = sampleMakes();
    std::set<std::string> takenManufacturers;
    for (std::size_t i = 0; i < manufacturerCount; ++i) {
        std::string name;
        if (i < makes.size()) {
            name = makes[i].name;
        } else if (i - makes.size() < moreManufacturers().size()) {
            name = moreManufacturers()[i - makes.size()];
        } else {
            name = uniqueName(takenManufacturers, random, manufacturerName);
        }
        takenManufacturers.insert(name);
        layout.manufacturers.push_back(name);
    }
}

// Models per manufacturer: one each, the rest weighted towards the real makes.
void layOutModels(Layout& layout, std::size_t modelCount, Random& random)
{
    const auto& makes = sampleMakes();
    const std::size_t manufacturerCount = layout.manufacturers.size();
    std::vector<long long> modelsPer(manufacturerCount, 0);
    if (modelCount <= manufacturerCount) {
        std::fill(modelsPer.begin(), modelsPer.begin() + static_cast<long>(modelCount), 1);
    } else {
        std::vector<long long> weights;
        for (std::size_t i = 0; i < manufacturerCount; ++i) {
            const bool real = i < makes.size() + moreManufacturers().size();
            weights.push_back(real ? 8 : random.between(1, 3));
        }
        modelsPer = apportion(static_cast<long long>(modelCount - manufacturerCount), weights);
        for (long long& n : modelsPer) {
            ++n;
        }
    }

    for (std::size_t m = 0; m < manufacturerCount; ++m) {
        std::set<std::string> taken;
        for (long long k = 0; k < modelsPer[m]; ++k) {
            PlannedModel model;
            model.manufacturer = m;
            if (m < makes.size() && static_cast<std::size_t>(k) < makes[m].models.size()) {
                const MakeModel& real = makes[m].models[static_cast<std::size_t>(k)];
                model.name = real.name;
                model.firstYear = real.firstYear;
                model.lastYear = real.lastYear;
                taken.insert(model.name);
            } else {
                model.name = uniqueName(taken, random, modelName);
                model.firstYear = static_cast<int>(random.between(1985, 2016));
                model.lastYear =
                    std::min(2024, model.firstYear + static_cast<int>(random.between(4, 12)));
            }
            layout.models.push_back(std::move(model));
        }
    }
}

// Compressors per model: 2 % in the benchmark model (the first, Volkswagen Golf), the rest
// spread with uneven weights.
void spreadCompressors(Layout& layout, long long total, Random& random)
{
    if (layout.models.size() == 1) {
        layout.models[0].compressors = total;
    } else {
        layout.models[0].compressors = total / 50;
        std::vector<long long> weights;
        for (std::size_t i = 1; i < layout.models.size(); ++i) {
            weights.push_back(random.between(1, 40));
        }
        const auto parts = apportion(total - layout.models[0].compressors, weights);
        for (std::size_t i = 1; i < layout.models.size(); ++i) {
            layout.models[i].compressors = parts[i - 1];
        }
    }
}

// Types: exact shares for the scaling types, a Zipf-like spread over the others in an order
// the seed decides.
void spreadTypes(Layout& layout, long long total, Random& random)
{
    long long assigned = 0;
    for (const TypeShare& share : kScalingTypes) {
        layout.types.push_back(share.type);
        layout.typeCounts.push_back(total * share.percent / 100);
        assigned += layout.typeCounts.back();
    }
    std::vector<std::string> others = otherTypes();
    random.shuffle(others);
    std::vector<long long> weights;
    for (std::size_t rank = 0; rank < others.size(); ++rank) {
        weights.push_back(static_cast<long long>(720720 / (rank + 1)));
    }
    const auto parts = apportion(total - assigned, weights);
    for (std::size_t i = 0; i < others.size(); ++i) {
        layout.types.push_back(others[i]);
        layout.typeCounts.push_back(parts[i]);
    }
}

// The same draws in the same order as ever, so that a seed keeps giving the same catalogue.
Layout layOut(const GenerateOptions& options, Random& random)
{
    Layout layout;
    layOutManufacturers(layout, static_cast<std::size_t>(options.manufacturers), random);
    layOutModels(layout, static_cast<std::size_t>(options.models), random);
    spreadCompressors(layout, options.compressors, random);
    spreadTypes(layout, options.compressors, random);
    return layout;
}

GenerationPlan planOf(const GenerateOptions& options, const Layout& layout)
{
    GenerationPlan plan;
    plan.options = options;
    plan.carManufacturer = layout.manufacturers[layout.models[0].manufacturer];
    plan.carModel = layout.models[0].name;
    plan.carCompressors = layout.models[0].compressors;
    for (std::size_t i = 0; i < std::size(kScalingTypes); ++i) {
        plan.scalingTypes.push_back({layout.types[i], layout.typeCounts[i]});
    }
    plan.searchType = plan.scalingTypes[kSearchTypeIndex];
    return plan;
}

void requireSensible(const GenerateOptions& options)
{
    if (options.manufacturers < 1 || options.models < 1 || options.compressors < 0) {
        throw std::invalid_argument("a catalogue needs at least one manufacturer and model");
    }
}

}  // namespace

GenerationPlan describeGeneration(const GenerateOptions& options)
{
    requireSensible(options);
    Random random(options.seed);
    return planOf(options, layOut(options, random));
}

namespace {

// The generated catalogue, row by row: nothing but the layout and the compressors' types is
// held, so twenty million compressors take no more memory than a hundred.
class GeneratedCatalogue : public CatalogueSource {
public:
    explicit GeneratedCatalogue(const GenerateOptions& options) : m_random(options.seed)
    {
        requireSensible(options);
        m_layout = layOut(options, m_random);
        // Which compressor gets which type: the exact counts, shuffled.
        m_typeOf.reserve(static_cast<std::size_t>(options.compressors));
        for (std::size_t t = 0; t < m_layout.types.size(); ++t) {
            m_typeOf.insert(m_typeOf.end(), static_cast<std::size_t>(m_layout.typeCounts[t]),
                            static_cast<unsigned short>(t));
        }
        m_random.shuffle(m_typeOf);
    }

    const Layout& layout() const { return m_layout; }
    bool hasColumnSettings() const override { return false; }

    std::unique_ptr<RowStream> rows(db::CatalogueTable table) const override
    {
        auto rows = std::make_unique<CatalogueRows>();
        if (table == db::kManufacturers) {
            for (std::size_t i = 0; i < m_layout.manufacturers.size(); ++i) {
                rows->tables[table].push_back(
                    manufacturerRow(static_cast<long long>(i) + 1, m_layout.manufacturers[i]));
            }
        } else if (table == db::kModels) {
            for (std::size_t i = 0; i < m_layout.models.size(); ++i) {
                const PlannedModel& model = m_layout.models[i];
                rows->tables[table].push_back(modelRow(static_cast<long long>(i) + 1,
                                                       static_cast<long long>(model.manufacturer) + 1,
                                                       model.name));
            }
        } else if (table == db::kCompressors) {
            return std::make_unique<Compressors>(*this);
        }
        return std::make_unique<Owned>(std::move(rows), table);
    }

private:
    // Rows of a table small enough to hold, kept with their stream.
    class Owned : public RowStream {
    public:
        Owned(std::unique_ptr<CatalogueRows> rows, db::CatalogueTable table)
            : m_rows(std::move(rows)), m_stream(m_rows->rows(table))
        {
        }
        bool next(CatalogueRow& row) override { return m_stream->next(row); }

    private:
        std::unique_ptr<CatalogueRows> m_rows;
        std::unique_ptr<RowStream> m_stream;
    };

    // Each model's compressors in turn, from the same random sequence every time.
    class Compressors : public RowStream {
    public:
        explicit Compressors(const GeneratedCatalogue& catalogue)
            : m_catalogue(catalogue), m_random(catalogue.m_random)
        {
        }
        bool next(CatalogueRow& out) override
        {
            const auto& models = m_catalogue.m_layout.models;
            while (m_model < models.size() && m_inModel == models[m_model].compressors) {
                ++m_model;
                m_inModel = 0;
            }
            if (m_model == models.size())
                return false;
            const PlannedModel& model = models[m_model];
            const auto& makes = sampleMakes();
            const bool known = model.manufacturer < makes.size();
            const auto& capacities = known ? makes[model.manufacturer].capacities : genericCapacities();
            const auto& patterns = known ? makes[model.manufacturer].partPatterns : genericPartPatterns();
            CompressorRow row;
            row.capacity = m_random.pick(capacities);
            fillYears(row, model.firstYear, model.lastYear, m_random);
            row.type = m_catalogue.m_layout.types[m_catalogue.m_typeOf[static_cast<std::size_t>(m_serial)]];
            row.commonPartNo = fillPattern(m_random.pick(patterns), m_random);
            row.partNo = kelvaraPartNumber(++m_serial);
            fillPrices(row, m_random);
            out = compressorRow(m_serial, static_cast<long long>(m_model) + 1, row);
            ++m_inModel;
            return true;
        }

    private:
        const GeneratedCatalogue& m_catalogue;
        Random m_random;
        std::size_t m_model = 0;
        long long m_inModel = 0;
        long long m_serial = 0;
    };

    Random m_random;  // as it stands once the layout and the types are decided
    Layout m_layout;
    std::vector<unsigned short> m_typeOf;
};

}  // namespace

GenerationPlan generateCatalogue(const std::string& path, const GenerateOptions& options)
{
    const GeneratedCatalogue catalogue(options);
    writeNewCatalogue(path, catalogue);
    return planOf(options, catalogue.layout());
}

void printGenerationPlan(std::ostream& out, const GenerationPlan& plan)
{
    out << "catalogue: " << plan.options.manufacturers << " manufacturers, "
        << plan.options.models << " models, " << plan.options.compressors
        << " compressors (seed " << plan.options.seed << ")\n"
        << "search by car: manufacturer \"" << plan.carManufacturer << "\", model \""
        << plan.carModel << "\": " << plan.carCompressors << " compressors\n"
        << "search by type: \"" << plan.searchType.type << "\": "
        << plan.searchType.compressors << " compressors\n"
        << "scaling types:";
    const char* separator = " ";
    for (const TypeCount& type : plan.scalingTypes) {
        out << separator << '"' << type.type << "\" " << type.compressors;
        separator = ", ";
    }
    out << '\n';
}

}  // namespace kelvara::dbtool
