#pragma once

// A fresh catalogue with a session of the program's kind open on it, beside the test's own
// connection m_db.

#include "CatalogueFixture.h"
#include "CppSQLiteSession.h"

class SessionFixture : public kelvara::test::CatalogueFixture {
protected:
    using CatalogueFixture::CatalogueFixture;

    void SetUp() override
    {
        CatalogueFixture::SetUp();
        if (!IsSkipped() && !HasFatalFailure())
            session.open(m_catalogue.path().c_str());
    }

    CppSQLiteSession session;
};
