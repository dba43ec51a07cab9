#pragma once

// A catalogue file in its own directory, made the current directory (the program opens
// "database.db" there), with the shared state as at program start and a statement trace.

#include "CatalogDlg.h"
#include "ChildProcess.h"
#include "TestSeam.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the main window as the program does (its initialisation included) and keeps
    // it up for the test to act on. Fails the test if the window does not come up.
    CCatalogDlg& openMainWindow();
    void closeMainWindow();
    // Statements run since the trace was last cleared.
    const std::vector<std::string>& statements() const { return m_statements; }
    void clearStatements() { m_statements.clear(); }
    // Messages shown since the last call, texts only.
    std::vector<std::string> takeMessages();

    // Another program takes the catalogue's write lock (which keeps readers out too) for
    // holdMs; returns once it holds it.
    std::unique_ptr<ChildProcess> holdLock(int holdMs);

    // Convenience: a whole compressor row with the given type and prices.
    kelvara::test::CompressorRow compressor(const std::string& type, const std::string& partNo = "KV-1") const;

    kelvara::test::TempCatalogue m_catalogue;
    kelvara::test::RawDb m_db{m_catalogue.path()};
    std::unique_ptr<CCatalogDlg> m_main;

private:
    std::string m_previousDirectory;
    std::vector<std::string> m_statements;
};
