#include "CatalogueCsv.h"

#include "Catalogue.h"
#include "CatalogueRows.h"
#include "CatalogueShape.h"
#include "CppSQLiteTransaction.h"
#include "Csv.h"
#include "Statements.h"
#include "ToolError.h"

#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

namespace kelvara::dbtool {

namespace {

// Column positions in the file.
enum CsvColumn : std::size_t {
    kManufacturer, kModel, kCapacity, kYearFrom, kYearTo, kType, kCommonPartNo, kPartNo,
    kJobber, kCoreDeposit, kNetPrice
};

const char* const kExportSql =
    "SELECT Marki.marka, Modele.model, k.pojemnosc, k.od, k.do, k.typ, k.nr_f_s, k.nrkv, "
    "k.cena_zakl, k.kaucja_sku, k.netto "
    "FROM kompresory AS k "
    "JOIN Modele ON Modele.id_modelu = k.id_modelu "
    "JOIN Marki ON Marki.id_marki = Modele.id_marki "
    "ORDER BY Marki.id_marki, Modele.id_modelu, k.id_kompresora";

const char* const kOrphanCountSql =
    "SELECT count(*) FROM kompresory AS k WHERE NOT EXISTS ("
    "SELECT 1 FROM Modele JOIN Marki ON Marki.id_marki = Modele.id_marki "
    "WHERE Modele.id_modelu = k.id_modelu)";

// A value of a parsed row: absent means NULL.
using Value = std::optional<std::string>;

struct Row {
    std::size_t line = 0;
    std::array<Value, kCsvColumnCount> values;
};

bool isPrice(std::size_t column)
{
    return column == kJobber || column == kCoreDeposit || column == kNetPrice;
}

std::string quoteForMessage(const std::string& text)
{
    return "\"" + text + "\"";
}

void checkHeader(const CsvRecord& record)
{
    const auto& header = csvHeader();
    bool same = record.fields.size() == header.size();
    for (std::size_t i = 0; same && i < header.size(); ++i) {
        same = record.fields[i].text == header[i];
    }
    if (!same) {
        std::string expected;
        for (const char* name : header) {
            expected += expected.empty() ? "" : ",";
            expected += name;
        }
        throw ImportError(record.line, "the header row must be: " + expected);
    }
}

Row toRow(CsvRecord& record)
{
    if (record.fields.size() != kCsvColumnCount) {
        throw ImportError(record.line, "expected " + std::to_string(kCsvColumnCount) +
                                           " fields, found " +
                                           std::to_string(record.fields.size()));
    }
    Row row;
    row.line = record.line;
    for (std::size_t i = 0; i < kCsvColumnCount; ++i) {
        CsvField& field = record.fields[i];
        if (field.text.empty() && !field.quoted) {
            continue;
        }
        if (isPrice(i)) {
            row.values[i] = std::move(field.text);
            continue;
        }
        row.values[i] = unguardFormula(field.text);
        if (row.values[i]->size() > kMaxTextBytes) {
            throw ImportError(field.line, std::string(csvHeader()[i]) + " is " +
                                              std::to_string(row.values[i]->size()) +
                                              " bytes long; at most " +
                                              std::to_string(kMaxTextBytes) + " are allowed");
        }
    }
    if (!row.values[kManufacturer] || row.values[kManufacturer]->empty()) {
        throw ImportError(record.fields[kManufacturer].line, "the manufacturer name is missing");
    }
    if (!row.values[kModel] || row.values[kModel]->empty()) {
        throw ImportError(record.fields[kModel].line, "the model name is missing");
    }
    for (std::size_t i : {kJobber, kCoreDeposit, kNetPrice}) {
        if (!row.values[i])
            continue;
        const std::string& value = *row.values[i];
        const std::string fault = sql::priceFault(value);
        if (!fault.empty())
            throw ImportError(record.fields[i].line, std::string(csvHeader()[i]) + " "
                                                         + quoteForMessage(value.size() > 40 ? value.substr(0, 40) + "..." : value)
                                                         + " " + fault);
    }
    return row;
}

// Hands each row of csv to each, one at a time: memory holds one row, never the file's.
void readRows(std::string_view csv, const std::function<void(const Row&)>& each)
{
    if (looksLikeUtf16(csv)) {
        throw ImportError(1, "the file is in UTF-16 (what a spreadsheet's \"Unicode text\" "
                             "writes), not UTF-8; in the spreadsheet save it as \"CSV UTF-8 "
                             "(comma delimited)\" (LibreOffice: Text CSV, character set "
                             "Unicode (UTF-8), field delimiter \",\") and import that file");
    }
    try {
        CsvReader reader(csv);
        CsvRecord record;
        if (!reader.next(record)) {
            throw ImportError(1, "the file is empty; a header row is expected");
        }
        checkHeader(record);
        while (reader.next(record)) {
            each(toRow(record));
        }
    } catch (const CsvError& e) {
        throw ImportError(e.line(), e.reason());
    }
}

// Finds or creates manufacturers and models. In a dry run nothing is inserted: what would
// be created gets a negative stand-in id so that its models are known to be new as well.
class CatalogueNames {
public:
    CatalogueNames(CppSQLiteSession& db, bool dryRun, ImportSummary& summary)
        : m_dryRun(dryRun), m_summary(summary), m_db(db)
    {
    }

    long long manufacturer(const std::string& name)
    {
        const auto known = m_manufacturers.find(name);
        if (known != m_manufacturers.end()) {
            return known->second;
        }
        long long id = 0;
        CppSQLiteCursor found =
            m_db.execute("SELECT id_marki FROM Marki WHERE marka = $1 ORDER BY id_marki LIMIT 1", {name});
        if (!found.atEnd()) {
            id = idOf(found);
        } else {
            ++m_summary.manufacturersCreated;
            id = create(db::kManufacturers, "INSERT INTO Marki (id_marki, marka) VALUES ($1, $2)", {name});
        }
        m_manufacturers.emplace(name, id);
        return id;
    }

    long long model(long long manufacturerId, const std::string& name)
    {
        const auto key = std::make_pair(manufacturerId, name);
        const auto known = m_models.find(key);
        if (known != m_models.end()) {
            return known->second;
        }
        long long id = 0;
        bool found = false;
        if (manufacturerId > 0) {
            CppSQLiteCursor model = m_db.execute("SELECT id_modelu FROM Modele WHERE id_marki = $1 AND "
                                                 "model = $2 ORDER BY id_modelu LIMIT 1",
                                                 {manufacturerId, name});
            found = !model.atEnd();
            if (found) {
                id = idOf(model);
            }
        }
        if (!found) {
            ++m_summary.modelsCreated;
            id = create(db::kModels, "INSERT INTO Modele (id_modelu, id_marki, model) VALUES ($1, $2, $3)",
                        {manufacturerId, name});
        }
        m_models.emplace(key, id);
        return id;
    }

private:
    static long long idOf(const CppSQLiteCursor& row)
    {
        const char* id = row.field(0);
        return id ? std::stoll(id) : 0;
    }

    // A new row's id lies above every id in use or referred to, so that it never adopts the
    // models or compressors a removed parent left behind (SQLite would give it the highest
    // id in use plus one, which may be the removed parent's).
    long long create(db::CatalogueTable table, const char* sql, db::BoundValues values)
    {
        if (m_dryRun) {
            return --m_nextStandIn;
        }
        std::optional<long long>& highest = m_highestId[table];
        if (!highest)
            highest = highestIdInUse(m_db, table);
        if (*highest == std::numeric_limits<long long>::max())
            throw ToolError(std::string(catalogueTables()[table].name) + " has no id left for a new row");
        const long long id = ++*highest;
        values.insert(values.begin(), id);
        m_db.execute(sql, values);
        return id;
    }

    bool m_dryRun;
    ImportSummary& m_summary;
    CppSQLiteSession& m_db;
    std::map<std::string, long long> m_manufacturers;
    std::map<std::pair<long long, std::string>, long long> m_models;
    long long m_nextStandIn = 0;
    std::array<std::optional<long long>, db::kTableCount> m_highestId{};
};

}  // namespace

const std::array<const char*, kCsvColumnCount>& csvHeader()
{
    static const std::array<const char*, kCsvColumnCount> header = {
        "Manufacturer",     "Model",        "Engine capacity", "Model year from",
        "Model year to",    "Compressor type", "Common part #", "Kelvara part #",
        "Kelvara Jobber $", "Core deposit", "Net price"};
    return header;
}

ImportError::ImportError(std::size_t line, const std::string& reason)
    : std::runtime_error("line " + std::to_string(line) + ": " + reason),
      m_line(line),
      m_reason(reason)
{
}

ExportSummary exportCatalogue(CppSQLiteSession& db, const std::string& path, std::ostream& out)
{
    // A missing column would read as its own name, a foreign trigger change what is written.
    requireCatalogueShape(db, path);
    ExportSummary summary;
    std::string buffer;
    for (const char* name : csvHeader()) {
        if (!buffer.empty()) {
            appendCsvSeparator(buffer);
        }
        appendCsvField(buffer, name);
    }
    appendCsvRecordEnd(buffer);

    // One read transaction, so the rows and the orphan count describe the same moment.
    CppSQLiteTransaction snapshot(db, CppSQLiteTransaction::Kind::snapshot);
    {
        for (CppSQLiteCursor rows = db.execute(kExportSql); !rows.atEnd(); rows.advance()) {
            for (int column = 0; column < static_cast<int>(kCsvColumnCount); ++column) {
                if (column > 0) {
                    appendCsvSeparator(buffer);
                }
                if (!rows.field(column)) {
                    appendCsvNull(buffer);
                } else if (isPrice(static_cast<std::size_t>(column)) && isPlainNumber(rows.fieldView(column))) {
                    // A number is no formula, and a spreadsheet must read it as a number.
                    appendCsvField(buffer, rows.fieldView(column));
                } else {
                    appendCsvField(buffer, guardFormula(rows.fieldView(column)));
                }
            }
            appendCsvRecordEnd(buffer);
            ++summary.compressors;
            if (buffer.size() >= (1u << 16)) {
                out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                buffer.clear();
            }
        }
        summary.orphans = static_cast<std::size_t>(scalarOf(db, kOrphanCountSql));
    }
    snapshot.commit();
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    out.flush();
    if (!out) {
        throw ToolError("cannot write the CSV output");
    }
    return summary;
}

ImportSummary importCatalogue(std::string_view csv, const std::string& dbPath, bool dryRun)
{
    // The whole file is checked before the catalogue is opened, then read again to write it.
    readRows(csv, [](const Row&) {});

    const std::unique_ptr<CppSQLiteSession> db =
        openCatalogue(dbPath, dryRun ? db::Access::readOnly : db::Access::readWrite);
    requireCatalogueShape(*db, dbPath);
    ImportSummary summary;
    std::optional<CppSQLiteTransaction> transaction;
    if (!dryRun) {
        transaction.emplace(*db, CppSQLiteTransaction::Kind::write);
    }
    CatalogueNames names(*db, dryRun, summary);
    db::BoundValues values;
    readRows(csv, [&](const Row& row) {
        const long long manufacturer = names.manufacturer(*row.values[kManufacturer]);
        const long long model = names.model(manufacturer, *row.values[kModel]);
        ++summary.compressors;
        if (dryRun) {
            return;
        }
        values.assign({model});
        values.insert(values.end(), row.values.begin() + kCapacity, row.values.end());
        db->execute("INSERT INTO kompresory (id_kompresora, id_modelu, pojemnosc, od, do, typ, "
                    "nr_f_s, nrkv, cena_zakl, kaucja_sku, netto) "
                    "VALUES (NULL, $1, $2, $3, $4, $5, $6, $7, $8, $9, $10)",
                    values);
    });
    if (transaction) {
        transaction->commit();
    }
    return summary;
}

}  // namespace kelvara::dbtool
