#pragma once

// A catalogue file in its own directory, made the current directory (the program opens
// "database.db" there), with the shared state as at program start and a statement trace.
// EngineCatalogTest runs the same on both engines: a catalogue file, and a database on the
// test server that the program opens by its connection string.

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
    explicit CatalogTest(kelvara::sql::Dialect engine = kelvara::sql::Dialect::sqlite) : m_catalogue(engine) {}

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

    bool onServer() const { return m_catalogue.engine() == kelvara::sql::Dialect::postgres; }
    // An expected statement text as written for the catalogue file, as the open engine
    // receives it: on the server every text a single-quoted literal, "do" quoted where it is
    // a target column, and a count without the list's order.
    std::string sent(const std::string& fileText) const;
    std::vector<std::string> sent(const std::vector<std::string>& fileTexts) const;
    // Another program takes the catalogue's write lock (which keeps readers out too) for
    // holdMs; returns once it holds it.
    std::unique_ptr<ChildProcess> holdLock(int holdMs);

    // Convenience: a whole compressor row with the given type and prices.
    kelvara::test::CompressorRow compressor(const std::string& type, const std::string& partNo = "KV-1") const;

    kelvara::test::TempCatalogue m_catalogue;
    kelvara::test::RawDb m_db{m_catalogue.path()};
    std::unique_ptr<CCatalogDlg> m_main;

private:
    bool m_changedDirectory = false;
    std::string m_previousDirectory;
    std::vector<std::string> m_statements;
};

// The fixture of the suites that run on both engines; instantiate each with
// KELVARA_ON_BOTH_ENGINES(Fixture).
class EngineCatalogTest : public CatalogTest, public ::testing::WithParamInterface<kelvara::sql::Dialect> {
protected:
    EngineCatalogTest() : CatalogTest(GetParam()) {}
};

#define KELVARA_ON_BOTH_ENGINES(fixture)                                                           \
    INSTANTIATE_TEST_SUITE_P(Engines, fixture,                                                     \
                             ::testing::Values(kelvara::sql::Dialect::sqlite, kelvara::sql::Dialect::postgres), \
                             [](const auto& info) { return kelvara::test::engineName(info.param); })
