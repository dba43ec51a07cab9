// A second counter: the real main window on the catalogue named by argv[1], driven through
// the test seam by one command per line on standard input. After each command it prints
// what the operator would see, then a line ".":
//   pick-manufacturer NAME | pick-model NAME    picks the entry
//   add-manufacturer NAME                       through its dialog
//   add-compressor PART                         through its dialog, every other field "1"
//   remove-model                                the selected one
// and after each: the manufacturer entries ("manufacturers: A|B"), the part numbers listed
// ("parts: …"), then every message shown ("message: …").

#include "CatalogApp.h"
#include "CatalogDlg.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "TestSeam.h"

#include <iostream>
#include <string>

namespace seam = platform::test;
using platform::test::Seam;

namespace {

std::string joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : "|") + item;
    return out;
}

void run(CCatalogDlg& dlg, const std::string& command, const std::string& argument)
{
    if (command == "pick-manufacturer") {
        seam::pick(dlg, IDC_MANUFACTURER_LIST, argument);
    } else if (command == "pick-model") {
        seam::pick(dlg, IDC_MODEL_LIST, argument);
    } else if (command == "add-manufacturer") {
        Seam::onNextDialog([&](CDialog& d) {
            seam::type(d, IDC_NAME, argument);
            seam::click(d, IDOK);
        });
        seam::click(dlg, IDC_ADD_MANUFACTURER);
    } else if (command == "add-compressor") {
        Seam::onNextDialog([&](CDialog& d) {
            for (int id : {IDC_CAPACITY, IDC_YEAR_FROM, IDC_YEAR_TO, IDC_TYPE, IDC_COMMON_PART_NO, IDC_JOBBER,
                           IDC_CORE_DEPOSIT, IDC_NET_PRICE})
                seam::type(d, id, "1");
            seam::type(d, IDC_PART_NO, argument);
            seam::click(d, IDOK);
        });
        seam::click(dlg, IDC_ADD_COMPRESSOR);
    } else if (command == "remove-model") {
        seam::click(dlg, IDC_REMOVE_MODEL);
    } else {
        std::cout << "message: unknown command " << command << "\n";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    seam::TestApplication app(argc, argv);
    res::RegisterResources();
    g_strCatalogue = argv[1];
    CCatalogDlg dlg;
    theApp.m_pMainWnd = &dlg;
    if (!dlg.Create())
        return 1;
    std::cout << "ready" << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        const auto blank = line.find(' ');
        Seam::clearMessages();
        run(dlg, line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank + 1));
        std::vector<std::string> parts;
        for (const auto& row : seam::listRows(dlg, IDC_RESULTS))
            parts.push_back(row.at(5));
        std::cout << "manufacturers: " << joined(seam::comboEntries(dlg, IDC_MANUFACTURER_LIST)) << "\n"
                  << "parts: " << joined(parts) << "\n";
        for (const auto& message : Seam::messages())
            std::cout << "message: " << message.text << "\n";
        std::cout << "." << std::endl;
    }
    dlg.DestroyWindow();
    return 0;
}
