#include "BenchComparisons.h"

#include "BareSql.h"
#include "BenchCatalogues.h"
#include "BenchReport.h"
#include "MainWindow.h"
#include "Measure.h"

#include "Catalogue.h"
#include "Generator.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "Statements.h"
#include "TestSeam.h"

#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kelvara::bench {

namespace {

namespace seam = platform::test;
namespace sql = kelvara::sql;

void requireSameStatements(const std::string& what, const std::vector<std::string>& ran,
                           const std::vector<BareStatement>& bare)
{
    bool same = ran.size() == bare.size();
    for (std::size_t i = 0; same && i < ran.size(); ++i)
        same = ran[i] == bare[i].sql;
    if (same)
        return;
    std::string message = what + ": the program ran other statements than the bare run would:\n  program:";
    for (const std::string& s : ran)
        message += "\n    " + s;
    message += "\n  bare:";
    for (const BareStatement& s : bare)
        message += "\n    " + s.sql;
    throw std::runtime_error(message);
}

void require(bool condition, const std::string& what)
{
    if (!condition)
        throw std::runtime_error(what);
}

// One more event-loop turn after a timed region; anything the program left undone shows here.
void nextTurn() { seam::processEvents(); }

// The window open on the large catalogue, its bare twin, and what the measured actions share.
struct Session {
    MainWindow& window;
    CCatalogDlg& dlg;
    BareSql& bare;
    const kelvara::dbtool::GenerationPlan& plan;
    sql::Dialect dialect;  // the file's, or (--server) the server's
    int repetitions;
    int slowRepetitions;  // start-up and the compressor dialog
    Run& run;
    // Known once the manufacturer is picked: the plan's car model and what picking it runs.
    int modelIndex = 0;
    std::vector<BareStatement> carStatements;
};

// The search by type as the operator runs it: type into the field, press Find.
Comparison typeSearch(Session& s, const std::string& name, const std::string& type, long long expectedRows)
{
    CCatalogDlg& dlg = s.dlg;
    seam::type(dlg, IDC_SEARCH_TYPE, type);
    const std::vector<BareStatement> statements = {{sql::countCompressorsOfType(s.dialect, type), true},
                                                   {sql::compressorsOfType(s.dialect, type), false}};
    {
        StatementRecorder recorder;
        seam::click(dlg, IDC_FIND_COMPRESSORS);
        settle();
        requireSameStatements(name, recorder.statements(), statements);
    }
    require(s.window.resultRows() == expectedRows && static_cast<long long>(s.bare.run(statements)) == expectedRows,
            name + ": expected " + std::to_string(expectedRows) + " rows, the list shows " +
                std::to_string(s.window.resultRows()));
    Comparison c = compare(
        name, s.repetitions, {},
        [&] {
            seam::click(dlg, IDC_FIND_COMPRESSORS);
            settle();
        },
        [&] { s.bare.run(statements); }, nextTurn);
    c.rows = expectedRows;
    c.targeted = true;
    return c;
}

std::vector<BareStatement> startupStatements()
{
    return {{sql::selectColumnFlags(), true}, {sql::selectManufacturers(), false}};
}

struct StartupFigures {
    Comparison empty;
    Comparison full;
};

// Start-up on the large catalogue and on an empty one, interleaved.
StartupFigures measureStartup(MainWindow& window, const ServerCatalogues& server, const fs::path& fullDir,
                              const fs::path& emptyDir, int slowRepetitions, long long manufacturers)
{
    const std::vector<BareStatement> statements = startupStatements();
    // The first window of a process loads styles and fonts; that is not the catalogue's cost.
    for (const fs::path& dir : {emptyDir, fullDir}) {
        CurrentDirectory cd(dir);
        StatementRecorder recorder;
        window.open(server.of(dir));
        requireSameStatements("start-up", recorder.statements(), statements);
        window.close();
    }

    std::vector<double> startFull, startEmpty, bareFull, bareEmpty;
    for (int i = 0; i < slowRepetitions; ++i) {
        for (const fs::path& dir : {emptyDir, fullDir}) {
            CurrentDirectory cd(dir);
            const bool full = dir == fullDir;
            (full ? startFull : startEmpty).push_back(millisecondsOf([&] { window.open(server.of(dir)); }));
            window.close();
            (full ? bareFull : bareEmpty).push_back(millisecondsOf([&] {
                BareSql bare(server.bareName(dir));
                bare.run(statements);
            }));
        }
    }
    StartupFigures figures{{"start-up to a filled window, empty catalogue", 0, median(startEmpty), median(bareEmpty)},
                           {"start-up to a filled window", manufacturers, median(startFull), median(bareFull)}};
    for (const auto& [dir, figure] : {std::pair{emptyDir, &figures.empty}, std::pair{fullDir, &figures.full}}) {
        CurrentDirectory cd(dir);
        meterRun(*figure, [&] { window.open(server.of(dir)); });
        window.close();
    }
    return figures;
}

void compareFillManufacturers(Session& s, long long manufacturers)
{
    const std::vector<BareStatement> statements = {{sql::selectManufacturers(), false}};
    Comparison c = compare(
        "FillManufacturers", s.repetitions, {},
        [&] {
            s.dlg.FillManufacturers();
            settle();
        },
        [&] { s.bare.run(statements); }, nextTurn);
    c.rows = manufacturers;
    report(s.run, c);
}

void comparePickManufacturer(Session& s)
{
    const int manufacturerIndex = s.window.comboIndex(IDC_MANUFACTURER_LIST, s.plan.carManufacturer);
    const std::vector<BareStatement> statements = {{sql::modelsOfManufacturer(s.plan.carManufacturer), false}};
    s.run.statements.emplace_back("models of a manufacturer", statements[0].sql);
    {
        StatementRecorder recorder;
        seam::pick(s.dlg, IDC_MANUFACTURER_LIST, manufacturerIndex);
        settle();
        requireSameStatements("picking a manufacturer", recorder.statements(), statements);
    }
    Comparison c = compare(
        "pick a manufacturer (its models)", s.repetitions, {},
        [&] {
            seam::pick(s.dlg, IDC_MANUFACTURER_LIST, manufacturerIndex);
            settle();
        },
        [&] { s.bare.run(statements); }, nextTurn);
    c.rows = static_cast<long long>(seam::comboEntries(s.dlg, IDC_MODEL_LIST).size());
    report(s.run, c);
}

void compareCarSearch(Session& s)
{
    const kelvara::dbtool::GenerationPlan& plan = s.plan;
    s.modelIndex = s.window.comboIndex(IDC_MODEL_LIST, plan.carModel);
    s.carStatements = {{sql::countCompressorsOfCar(s.dialect, plan.carManufacturer, plan.carModel), true},
                       {sql::compressorsOfCar(s.dialect, plan.carManufacturer, plan.carModel), false}};
    s.run.statements.emplace_back("count of a car's compressors", s.carStatements[0].sql);
    s.run.statements.emplace_back("a car's compressors", s.carStatements[1].sql);
    {
        StatementRecorder recorder;
        seam::pick(s.dlg, IDC_MODEL_LIST, s.modelIndex);
        settle();
        requireSameStatements("search by car", recorder.statements(), s.carStatements);
    }
    require(s.window.resultRows() == plan.carCompressors,
            "search by car: the list shows " + std::to_string(s.window.resultRows()) + " rows");
    Comparison c = compare(
        "search by car (pick a model)", s.repetitions, {},
        [&] {
            seam::pick(s.dlg, IDC_MODEL_LIST, s.modelIndex);
            settle();
        },
        [&] { s.bare.run(s.carStatements); }, nextTurn);
    c.rows = plan.carCompressors;
    c.targeted = true;
    report(s.run, c);
}

void compareTypeSearch(Session& s)
{
    const kelvara::dbtool::TypeCount& searched = s.plan.searchType;
    report(s.run, typeSearch(s, "search by type (Find)", searched.type, searched.compressors));
    s.run.statements.emplace_back("count of a type", sql::countCompressorsOfType(s.dialect, searched.type));
    s.run.statements.emplace_back("compressors of a type", sql::compressorsOfType(s.dialect, searched.type));
}

// The model has compressors: the handler counts them in a write transaction, refuses, and
// reloads the models.
void compareModelRemoval(Session& s)
{
    const std::vector<BareStatement> statements = {{s.dialect == sql::Dialect::postgres ? "BEGIN" : "BEGIN IMMEDIATE"},
                                                   {sql::countCompressorsOfModel(s.dialect, s.plan.carModel), true},
                                                   {"ROLLBACK"},
                                                   {sql::modelsOfManufacturer(s.plan.carManufacturer), false}};
    s.run.statements.emplace_back("compressors of a model (removal)", statements[1].sql);
    const auto selectModel = [&] {
        seam::pick(s.dlg, IDC_MODEL_LIST, s.modelIndex);
        settle();
        seam::Seam::clearMessages();
    };
    selectModel();
    {
        StatementRecorder recorder;
        seam::click(s.dlg, IDC_REMOVE_MODEL);
        settle();
        requireSameStatements("remove model", recorder.statements(), statements);
    }
    require(seam::Seam::messages().size() == 1 && seam::Seam::messages()[0].text.rfind("Cannot remove model.", 0) == 0,
            "remove model: the removal was not refused");
    Comparison c = compare(
        "remove model: dependency count (refused)", s.repetitions, selectModel,
        [&] {
            seam::click(s.dlg, IDC_REMOVE_MODEL);
            settle();
        },
        [&] { s.bare.run(statements); }, nextTurn);
    c.rows = 0;
    report(s.run, c);
}

// Edit the first row of the car's compressors; the dialog is cancelled at once and the
// handler searches again.
void compareEditCompressor(Session& s)
{
    std::vector<BareStatement> statements;
    const auto selectRow = [&] {
        seam::pick(s.dlg, IDC_MODEL_LIST, s.modelIndex);
        settle();
        seam::clickListRow(s.dlg, IDC_RESULTS, 0);
        // The listed row checked, then loaded.
        statements = {{sql::currentCompressor(theDb.dialect(), false), false, g_strCompressorId},
                      {sql::loadCompressor(theDb.dialect(), g_strCompressorId), true}};
        statements.insert(statements.end(), s.carStatements.begin(), s.carStatements.end());
        seam::Seam::reset();
        seam::Seam::onNextDialog([](CDialog& d) { seam::click(d, IDCANCEL); });
    };
    selectRow();
    s.run.statements.emplace_back("one compressor (edit)", statements[1].sql);
    {
        StatementRecorder recorder;
        seam::click(s.dlg, IDC_EDIT_COMPRESSOR);
        settle();
        requireSameStatements("edit compressor", recorder.statements(), statements);
    }
    require(seam::Seam::dialogsShown() == std::vector<int>{IDD_COMPRESSOR} && seam::Seam::messages().empty(),
            "edit compressor: the compressor dialog did not open");
    Comparison c = compare(
        "edit compressor: open dialog, Cancel, search", s.slowRepetitions, selectRow,
        [&] {
            seam::click(s.dlg, IDC_EDIT_COMPRESSOR);
            settle();
        },
        [&] { s.bare.run(statements); }, nextTurn);
    c.rows = s.plan.carCompressors;
    report(s.run, c);
}

// Loading one compressor for editing, on its own: the statement the Edit command runs
// first, its one row read and the cursor released (the rest of its cross product is never
// built).
void compareLoadCompressor(Session& s)
{
    seam::pick(s.dlg, IDC_MODEL_LIST, s.modelIndex);
    settle();
    seam::clickListRow(s.dlg, IDC_RESULTS, 0);
    const std::vector<BareStatement> statements = {{sql::loadCompressor(theDb.dialect(), g_strCompressorId), true}};
    Comparison c = compare(
        "load a compressor for editing", s.repetitions, {},
        [&] {
            CppSQLiteCursor cursor = theDb.execute(statements[0].sql);
            require(!cursor.atEnd() && cursor.field(0), "load a compressor: no row");
        },
        [&] { s.bare.run(statements); }, nextTurn);
    c.rows = 1;
    report(s.run, c);
    const bool met = c.program < 10.0;
    std::cout << "  load a compressor for editing: " << c.program << " ms  (target < 10 ms: "
              << (met ? "met" : "MISSED") << ")\n";
    if (!met)
        s.run.missed.push_back("load a compressor for editing: " + std::to_string(c.program) + " ms");
}

// Each doubling of the rows listed may at most double the time.
void compareScaling(Session& s)
{
    std::cout << "\nscaling: type searches of 10%, 20% and 40% of the compressors\n";
    printComparisonHeader(std::cout);
    std::vector<Comparison> scaling;
    for (const auto& type : s.plan.scalingTypes) {
        Comparison c = typeSearch(s, "search by type \"" + type.type + "\"", type.type, type.compressors);
        report(s.run, c);
        scaling.push_back(c);
    }
    for (std::size_t i = 1; i < scaling.size(); ++i) {
        const double programRatio = scaling[i].program / scaling[i - 1].program;
        const double bareRatio = scaling[i].bare / scaling[i - 1].bare;
        const bool met = programRatio <= 2.0;
        std::cout << "  " << scaling[i - 1].rows << " -> " << scaling[i].rows << " rows: program x" << programRatio
                  << ", bare SQL x" << bareRatio << "  (target <= 2: " << (met ? "met" : "MISSED") << ")\n";
        if (!met)
            s.run.missed.push_back("doubling to " + std::to_string(scaling[i].rows) + " rows: x" +
                                   std::to_string(programRatio));
    }
}

// A full catalogue may start at most twice as slowly as an empty one.
void checkStartupRatio(Run& run, const StartupFigures& startup, long long manufacturers)
{
    const double startupRatio = startup.full.program / startup.empty.program;
    std::cout << "\nstart-up: " << manufacturers << " manufacturers " << startup.full.program
              << " ms, empty catalogue " << startup.empty.program << " ms: x" << startupRatio
              << "  (target <= 2: " << (startupRatio <= 2.0 ? "met" : "MISSED") << ")\n";
    if (startupRatio > 2.0)
        run.missed.push_back("start-up: x" + std::to_string(startupRatio) + " the empty catalogue's");
}

kelvara::dbtool::GenerateOptions generationFor(const Options& options)
{
    kelvara::dbtool::GenerateOptions generation;
    if (options.shortRun) {
        generation.manufacturers = 50;
        generation.models = 500;
        generation.compressors = 10000;
    }
    return generation;
}

}  // namespace

int runComparisons(const Options& options)
{
    const kelvara::dbtool::GenerateOptions generation = generationFor(options);
    const int repetitions = options.repetitions ? options.repetitions : options.shortRun ? 5 : 7;
    const int slowRepetitions = options.repetitions ? options.repetitions : options.shortRun ? 3 : 7;

    printMachine();
    WorkDirectory work;
    const fs::path fullDir = work.catalogueDirectory("full");
    const fs::path emptyDir = work.catalogueDirectory("empty");
    const kelvara::dbtool::GenerationPlan plan = generate(fullDir, generation);
    kelvara::dbtool::printGenerationPlan(std::cout, plan);
    {
        kelvara::dbtool::NewCatalogue empty((emptyDir / kDatabaseFile).string());
        empty.keep();
    }
    ServerCatalogues server(options.server);
    const sql::Dialect dialect = options.server.empty() ? sql::Dialect::sqlite : sql::Dialect::postgres;
    if (!options.server.empty()) {
        server.add(fullDir, "kelvara_bench_full");
        server.add(emptyDir, "kelvara_bench_empty");
    }
    std::cout << "repetitions: " << repetitions << " (start-up and compressor dialog: " << slowRepetitions
              << "); times are medians in milliseconds; \"next turn\" is one more event-loop turn after\n"
                 "the timed region (work the program left for later would show there)\n\n";

    Run run;
    MainWindow window;
    meterServerTraffic(options.server.empty() ? nullptr : &theDb);
    run.statements = {{"column settings", sql::selectColumnFlags()}, {"manufacturers", sql::selectManufacturers()}};
    const StartupFigures startup =
        measureStartup(window, server, fullDir, emptyDir, slowRepetitions, generation.manufacturers);

    CurrentDirectory cd(fullDir);
    BareSql bare(server.bareName(fullDir));
    window.open(server.of(fullDir));
    Session session{window, window.dialog(), bare, plan, dialect, repetitions, slowRepetitions, run, 0, {}};

    printComparisonHeader(std::cout);
    printComparison(std::cout, startup.empty);
    report(run, startup.full);
    compareFillManufacturers(session, generation.manufacturers);
    comparePickManufacturer(session);
    compareCarSearch(session);
    compareTypeSearch(session);
    compareModelRemoval(session);
    compareEditCompressor(session);
    compareLoadCompressor(session);
    compareScaling(session);
    checkStartupRatio(run, startup, generation.manufacturers);

    printQueryPlans(std::cout, bare, run);
    window.close();
    printMachine();
    return printVerdict(run, options.shortRun);
}

}  // namespace kelvara::bench
