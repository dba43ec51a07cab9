#include "CatalogueTables.h"

namespace kelvara::db {

const std::array<const char*, kColumnFlagCount> kColumnFlagNames = {
    "manufacturer", "capacity", "year", "type", "common", "kelvara", "jobber", "deposit", "price",
};

std::string quotedColumnList(const std::vector<std::string>& columns)
{
    std::string list;
    for (const std::string& column : columns)
        list += (list.empty() ? "\"" : ", \"") + column + '"';
    return list;
}

const std::array<TableDescription, kTableCount>& catalogueTables()
{
    static const std::array<TableDescription, kTableCount> tables = {{
        {"Marki", "id_marki", {"id_marki", "marka"}},
        {"Modele", "id_modelu", {"id_modelu", "id_marki", "model"}},
        {"kompresory",
         "id_kompresora",
         {"id_kompresora", "id_modelu", "pojemnosc", "od", "do", "typ", "nr_f_s", "nrkv", "cena_zakl", "kaucja_sku",
          "netto"}},
        {"kolumny", "rowid", {kColumnFlagNames.begin(), kColumnFlagNames.end()}},
    }};
    return tables;
}

}  // namespace kelvara::db
