// A session killed in the middle of a burst of writes leaves a sound catalogue in which
// every statement is wholly there or wholly absent.

#include "CatalogTest.h"
#include "ChildProcess.h"

#include <chrono>
#include <csignal>
#include <set>

TEST_F(CatalogTest, KilledMidWriteLeavesASoundCatalogue)
{
    const long long maker = m_db.insertManufacturer("Maker 0");
    m_db.insertModel(maker, "Model 0");

    long long reported = 0;
    {
        ChildProcess session(KELVARA_SCRIPTED_SESSION, {}, m_catalogue.directory());
        std::string line;
        while (reported < 100 && session.readLine(line, 20000))
            reported = std::stoll(line);
        // Kill it at a moment unrelated to its output, then count what it finished.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(137);
        while (std::chrono::steady_clock::now() < deadline && session.readLine(line, 5))
            reported = std::stoll(line);
        session.kill();
        EXPECT_EQ(session.wait(), -SIGKILL);
        while (session.readLine(line, 0))
            reported = std::stoll(line);
    }
    ASSERT_GE(reported, 100) << "the session did not get going";

    m_db = kelvara::test::RawDb(m_catalogue.path());
    EXPECT_EQ(m_db.scalar("pragma integrity_check").value(), "ok");

    // Compressor n holds n in all nine fields: a row is whole when they agree.
    const auto rows = m_db.query(
        "select pojemnosc, od, do, typ, nr_f_s, nrkv, cena_zakl, kaucja_sku, netto from kompresory");
    std::set<long long> numbers;
    for (const auto& row : rows) {
        ASSERT_TRUE(row[0].has_value());
        for (const auto& field : row)
            EXPECT_EQ(field, row[0]);
        numbers.insert(std::stoll(*row[0]));
    }
    // Every reported write is there, in order, with nothing missing before the last one
    // (the one in flight at the kill may or may not have landed).
    EXPECT_EQ(static_cast<long long>(rows.size()), static_cast<long long>(numbers.size()));
    ASSERT_GE(static_cast<long long>(numbers.size()), reported);
    EXPECT_LE(static_cast<long long>(numbers.size()), reported + 1);
    EXPECT_EQ(*numbers.begin(), 1);
    EXPECT_EQ(*numbers.rbegin(), static_cast<long long>(numbers.size()));
    const auto makers = m_db.query("select marka from marki");
    EXPECT_GE(static_cast<long long>(makers.size()), 1 + reported / 10);
}
