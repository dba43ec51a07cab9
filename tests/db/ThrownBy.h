#pragma once

#include "CppSQLiteException.h"

#include <gtest/gtest.h>

// Runs body and returns the CppSQLiteException it threw; fails the test if it threw none.
template <typename Body>
CppSQLiteException thrownBy(Body body)
{
    try {
        body();
    } catch (const CppSQLiteException& e) {
        return e;
    }
    ADD_FAILURE() << "no CppSQLiteException thrown";
    return CppSQLiteException(0, "none");
}
