#include "Catalogue.h"

#include "Command.h"
#include "Schema.h"
#include "Statements.h"

#include <filesystem>

namespace kelvara::dbtool {

const std::array<TableShape, 4>& catalogueTables()
{
    static const std::array<TableShape, 4> tables = {{
        {"Marki", {"id_marki", "marka"}, 2},
        {"Modele", {"id_modelu", "id_marki", "model"}, 3},
        {"kompresory",
         {"id_kompresora", "id_modelu", "pojemnosc", "od", "do", "typ", "nr_f_s", "nrkv",
          "cena_zakl", "kaucja_sku", "netto"},
         11},
        {"kolumny",
         {"manufacturer", "capacity", "year", "type", "common", "kelvara", "jobber", "deposit",
          "price"},
         9},
    }};
    return tables;
}

bool isPlainNumber(std::string_view text)
{
    // The same rule as the program's price check, so the tool and the window never disagree.
    return kelvara::sql::isPlainSqlNumber(std::string(text));
}

void removeCatalogueFiles(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::filesystem::remove(path + "-journal", ec);
}

NewCatalogue::NewCatalogue(const std::string& path) : m_file(path, OutputFile::Mode::NewFile)
{
    try {
        m_connection = std::make_unique<Connection>(m_file.path(), Connection::Mode::ReadWrite);
        Transaction transaction(*m_connection);
        m_connection->execute(catalogueSchemaSql().c_str());
        transaction.commit();
    } catch (...) {
        m_connection.reset();
        removeCatalogueFiles(m_file.path());
        throw;
    }
}

NewCatalogue::~NewCatalogue()
{
    // The temporary itself goes with m_file unless it was given its name.
    m_connection.reset();
    std::error_code ec;
    std::filesystem::remove(m_file.path() + "-journal", ec);
}

void NewCatalogue::keep()
{
    m_connection.reset();
    m_file.commit();
}

}  // namespace kelvara::dbtool
