#pragma once

// The fixture of every suite that works on a fresh catalogue: a TempCatalogue for its engine
// and m_db, the test's own connection to it. A server catalogue that could not be made skips
// the test (or fails it, with KELVARA_REQUIRE_PG=1); a derived SetUp goes on only when
// neither happened:
//
//   void SetUp() override
//   {
//       CatalogueFixture::SetUp();
//       if (IsSkipped() || HasFatalFailure())
//           return;
//       ...
//   }

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace kelvara::test {

class CatalogueFixture : public ::testing::Test {
protected:
    explicit CatalogueFixture(kelvara::sql::Dialect engine = kelvara::sql::Dialect::sqlite) : m_catalogue(engine) {}

    void SetUp() override
    {
        KELVARA_SKIP_UNLESS_MADE(m_catalogue);
        m_db = m_catalogue.connect();
    }

    kelvara::sql::Dialect engine() const { return m_catalogue.engine(); }
    bool onServer() const { return engine() == kelvara::sql::Dialect::postgres; }

    TempCatalogue m_catalogue;
    RawDb m_db;
};

// Fixture (a CatalogueFixture) on the engine the test is instantiated for; instantiate the
// suite with KELVARA_ON_BOTH_ENGINES.
template <class Fixture>
class OnBothEngines : public Fixture, public ::testing::WithParamInterface<kelvara::sql::Dialect> {
protected:
    OnBothEngines() : Fixture(::testing::WithParamInterface<kelvara::sql::Dialect>::GetParam()) {}
};

}  // namespace kelvara::test

#define KELVARA_ON_BOTH_ENGINES(fixture)                                                           \
    INSTANTIATE_TEST_SUITE_P(Engines, fixture,                                                     \
                             ::testing::Values(kelvara::sql::Dialect::sqlite, kelvara::sql::Dialect::postgres), \
                             [](const auto& info) { return kelvara::test::engineName(info.param); })
