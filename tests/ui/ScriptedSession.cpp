// An operator's session scripted through the test seam: the real main window on
// database.db in the current directory, adding compressors and manufacturers as fast as it
// can and printing how many writes completed. The kill test ends it with SIGKILL.

#include "CatalogDlg.h"
#include "CatalogApp.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "TestSeam.h"

#include <cstdio>
#include <string>

namespace seam = platform::test;

int main(int argc, char** argv)
{
    seam::TestApplication app(argc, argv);
    res::RegisterResources();
    CCatalogDlg dlg;
    theApp.m_pMainWnd = &dlg;
    if (!dlg.Create())
        return 1;
    seam::pick(dlg, IDC_MANUFACTURER_LIST, 0);
    seam::pick(dlg, IDC_MODEL_LIST, 0);

    const int edits[] = {IDC_CAPACITY, IDC_YEAR_FROM, IDC_YEAR_TO,      IDC_TYPE,     IDC_COMMON_PART_NO,
                         IDC_PART_NO,  IDC_JOBBER,    IDC_CORE_DEPOSIT, IDC_NET_PRICE};
    for (long n = 1;; ++n) {
        // Every field of compressor n holds n: a row is whole exactly when all agree.
        const std::string value = std::to_string(n);
        seam::Seam::onNextDialog([&](CDialog& d) {
            for (int id : edits)
                seam::type(d, id, value);
            seam::click(d, IDOK);
        });
        seam::click(dlg, IDC_ADD_COMPRESSOR);
        if (n % 10 == 0) {
            seam::Seam::onNextDialog([&](CDialog& d) {
                seam::type(d, IDC_NAME, "Maker " + value);
                seam::click(d, IDOK);
            });
            seam::click(dlg, IDC_ADD_MANUFACTURER);
            seam::pick(dlg, IDC_MANUFACTURER_LIST, 0);
            seam::pick(dlg, IDC_MODEL_LIST, 0);
        }
        if (!seam::Seam::messages().empty()) {
            std::fprintf(stderr, "unexpected message: %s\n", seam::Seam::messages().front().text.c_str());
            return 1;
        }
        std::printf("%ld\n", n);
        std::fflush(stdout);
    }
}
