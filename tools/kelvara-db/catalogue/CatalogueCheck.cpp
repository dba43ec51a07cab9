#include "CatalogueCheck.h"

#include "Catalogue.h"
#include "CatalogueCsv.h"
#include "CppSQLiteException.h"
#include "ToolError.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <memory>

namespace kelvara::dbtool {

namespace {

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// Collects the lines of one kind of fault, listing the first few and counting the rest.
class FaultList {
public:
    FaultList(CheckReport& report, std::string kind) : m_report(report), m_kind(std::move(kind))
    {
    }
    FaultList(const FaultList&) = delete;
    FaultList& operator=(const FaultList&) = delete;
    ~FaultList()
    {
        if (m_count > kProblemsListedPerKind) {
            m_report.problems.push_back("... and " +
                                        std::to_string(m_count - kProblemsListedPerKind) +
                                        " more " + m_kind);
        }
    }
    void add(std::string line)
    {
        if (++m_count <= kProblemsListedPerKind) {
            m_report.problems.push_back(std::move(line));
        }
    }

private:
    CheckReport& m_report;
    std::string m_kind;
    std::size_t m_count = 0;
};

// False when the file is too damaged for the other checks to mean anything.
bool checkIntegrity(CppSQLiteSession& db, CheckReport& report)
{
    try {
        bool sound = true;
        for (CppSQLiteCursor integrity = db.execute("PRAGMA integrity_check"); !integrity.atEnd();
             integrity.advance()) {
            const std::string_view line = integrity.fieldView(0);
            if (line != "ok") {
                report.problems.push_back("damaged file: " + std::string(line));
                sound = false;
            }
        }
        return sound;
    } catch (const CppSQLiteException& e) {
        report.problems.push_back(std::string("damaged file: ") + e.engineMessage());
        return false;
    }
}

std::string textOf(const CppSQLiteCursor& row, int column)
{
    return std::string(row.fieldView(column));
}

// Which of the four tables are present with all their columns.
std::map<std::string, bool> checkTables(CppSQLiteSession& db, CheckReport& report)
{
    std::map<std::string, bool> complete;
    for (const TableDescription& table : catalogueTables()) {
        std::vector<std::string> present;
        for (CppSQLiteCursor info = db.execute("SELECT name FROM pragma_table_info($1)", {table.name});
             !info.atEnd(); info.advance()) {
            present.push_back(textOf(info, 0));
        }
        if (present.empty()) {
            report.problems.push_back(std::string("table ") + table.name + " is missing");
            complete[table.name] = false;
            continue;
        }
        bool all = true;
        for (const std::string& column : table.columns) {
            bool found = false;
            for (const std::string& name : present) {
                found = found || sameName(name, column);
            }
            if (!found) {
                report.problems.push_back(std::string("table ") + table.name + " has no column " + column);
                all = false;
            }
        }
        complete[table.name] = all;
    }
    return complete;
}

void checkSettingsRow(CppSQLiteSession& db, CheckReport& report)
{
    const long long rows = scalarOf(db, "SELECT count(*) FROM kolumny");
    if (rows != 1) {
        report.problems.push_back("table kolumny holds " + std::to_string(rows) +
                                  " rows; exactly one is expected");
    }
}

void checkOrphanModels(CppSQLiteSession& db, CheckReport& report)
{
    FaultList faults(report, "models without a manufacturer");
    for (CppSQLiteCursor orphans = db.execute(
             "SELECT id_modelu, model, id_marki FROM Modele WHERE NOT EXISTS "
             "(SELECT 1 FROM Marki WHERE Marki.id_marki = Modele.id_marki) ORDER BY id_modelu");
         !orphans.atEnd(); orphans.advance()) {
        const std::string manufacturer = orphans.field(2) ? textOf(orphans, 2) : "none";
        faults.add("model " + textOf(orphans, 0) + " " + quoted(orphans.fieldView(1)) +
                   ": its manufacturer (id_marki " + manufacturer + ") does not exist");
    }
}

void checkOrphanCompressors(CppSQLiteSession& db, CheckReport& report)
{
    FaultList faults(report, "compressors without a model");
    for (CppSQLiteCursor orphans = db.execute(
             "SELECT id_kompresora, id_modelu FROM kompresory WHERE NOT EXISTS "
             "(SELECT 1 FROM Modele WHERE Modele.id_modelu = kompresory.id_modelu) "
             "ORDER BY id_kompresora");
         !orphans.atEnd(); orphans.advance()) {
        const std::string model = orphans.field(1) ? textOf(orphans, 1) : "none";
        faults.add("compressor " + textOf(orphans, 0) + ": its model (id_modelu " + model + ") does not exist");
    }
}

void checkPrices(CppSQLiteSession& db, CheckReport& report)
{
    FaultList faults(report, "prices that are not plain numbers");
    const auto& header = csvHeader();
    const char* const names[] = {header[8], header[9], header[10]};
    for (CppSQLiteCursor prices = db.execute(
             "SELECT id_kompresora, cena_zakl, kaucja_sku, netto, typeof(cena_zakl), "
             "typeof(kaucja_sku), typeof(netto) FROM kompresory ORDER BY id_kompresora");
         !prices.atEnd(); prices.advance()) {
        for (int i = 0; i < 3; ++i) {
            if (!prices.field(1 + i)) {
                continue;
            }
            const std::string_view kind = prices.fieldView(4 + i);
            const std::string_view value = prices.fieldView(1 + i);
            // A real that is infinite reads back "Inf".
            if (kind == "blob" || (kind != "integer" && !isPlainNumber(value))) {
                faults.add("compressor " + textOf(prices, 0) + ": " + names[i] + " " + quoted(value) +
                           " is not a plain number");
            }
        }
    }
}

// Texts over the limit import refuses: a pasted file in a name slows every repaint.
void checkLongTexts(CppSQLiteSession& db, CheckReport& report)
{
    FaultList faults(report, "texts longer than " + std::to_string(kMaxTextBytes) + " bytes");
    const auto& header = csvHeader();
    const struct {
        const char* table;
        const char* id;
        const char* what;
        const char* column;
        const char* name;
    } texts[] = {
        {"Marki", "id_marki", "manufacturer", "marka", header[0]},
        {"Modele", "id_modelu", "model", "model", header[1]},
        {"kompresory", "id_kompresora", "compressor", "pojemnosc", header[2]},
        {"kompresory", "id_kompresora", "compressor", "od", header[3]},
        {"kompresory", "id_kompresora", "compressor", "do", header[4]},
        {"kompresory", "id_kompresora", "compressor", "typ", header[5]},
        {"kompresory", "id_kompresora", "compressor", "nr_f_s", header[6]},
        {"kompresory", "id_kompresora", "compressor", "nrkv", header[7]},
    };
    for (const auto& text : texts) {
        const std::string sql = std::string("SELECT ") + text.id + ", length(CAST(" +
                                text.column + " AS BLOB)) FROM " + text.table + " WHERE length(CAST(" +
                                text.column + " AS BLOB)) > $1 ORDER BY " + text.id;
        for (CppSQLiteCursor longer = db.execute(sql, {static_cast<long long>(kMaxTextBytes)}); !longer.atEnd();
             longer.advance()) {
            faults.add(std::string(text.what) + " " + textOf(longer, 0) + ": " +
                       text.name + " is " + textOf(longer, 1) +
                       " bytes long; at most " + std::to_string(kMaxTextBytes) +
                       " are allowed");
        }
    }
}

}  // namespace

std::vector<std::string> orphansIn(CppSQLiteSession& db)
{
    CheckReport report;
    checkOrphanModels(db, report);
    checkOrphanCompressors(db, report);
    return report.problems;
}

CheckReport checkCatalogue(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw ToolError(path + ": no such file");
    }
    CheckReport report;
    std::unique_ptr<CppSQLiteSession> db;
    try {
        db = openCatalogue(path, db::Access::readOnly);
    } catch (const ToolError& e) {
        report.problems.push_back(e.what());
        return report;
    }
    if (!checkIntegrity(*db, report)) {
        return report;
    }

    // The remaining checks read tables; one that fails for a reason of its own is a
    // problem too, and the others still run.
    auto attempt = [&](const char* what, auto check) {
        try {
            check();
        } catch (const CppSQLiteException& e) {
            report.problems.push_back(std::string("cannot check ") + what + ": " + e.engineMessage());
        }
    };
    std::map<std::string, bool> complete;
    attempt("the tables", [&] { complete = checkTables(*db, report); });
    if (complete["kolumny"]) {
        attempt("the column settings", [&] { checkSettingsRow(*db, report); });
    }
    if (complete["Marki"] && complete["Modele"]) {
        attempt("the models", [&] { checkOrphanModels(*db, report); });
    }
    if (complete["Modele"] && complete["kompresory"]) {
        attempt("the compressors", [&] { checkOrphanCompressors(*db, report); });
    }
    if (complete["kompresory"]) {
        attempt("the prices", [&] { checkPrices(*db, report); });
    }
    if (complete["Marki"] && complete["Modele"] && complete["kompresory"]) {
        attempt("the lengths of the texts", [&] { checkLongTexts(*db, report); });
        attempt("the row counts", [&] {
            report.manufacturers = scalarOf(*db, "SELECT count(*) FROM Marki");
            report.models = scalarOf(*db, "SELECT count(*) FROM Modele");
            report.compressors = scalarOf(*db, "SELECT count(*) FROM kompresory");
            report.counted = true;
        });
    }
    return report;
}

}  // namespace kelvara::dbtool
