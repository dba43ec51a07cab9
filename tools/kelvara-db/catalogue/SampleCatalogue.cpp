#include "SampleCatalogue.h"

#include "CatalogueData.h"
#include "Random.h"

namespace kelvara::dbtool {

const std::vector<MakeProfile>& sampleMakes()
{
    static const std::vector<MakeProfile> makes = {
        {"Volkswagen",
         {{"Golf", 1991, 2020}, {"Passat", 1996, 2014}, {"Polo", 1994, 2017},
          {"Transporter", 2003, 2015}},
         {"1.2 TSI", "1.4", "1.4 TSI", "1.6", "1.9 TDI", "2.0 TDI", "2.0 FSI"},
         {"7SEU17C", "6SEU14C", "7SBU16C", "PXE16", "6SBU14C"},
         {"1K0820###@", "5N0820###@", "7H0820###@", "6Q0820###@"}},
        {"Ford",
         {{"Focus", 1998, 2018}, {"Fiesta", 1995, 2017}, {"Mondeo", 1996, 2014},
          {"Transit", 2000, 2019}},
         {"1.25", "1.4 TDCi", "1.6", "1.8 TDCi", "2.0", "2.2 TDCi", "2.4 TDCi"},
         {"VS16", "FS10", "DCS17E", "SP15", "7SBU16C"},
         {"1S7H-19D629-@@", "3M5H-19D629-@@", "6G91-19D629-@@", "YC1H-19D629-@@"}},
        {"Toyota",
         {{"Corolla", 1997, 2018}, {"Yaris", 1999, 2020}, {"RAV4", 2000, 2018},
          {"Avensis", 1997, 2018}},
         {"1.0", "1.3", "1.4", "1.6 VVT-i", "1.8", "2.0 D-4D", "2.2 D-4D"},
         {"10S17C", "6SEU14C", "5SE12C", "7SEU17C", "6SBU14C"},
         {"88310-0D###", "88320-0F###", "447220-####", "88310-42###"}},
        {"Renault",
         {{"Clio", 1998, 2019}, {"Megane", 1999, 2016}, {"Laguna", 2001, 2015},
          {"Scenic", 1999, 2016}},
         {"1.2 16V", "1.4 16V", "1.5 dCi", "1.6 16V", "1.9 dCi", "2.0 16V"},
         {"SD7V16", "SD6V12", "DKS17D", "CSE613", "DCW17B"},
         {"8200######", "7700######", "7711######"}},
        {"Peugeot",
         {{"206", 1998, 2012}, {"307", 2001, 2008}, {"308", 2007, 2021}, {"407", 2004, 2011}},
         {"1.1", "1.4", "1.6 HDi", "1.6 THP", "2.0", "2.0 HDi"},
         {"SD7V16", "SD6V12", "SD7C16", "SD7H15"},
         {"6453@@", "9655######", "9646######"}},
        {"Opel",
         {{"Astra", 1998, 2015}, {"Corsa", 2000, 2019}, {"Vectra", 2002, 2008},
          {"Insignia", 2008, 2017}},
         {"1.3 CDTI", "1.4", "1.6", "1.7 CDTI", "1.9 CDTI", "2.0 CDTI"},
         {"CVC", "V5", "SD7V16", "6SEU14C", "DKS15D"},
         {"13######", "24######", "68#####"}},
        {"BMW",
         {{"3 Series", 1998, 2019}, {"5 Series", 1995, 2017}, {"X3", 2003, 2017},
          {"1 Series", 2004, 2019}},
         {"1.6i", "2.0d", "2.0i", "2.5i", "3.0d", "3.0i"},
         {"7SBU16C", "6SEU14C", "7SEU17C", "6SBU14C"},
         {"64526######", "64529######", "64509######"}},
        {"Mercedes-Benz",
         {{"C-Class", 2000, 2021}, {"E-Class", 2002, 2016}, {"Sprinter", 2000, 2018},
          {"A-Class", 1997, 2018}},
         {"1.6", "1.8 Kompressor", "2.0", "2.1 CDI", "2.2 CDI", "3.0 CDI"},
         {"7SEU17C", "6SEU14C", "7SBU16C", "6SBU16C", "7SAS17C"},
         {"A00223#####", "A00123#####", "A00023#####"}},
        {"Audi",
         {{"A3", 1996, 2020}, {"A4", 1995, 2015}, {"A6", 1997, 2018}, {"Q5", 2008, 2016}},
         {"1.6", "1.8 T", "2.0 TDI", "2.0 TFSI", "2.7 TDI", "3.0 TDI"},
         {"7SEU16C", "6SEU14C", "7SEU17C", "PXE16", "7SBU16C"},
         {"8E0260805@@", "4F0260805@@", "8K0260805@", "1K0820859@"}},
        {"Honda",
         {{"Civic", 1995, 2021}, {"Accord", 1998, 2015}, {"CR-V", 2002, 2018},
          {"Jazz", 2002, 2020}},
         {"1.3", "1.4 i-VTEC", "1.6", "1.8 i-VTEC", "2.0", "2.2 i-CTDi"},
         {"TRSE07", "TRS090", "HS110R", "10S17C", "TRSE09"},
         {"38810-@@@-@##", "38800-@@@-@##"}},
        {"Nissan",
         {{"Qashqai", 2007, 2021}, {"Micra", 2003, 2017}, {"X-Trail", 2001, 2019},
          {"Navara", 2005, 2015}},
         {"1.2", "1.5 dCi", "1.6", "2.0", "2.0 dCi", "2.5 dCi"},
         {"CWV618", "DKS17D", "DKV14G", "CSE613", "CR14"},
         {"92600-@@###", "92600-JD##@", "92600-EB###"}},
        {"Hyundai",
         {{"i30", 2007, 2020}, {"Tucson", 2004, 2020}, {"Santa Fe", 2000, 2018},
          {"i20", 2008, 2020}},
         {"1.2", "1.4", "1.6 CRDi", "2.0 CRDi", "2.2 CRDi", "2.7 V6"},
         {"VS16", "HS15", "HS18", "DVE16", "DVE12"},
         {"97701-2@###", "97701-3@###", "97701-1H###"}},
        {"Kia",
         {{"Sportage", 2004, 2021}, {"Ceed", 2007, 2018}, {"Rio", 2005, 2017},
          {"Sorento", 2002, 2020}},
         {"1.4", "1.6", "1.6 CRDi", "2.0 CRDi", "2.2 CRDi", "2.5 CRDi"},
         {"HS15", "HS18", "VS16", "DVE12", "DVE16"},
         {"97701-1@###", "97701-2K###", "97701-3W###"}},
        {"Fiat",
         {{"Punto", 1999, 2018}, {"Panda", 2003, 2020}, {"Ducato", 2002, 2021},
          {"Doblo", 2001, 2015}},
         {"1.2", "1.3 Multijet", "1.4", "1.9 JTD", "2.3 Multijet", "2.8 JTD"},
         {"5SE09C", "SD7V16", "7SBU16C", "SD5H14", "6SEU12C"},
         {"5171####", "5160####", "5181####"}},
        {"Volvo",
         {{"XC90", 2002, 2014}, {"V70", 2000, 2016}, {"S60", 2000, 2018}, {"XC60", 2008, 2017}},
         {"2.0 D", "2.0 T", "2.4", "2.4 D5", "2.5 T", "3.2"},
         {"DKS17D", "V5", "SD7V16", "10S17C"},
         {"3#######", "8708###", "36######"}},
    };
    return makes;
}

CatalogueRows sampleCatalogue()
{
    Random random(20240601);
    CatalogueRows sample;
    sample.columnSettings = false;
    auto& manufacturers = sample.tables[db::kManufacturers];
    auto& models = sample.tables[db::kModels];
    auto& compressors = sample.tables[db::kCompressors];
    for (const MakeProfile& make : sampleMakes()) {
        const long long manufacturerId = static_cast<long long>(manufacturers.size()) + 1;
        manufacturers.push_back(manufacturerRow(manufacturerId, make.name));
        for (const MakeModel& model : make.models) {
            const long long modelId = static_cast<long long>(models.size()) + 1;
            models.push_back(modelRow(modelId, manufacturerId, model.name));
            for (std::size_t i = 0; i < kSampleCompressorsPerModel; ++i) {
                const long long id = static_cast<long long>(compressors.size()) + 1;
                CompressorRow row;
                row.capacity = random.pick(make.capacities);
                fillYears(row, model.firstYear, model.lastYear, random);
                row.type = random.pick(make.types);
                row.commonPartNo = fillPattern(random.pick(make.partPatterns), random);
                row.partNo = kelvaraPartNumber(id);
                fillPrices(row, random);
                compressors.push_back(compressorRow(id, modelId, row));
            }
        }
    }
    return sample;
}

}  // namespace kelvara::dbtool
