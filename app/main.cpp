#include "CatalogApp.h"
#include "CatalogueSecrets.h"
#include "Globals.h"
#include "ResourceIds.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    // --catalogue NAME: a catalogue file, or a PostgreSQL connection string or URI, instead of
    // database.db in the current folder. It is taken out before Qt sees the arguments. The
    // launcher hands it over in KELVARA_CATALOGUE instead, which other users cannot read;
    // programs started from here do not inherit it.
    if (const char* handedOver = std::getenv("KELVARA_CATALOGUE")) {
        if (*handedOver)
            g_strCatalogue = handedOver;
#ifdef _WIN32
        _putenv_s("KELVARA_CATALOGUE", "");
#else
        unsetenv("KELVARA_CATALOGUE");
#endif
    }
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--catalogue") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "usage: %s [--catalogue FILE|CONNINFO]\n", argv[0]);
                return 2;
            }
            g_strCatalogue = argv[++i];
            kelvara::db::hidePasswordInPlace(argv[i]);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;

    res::RegisterResources();
    return platform::RunApplication(theApp, argc, argv);
}
