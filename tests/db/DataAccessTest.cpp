// What kelvara-db and the tests reach a catalogue through, besides the program's statements:
// bound values, transactions, read-only opening and bulk loading, on both engines.

#include "CatalogueFixture.h"
#include "CppSQLiteException.h"
#include "CppSQLiteSession.h"
#include "CppSQLiteTransaction.h"

#include <gtest/gtest.h>

namespace {

using kelvara::db::Access;
using kelvara::db::BoundValues;

class DataAccess : public kelvara::test::OnBothEngines<kelvara::test::CatalogueFixture> {
protected:
    void open(Access access)
    {
        session.open(m_catalogue.path().c_str(), access, "kelvara-test");
    }
    std::vector<std::string> names()
    {
        std::vector<std::string> found;
        for (const auto& row : m_db.query("select marka from marki order by id_marki"))
            found.push_back(row[0].value_or("<null>"));
        return found;
    }

    CppSQLiteSession session;
};

TEST_P(DataAccess, BoundValuesReachTheirParametersExactly)
{
    open(Access::readWrite);
    // The same compiled insert again and again, values out of textual order, NULL and text.
    const std::string insert = "insert into marki(id_marki, marka) values ($2, $1)";
    for (const BoundValues& values : {BoundValues{"a \"quoted\" 'name'", 7LL}, BoundValues{"", 8LL},
                                      BoundValues{std::nullopt, 9LL}, BoundValues{"marka", 10LL}})
        session.execute(insert, values);
    EXPECT_EQ(names(), (std::vector<std::string>{"a \"quoted\" 'name'", "", "<null>", "marka"}));

    CppSQLiteCursor found = session.execute("select id_marki from marki where id_marki > $1 and marka = $2", {8, "marka"});
    ASSERT_FALSE(found.atEnd());
    EXPECT_STREQ(found.field(0), "10");
    EXPECT_THROW(session.execute("select $1", {"one", "two"}), CppSQLiteException);
}

TEST_P(DataAccess, ATransactionLeftUncommittedLeavesNothing)
{
    open(Access::readWrite);
    {
        CppSQLiteTransaction transaction(session, CppSQLiteTransaction::Kind::write);
        session.execute("insert into marki(id_marki, marka) values (1, 'Gone')");
    }
    {
        CppSQLiteTransaction transaction(session, CppSQLiteTransaction::Kind::write);
        session.execute("insert into marki(id_marki, marka) values (2, 'Kept')");
        transaction.commit();
    }
    EXPECT_EQ(names(), std::vector<std::string>{"Kept"});
}

TEST_P(DataAccess, ReadOnlyRefusesWritesAndBulkLoadsArriveWhole)
{
    open(Access::readWrite);
    int next = 0;
    session.loadRows("Marki", {"id_marki", "marka"}, [&](BoundValues& row) {
        static const char* const loaded[] = {"tab\there", "back\\slash", "new\nline"};
        if (next == 3)
            return false;
        row = {next + 1, loaded[next]};
        ++next;
        return true;
    });
    EXPECT_EQ(names(), (std::vector<std::string>{"tab\there", "back\\slash", "new\nline"}));

    open(Access::readOnly);
    EXPECT_EQ(session.execute("select count(*) from marki").fieldView(0), "3");
    EXPECT_THROW(session.execute("delete from marki"), CppSQLiteException);
    EXPECT_EQ(names().size(), 3u);
}

// On a server these travel together; each keeps its own answer and its own failure, as alone.
TEST_P(DataAccess, StatementsSentAheadKeepTheirOwnAnswersAndFailures)
{
    open(Access::readWrite);
    session.execute("insert into marki(id_marki, marka) values (1, 'A'), (2, 'B')");
    const std::string byId = "select marka from marki where id_marki = $1";
    session.sendAfterNext(byId, {2});
    EXPECT_THROW(session.execute("select * from nowhere"), CppSQLiteException);
    EXPECT_EQ(session.execute(byId, {2}).fieldView(0), "B");
    // Announced and not run: its answer never stands in for another statement's.
    session.sendAfterNext(byId, {1});
    EXPECT_EQ(session.execute("select count(*) from marki").fieldView(0), "2");
    EXPECT_EQ(session.execute(byId, {2}).fieldView(0), "B");

    // A last write that fails commits nothing of its transaction, though its COMMIT went with it.
    {
        CppSQLiteTransaction transaction(session, CppSQLiteTransaction::Kind::write);
        session.execute("insert into marki(id_marki, marka) values (3, 'C')");
        EXPECT_THROW(transaction.executeAndCommit("insert into marki(id_marki, marka) values (1, 'again')"),
                     CppSQLiteException);
    }
    {
        CppSQLiteTransaction transaction(session, CppSQLiteTransaction::Kind::write);
        transaction.executeAndCommit("insert into marki(id_marki, marka) values (4, 'D')");
        EXPECT_FALSE(transaction.isOpen());
    }
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "B", "D"}));
}

KELVARA_ON_BOTH_ENGINES(DataAccess);

}  // namespace
