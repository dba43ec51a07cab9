#include "Command.h"
#include "Generator.h"
#include "CatalogueSnapshot.h"

#include <ostream>

namespace kelvara::dbtool {

namespace {

int runGenerate(const std::vector<std::string>& args, Console& console)
{
    const Arguments arguments(args, {"--describe"},
                              {"--manufacturers", "--models", "--compressors", "--seed"}, 0, 1);
    GenerateOptions options;
    options.manufacturers = arguments.count("--manufacturers", options.manufacturers, 1, 100000);
    options.models = arguments.count("--models", options.models, 1, 1000000);
    options.compressors = arguments.count("--compressors", options.compressors, 0, 20000000);
    options.seed = static_cast<std::uint64_t>(
        arguments.count("--seed", static_cast<long long>(options.seed), 0, 9223372036854775807LL));

    if (arguments.flag("--describe")) {
        if (arguments.positionalCount() != 0) {
            throw UsageError("--describe creates nothing and takes no PATH");
        }
        printGenerationPlan(console.out, describeGeneration(options));
        return kExitOk;
    }
    if (arguments.positionalCount() != 1) {
        throw UsageError("missing PATH of the catalogue to create");
    }
    const std::string path = arguments.positional(0);
    NewCatalogueTarget target(path);
    const GenerationPlan plan =
        target.build([&](const std::string& where) { return generateCatalogue(where, options); });
    target.publish();
    console.out << "created " << path << '\n';
    printGenerationPlan(console.out, plan);
    return kExitOk;
}

}  // namespace

extern const Command generateCommand;
const Command generateCommand = {
    "generate",
    "create a large realistic catalogue for benchmarks",
    "Usage: kelvara-db generate [OPTIONS] PATH\n"
    "       kelvara-db generate --describe [OPTIONS]\n"
    "\n"
    "Creates a large, realistic catalogue at PATH in one transaction. The same\n"
    "options always give the same content. An existing file is never overwritten.\n"
    "\n"
    "Options:\n"
    "  --manufacturers N  manufacturers (default 500; 1 to 100000)\n"
    "  --models N         models (default 5000; 1 to 1000000)\n"
    "  --compressors N    compressors (default 100000; 0 to 20000000)\n"
    "  --seed S           seed of the generator (default 1)\n"
    "  --describe         print the benchmark targets below for these options and\n"
    "                     create nothing\n"
    "  --help             show this help\n"
    "\n"
    "Benchmark targets, printed after generating (counts for the defaults):\n"
    "  search by car:  manufacturer \"Volkswagen\", model \"Golf\" holds 2% of the\n"
    "                  compressors (2000); an average model holds about 20\n"
    "  search by type: \"7SBU16C\" matches 20% (20000)\n"
    "  scaling types:  \"10S17C\" 10% (10000), \"7SBU16C\" 20% (20000),\n"
    "                  \"SD7V16\" 40% (40000)\n"
    "The other 30% spread over about seventy other compressor types, none above 7%.\n"
    "The seed changes names, years, part numbers and prices, never these targets.\n",
    runGenerate,
};

}  // namespace kelvara::dbtool
