#pragma once

// A catalogue file in its own directory, made the current directory (the program opens
// "database.db" there), with the shared state as at program start and a statement trace.
// EngineCatalogTest runs the same on both engines: a catalogue file, and a database on the
// test server that the program opens by its connection string.

#include "CatalogDlg.h"
#include "CatalogueFixture.h"
#include "ChildProcess.h"
#include "ExpectedStatements.h"
#include "TestSeam.h"

#include <memory>
#include <string>
#include <vector>

class CatalogTest : public kelvara::test::CatalogueFixture {
protected:
    using CatalogueFixture::CatalogueFixture;

    // Skips the test (or fails it, when the server is required) if its catalogue could not
    // be made; fixtures check IsSkipped() after it.
    void SetUp() override;
    void TearDown() override;

    // Opens the main window as the program does (its initialisation included) and keeps
    // it up for the test to act on. Fails the test if the window does not come up.
    CCatalogDlg& openMainWindow();
    // The main window with VW and Golf picked; the trace and messages start empty.
    CCatalogDlg& openOnGolf();
    void closeMainWindow();
    // Statements run since the trace was last cleared.
    const std::vector<std::string>& statements() const { return m_statements; }
    void clearStatements() { m_statements.clear(); }
    // Messages shown since the last call, texts only.
    std::vector<std::string> takeMessages();

    // The statement texts the open engine receives.
    kelvara::test::ExpectedStatements sent() const { return kelvara::test::ExpectedStatements(engine()); }
    // Another program takes the catalogue's write lock (which keeps readers out too) for
    // holdMs; returns once it holds it.
    std::unique_ptr<ChildProcess> holdLock(int holdMs);

    // Convenience: a whole compressor row with the given type and prices.
    kelvara::test::CompressorRow compressor(const std::string& type, const std::string& partNo = "KV-1") const;

    std::unique_ptr<CCatalogDlg> m_main;

private:
    bool m_changedDirectory = false;
    std::string m_previousDirectory;
    std::vector<std::string> m_statements;
};

// The fixture of the suites that run on both engines; instantiate each with
// KELVARA_ON_BOTH_ENGINES(Fixture).
using EngineCatalogTest = kelvara::test::OnBothEngines<CatalogTest>;
