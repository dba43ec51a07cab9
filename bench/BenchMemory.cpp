#include "BenchMemory.h"

#include "BenchCatalogues.h"
#include "MainWindow.h"
#include "Measure.h"

#include "Catalogue.h"
#include "Generator.h"
#include "ResourceIds.h"
#include "TestSeam.h"

#include <iostream>
#include <string>

#ifdef KELVARA_BENCH_HAS_RUSAGE
#include <sys/resource.h>
#endif

namespace kelvara::bench {

namespace {

namespace seam = platform::test;

#ifdef KELVARA_BENCH_HAS_RUSAGE
// CPU time of the process so far (user and system) and its peak resident memory.
struct Usage {
    double cpuMs;
    long peakMb;
};

Usage usageNow()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return {ms(usage.ru_utime) + ms(usage.ru_stime), usage.ru_maxrss / 1024};
}
#endif

}  // namespace

int runMemory(const Options& options)
{
    // The generator gives its largest benchmark type 40 % of the compressors.
    kelvara::dbtool::GenerateOptions generation;
    generation.manufacturers = 10;
    generation.models = 100;
    generation.compressors = (options.memoryRows * 5 + 1) / 2;
    while (kelvara::dbtool::describeGeneration(generation).scalingTypes.back().compressors < options.memoryRows)
        ++generation.compressors;

    WorkDirectory work;
    const fs::path dir = work.catalogueDirectory("memory");
    const kelvara::dbtool::GenerationPlan plan = generate(dir, generation);
    const kelvara::dbtool::TypeCount target = plan.scalingTypes.back();

    CurrentDirectory cd(dir);
    MainWindow window;
    window.open();
    seam::type(window.dialog(), IDC_SEARCH_TYPE, target.type);
    const double ms = millisecondsOf([&] {
        seam::click(window.dialog(), IDC_FIND_COMPRESSORS);
        settle();
    });
    const int rows = window.resultRows();
    std::cout << "search by type \"" << target.type << "\": " << rows << " rows listed in " << ms << " ms\n";
#ifdef KELVARA_BENCH_HAS_RUSAGE
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        std::cout << "peak resident memory so far: " << usage.ru_maxrss / 1024 << " MB (getrusage)\n";
#endif
    window.close();
    if (rows != options.memoryRows) {
        std::cerr << "kelvara-bench: expected " << options.memoryRows << " rows\n";
        return 1;
    }
    return 0;
}

#ifdef KELVARA_BENCH_HAS_RUSAGE
int runHugeValue(const Options& options)
{
    WorkDirectory work;
    const fs::path dir = work.catalogueDirectory("huge");
    {
        kelvara::dbtool::NewCatalogue catalogue((dir / kDatabaseFile).string());
        CppSQLiteSession& db = catalogue.session();
        db.execute("insert into marki(id_marki, marka) values (1, 'VW')");
        db.execute("insert into modele(id_modelu, id_marki, model) values (1, 1, 'Golf')");
        for (int i = 1; i <= 10; ++i) {
            const std::string common = i == 5 ? "replace(hex(zeroblob(" + std::to_string(options.hugeValueMb << 19) +
                                                    ")), '0', 'x')"
                                              : "'OE-" + std::to_string(i) + "'";
            db.execute("insert into kompresory values (" + std::to_string(i) + ", 1, '1.6', '1998', '2003', " +
                       "'SD7V16', " + common + ", 'KV-" + std::to_string(i) + "', 310, 25, 285)");
        }
        catalogue.keep();
    }
    std::cout << "one compressor of ten holds a common part number of " << options.hugeValueMb << " MB\n";

    CurrentDirectory cd(dir);
    MainWindow window;
    window.open();
    CCatalogDlg& dlg = window.dialog();
    const auto step = [](const char* what, auto&& action) {
        const Usage before = usageNow();
        const double ms = millisecondsOf(action);
        const Usage after = usageNow();
        std::cout << what << ": " << ms << " ms, CPU " << after.cpuMs - before.cpuMs << " ms, peak memory "
                  << after.peakMb << " MB\n";
    };
    seam::pick(dlg, IDC_MANUFACTURER_LIST, "VW");
    settle();
    step("search by car, listed and painted", [&] {
        seam::pick(dlg, IDC_MODEL_LIST, "Golf");
        settle();
    });
    step("repaint of the window (rendered whole)", [&] { seam::pixel(dlg, 0, 0); });
    seam::clickListRow(dlg, IDC_RESULTS, 5);
    std::string shown;
    step("edit dialog opened and cancelled", [&] {
        seam::Seam::onNextDialog([&](CDialog& d) { shown = seam::text(d, IDC_COMMON_PART_NO); });
        seam::click(dlg, IDC_EDIT_COMPRESSOR);
        settle();
    });
    std::cout << "rows listed: " << window.resultRows() << "; the edit showed " << shown.size() << " bytes\n";
    window.close();
    return 0;
}
#endif

}  // namespace kelvara::bench
