#pragma once

// The catalogue's main window, opened as the program opens it on database.db in the
// current directory, and the few things the benchmark reads back from it.

#include "CatalogDlg.h"

#include <memory>
#include <string>
#include <vector>

namespace kelvara::bench {

// Lets the window catch up with everything it was told: the list view publishes rows on
// the next event-loop turn, lays them out on the one after and paints after that.
void settle();

// The statements the catalogue runs while the recorder lives.
class StatementRecorder {
public:
    StatementRecorder();
    ~StatementRecorder();
    StatementRecorder(const StatementRecorder&) = delete;
    StatementRecorder& operator=(const StatementRecorder&) = delete;
    const std::vector<std::string>& statements() const { return m_statements; }

private:
    std::vector<std::string> m_statements;
};

class MainWindow {
public:
    MainWindow() = default;
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Create() and the events that fill and paint the window. Throws if it does not come up.
    // catalogue: what the program opens (a connection string); empty: database.db here.
    void open(const std::string& catalogue = {});
    // Destroys the window and puts the shared state back as at program start.
    void close();
    CCatalogDlg& dialog() { return *m_dialog; }

    // Read back without copying the list.
    int resultRows();
    int comboIndex(int comboId, const std::string& entry);

private:
    std::unique_ptr<CCatalogDlg> m_dialog;
};

}  // namespace kelvara::bench
