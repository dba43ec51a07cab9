#include "MainWindow.h"

#include "CatalogApp.h"
#include "Globals.h"
#include "ResourceIds.h"
#include "TestSeam.h"

#include <algorithm>
#include <stdexcept>

namespace kelvara::bench {

namespace {

void resetSharedState()
{
    ResetSharedState();
    platform::test::Seam::reset();
}

}  // namespace

void settle()
{
    // Three turns: publish, lay out, paint. A fourth finds nothing left to do (the
    // benchmark measures that turn separately and reports it).
    for (int turn = 0; turn < 3; ++turn)
        platform::test::processEvents();
}

StatementRecorder::StatementRecorder()
{
    theDb.setStatementTrace([this](const char* sql) { m_statements.emplace_back(sql); });
}

StatementRecorder::~StatementRecorder() { theDb.setStatementTrace(nullptr); }

MainWindow::~MainWindow() { close(); }

void MainWindow::open(const std::string& catalogue)
{
    if (m_dialog)
        close();
    if (!catalogue.empty())
        g_strCatalogue = catalogue;
    m_dialog = std::make_unique<CCatalogDlg>();
    theApp.m_pMainWnd = m_dialog.get();
    if (!m_dialog->Create()) {
        m_dialog.reset();
        theApp.m_pMainWnd = nullptr;
        throw std::runtime_error("the main window did not come up");
    }
    settle();
}

void MainWindow::close()
{
    if (m_dialog) {
        m_dialog->DestroyWindow();
        m_dialog.reset();
        theApp.m_pMainWnd = nullptr;
        platform::test::processEvents();
    }
    resetSharedState();
}

int MainWindow::resultRows()
{
    CWnd* item = m_dialog->GetDlgItem(IDC_RESULTS);
    if (!item)
        return -1;
    CListCtrl list;
    list.Attach(item->GetSafeHwnd());
    const int rows = list.GetItemCount();
    list.Detach();
    return rows;
}

int MainWindow::comboIndex(int comboId, const std::string& entry)
{
    const std::vector<std::string> entries = platform::test::comboEntries(*m_dialog, comboId);
    const auto it = std::find(entries.begin(), entries.end(), entry);
    if (it == entries.end())
        throw std::runtime_error("no entry \"" + entry + "\" in list " + std::to_string(comboId));
    return static_cast<int>(it - entries.begin());
}

}  // namespace kelvara::bench
