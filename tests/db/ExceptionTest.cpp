#include "CppSQLiteException.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(CppSQLiteException, NamesEveryHistoricalCodeAndNothingElse)
{
    const std::vector<std::pair<int, const char*>> named = {
        {0, "SQLITE_OK"},          {1, "SQLITE_ERROR"},     {2, "SQLITE_INTERNAL"},
        {3, "SQLITE_PERM"},        {4, "SQLITE_ABORT"},     {5, "SQLITE_BUSY"},
        {6, "SQLITE_LOCKED"},      {7, "SQLITE_NOMEM"},     {8, "SQLITE_READONLY"},
        {9, "SQLITE_INTERRUPT"},   {10, "SQLITE_IOERR"},    {11, "SQLITE_CORRUPT"},
        {12, "SQLITE_NOTFOUND"},   {13, "SQLITE_FULL"},     {14, "SQLITE_CANTOPEN"},
        {15, "SQLITE_PROTOCOL"},   {16, "SQLITE_EMPTY"},    {17, "SQLITE_SCHEMA"},
        {18, "SQLITE_TOOBIG"},     {19, "SQLITE_CONSTRAINT"}, {20, "SQLITE_MISMATCH"},
        {21, "SQLITE_MISUSE"},     {22, "SQLITE_NOLFS"},    {23, "SQLITE_AUTH"},
        {24, "SQLITE_FORMAT"},     {25, "SQLITE_RANGE"},    {100, "SQLITE_ROW"},
        {101, "SQLITE_DONE"},      {1000, "CPPSQLITE_ERROR"},
    };
    for (const auto& [code, name] : named)
        EXPECT_STREQ(CppSQLiteException::errorCodeName(code), name) << "code " << code;

    // SQLite 3's newer codes and extended codes stay unnamed, as do the neighbours of the
    // named ranges.
    for (int code : {26, 27, 28, 99, 102, 261, 517, 999, 1001, -1, INT_MIN, INT_MAX})
        EXPECT_STREQ(CppSQLiteException::errorCodeName(code), "UNKNOWN_ERROR") << "code " << code;
}

TEST(CppSQLiteException, FormatsNameCodeAndMessage)
{
    EXPECT_STREQ(CppSQLiteException(1000, "Database not open").errorMessage(),
                 "CPPSQLITE_ERROR[1000]: Database not open");
    EXPECT_STREQ(CppSQLiteException(26, "file is not a database").errorMessage(),
                 "UNKNOWN_ERROR[26]: file is not a database");
    EXPECT_STREQ(CppSQLiteException(-1, "x").errorMessage(), "UNKNOWN_ERROR[-1]: x");

    // No message at all still gives the full prefix, ending in a colon and a blank.
    const CppSQLiteException busy(5, nullptr, true);
    EXPECT_STREQ(busy.errorMessage(), "SQLITE_BUSY[5]: ");
    EXPECT_EQ(busy.errorCode(), 5);
    EXPECT_STREQ(CppSQLiteException(1, static_cast<const char*>(nullptr)).errorMessage(),
                 "SQLITE_ERROR[1]: ");

    // A text that SQLite allocated is taken over and released (the leak checker of the
    // sanitizer build would report it otherwise); a percent sign in it is not a format.
    const CppSQLiteException owned(1, sqlite3_mprintf("near \"%s\": syntax error", "%d"), true);
    EXPECT_STREQ(owned.errorMessage(), "SQLITE_ERROR[1]: near \"%d\": syntax error");

    // freeMessage false leaves the caller's text alone.
    char* kept = sqlite3_mprintf("still mine");
    {
        const CppSQLiteException borrowed(1, kept, false);
        EXPECT_STREQ(borrowed.errorMessage(), "SQLITE_ERROR[1]: still mine");
    }
    EXPECT_STREQ(kept, "still mine");
    sqlite3_free(kept);
}

TEST(CppSQLiteException, CopiesOwnTheirText)
{
    auto* original = new CppSQLiteException(19, sqlite3_mprintf("UNIQUE constraint failed"), true);
    CppSQLiteException copy(*original);
    CppSQLiteException assigned(1000, "placeholder");
    assigned = *original;
    EXPECT_NE(copy.errorMessage(), original->errorMessage());
    delete original;

    EXPECT_EQ(copy.errorCode(), 19);
    EXPECT_STREQ(copy.errorMessage(), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed");
    EXPECT_EQ(assigned.errorCode(), 19);
    EXPECT_STREQ(assigned.errorMessage(), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed");

    auto& self = assigned;
    assigned = self;
    EXPECT_STREQ(assigned.errorMessage(), "SQLITE_CONSTRAINT[19]: UNIQUE constraint failed");

    // A copy taken in a handler outlives the thrown object.
    auto kept = [] {
        try {
            throw CppSQLiteException(1000, "Invalid field index requested");
        } catch (const CppSQLiteException& caught) {
            return CppSQLiteException(caught);
        }
    }();
    EXPECT_STREQ(kept.errorMessage(), "CPPSQLITE_ERROR[1000]: Invalid field index requested");
}

}  // namespace
