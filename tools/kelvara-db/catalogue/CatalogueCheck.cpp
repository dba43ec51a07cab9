#include "CatalogueCheck.h"

#include "Catalogue.h"
#include "CatalogueCsv.h"
#include "CatalogueShape.h"
#include "CatalogueSnapshot.h"
#include "CppSQLiteException.h"
#include "Statements.h"
#include "ToolError.h"

#include <filesystem>
#include <map>
#include <memory>

namespace kelvara::dbtool {

namespace {

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
        if (e.isBusy())
            throw CatalogueLocked("the catalogue is locked by another program; try again once it has finished writing");
        report.problems.push_back(std::string("damaged file: ") + e.engineMessage());
        return false;
    }
}

std::string textOf(const CppSQLiteCursor& row, int column)
{
    return std::string(row.fieldView(column));
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
    FaultList faults(report, "prices out of bounds or not plain numbers");
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
            // A real that is infinite reads back "Inf"; a real reads back as SQLite prints it.
            const std::string fault = kind == "blob" ? "is not a plain number" : sql::priceFault(std::string(value));
            if (!fault.empty())
                faults.add("compressor " + textOf(prices, 0) + ": " + names[i] + " " + quoted(value) + " " + fault);
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

CheckReport checkFile(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw ToolError(path + ": no such file");
    }
    CheckReport report;
    std::unique_ptr<CppSQLiteSession> db;
    try {
        db = openCatalogue(path, db::Access::readOnly);
    } catch (const CatalogueLocked&) {
        throw;
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
    attempt("the tables", [&] {
        ShapeReport shape = catalogueShape(*db);
        complete = std::move(shape.complete);
        report.problems.insert(report.problems.end(), shape.faults.begin(), shape.faults.end());
        report.notes.insert(report.notes.end(), shape.notes.begin(), shape.notes.end());
    });
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
    if (!isConnectionString(path))
        return checkFile(path);
    // The server's own schema first (its triggers, keys and collations no snapshot keeps),
    // then the contents as of one moment.
    ShapeReport shape = catalogueShape(*openCatalogue(path, db::Access::readOnly));
    if (!shape.faults.empty())
        return {std::move(shape.faults), std::move(shape.notes)};
    const CatalogueFile snapshot(path);
    CheckReport report = checkFile(snapshot.path());
    report.notes = std::move(shape.notes);
    return report;
}

}  // namespace kelvara::dbtool
