#include "CatalogApp.h"
#include "Globals.h"
#include "ResourceIds.h"

int main(int argc, char** argv)
{
    res::RegisterResources();
    return platform::RunApplication(theApp, argc, argv);
}
