#include "CatalogueSecrets.h"
#include "LeftoverFiles.h"
#include "Tool.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    kelvara::dbtool::removeLeftoversOnSignals();
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    for (int i = 1; i < argc; ++i)
        kelvara::db::hidePasswordInPlace(argv[i]);
    const int status = kelvara::dbtool::runTool(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
