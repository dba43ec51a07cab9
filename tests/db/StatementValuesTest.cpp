// Values that plain double quoting could not carry, run against a real catalogue: each
// statement must act on exactly the rows whose stored value equals the text, and store
// exactly the text it was given. The expected rows come from the same questions asked
// with bound parameters, which no value can change.

#include "SessionFixture.h"
#include "Statements.h"

#include <algorithm>
#include <string>
#include <vector>

namespace sql = kelvara::sql;
using kelvara::test::Rows;
using kelvara::test::Value;

namespace {

const std::vector<std::string> kAwkwardValues = {
    // Column names of the tables involved, in several cases, and the row id's names.
    "marka", "MARKA", "model", "Model", "id_marki", "ID_MODELU", "id_kompresora", "typ", "TYP",
    "pojemnosc", "od", "DO", "nr_f_s", "nrkv", "cena_zakl", "kaucja_sku", "netto",
    "rowid", "_ROWID_", "oid", "price", "type",
    // Words that SQLite 3 might read otherwise; it reads them as texts.
    "true", "False", "null", "marki", "Modele", "kompresory", "current_time",
    // Quotes of both kinds and attempts to leave the literal.
    "Say \"hi\"", "\"", "\"\"", "'", "''", "O'Neil", "x\" or \"1\"=\"1",
    "\"; delete from marki; --", "'; delete from marki; --", "marka\" or marka = \"",
    // Texts that must simply survive.
    "", " ", "marka ", "\\", "%s%d", "line\nbreak", "\xC5\xA0koda \xCE\xA9", "\xFF\xFE",
};

std::string text(const char* field)
{
    return field ? field : "<NULL>";
}

// Column 0 of every row a statement yields, through the catalogue's own session.
std::vector<std::string> firstColumn(CppSQLiteSession& session, const std::string& statement)
{
    std::vector<std::string> out;
    for (CppSQLiteCursor cursor = session.execute(statement); !cursor.atEnd(); cursor.advance())
        out.push_back(text(cursor.field(0)));
    return out;
}

std::vector<std::string> firstColumn(const Rows& rows)
{
    std::vector<std::string> out;
    for (const auto& row : rows)
        out.push_back(row.at(0).value_or("<NULL>"));
    return out;
}

std::string describe(const std::string& value)
{
    return "value \"" + value + "\"";
}

class AwkwardValues : public SessionFixture {
protected:

    // Every awkward value as a manufacturer with a model of the same name (with one
    // compressor whose texts are all that value) and a decoy model (with an ordinary
    // compressor), plus an ordinary manufacturer; every row disagrees with all others.
    void seed()
    {
        for (std::size_t i = 0; i < kAwkwardValues.size(); ++i) {
            const std::string& v = kAwkwardValues[i];
            const long long maker = m_db.insertManufacturer(v);
            const long long model = m_db.insertModel(maker, v);
            m_db.insertCompressor(model, {v, v, v, v, v, v, "1", "2", "3"});
            const long long decoy = m_db.insertModel(maker, "decoy " + std::to_string(i));
            m_db.insertCompressor(decoy, {"1.6", "2000", "2004", "DECOY", "C", "K", "1", "2", "3"});
        }
        const long long ordinary = m_db.insertManufacturer("Ordinary");
        m_db.insertCompressor(m_db.insertModel(ordinary, "Ordinary"),
                             {"2.0", "2001", "2005", "ORD", "C", "K", "1", "2", "3"});
    }

    std::vector<std::string> expected(const std::string& boundQuery, const std::vector<Value>& params)
    {
        return firstColumn(m_db.query(boundQuery, params));
    }
};

TEST_F(AwkwardValues, LookupsAndSearchesFindExactlyTheirRows)
{
    seed();
    for (const std::string& v : kAwkwardValues) {
        SCOPED_TRACE(describe(v));

        const auto makerIds = expected("select id_marki from marki where marka = $1", {v});
        ASSERT_EQ(makerIds.size(), 1u) << "each value is stored once as a manufacturer";
        EXPECT_EQ(firstColumn(session, sql::manufacturerIdByName(sql::Dialect::sqlite, v)), makerIds);

        EXPECT_EQ(firstColumn(session, sql::countModelsOfManufacturer(sql::Dialect::sqlite, v)), (std::vector<std::string>{"2"}));
        EXPECT_EQ(firstColumn(session, sql::modelsOfManufacturer(v)),
                  expected("select modele.model from marki, modele where marki.id_marki = "
                           "modele.id_marki and marki.marka = $1 order by modele.model",
                           {v}));

        EXPECT_EQ(firstColumn(session, sql::countCompressorsOfModel(sql::Dialect::sqlite, v)), (std::vector<std::string>{"1"}));
        EXPECT_EQ(firstColumn(session, sql::modelIdByName(sql::Dialect::sqlite, v, makerIds.front())),
                  expected("select id_modelu from modele where model = $1 and id_marki = $2",
                           {v, makerIds.front()}));

        const auto compressorIds = expected("select id_kompresora from kompresory where typ = $1", {v});
        ASSERT_EQ(compressorIds.size(), 1u);
        EXPECT_EQ(firstColumn(session, sql::countCompressorsOfType(sql::Dialect::sqlite, v)), (std::vector<std::string>{"1"}));
        EXPECT_EQ(firstColumn(session, sql::compressorsOfType(sql::Dialect::sqlite, v)), compressorIds);
        EXPECT_EQ(firstColumn(session, sql::countCompressorsOfCar(sql::Dialect::sqlite, v, v)), (std::vector<std::string>{"1"}));
        EXPECT_EQ(firstColumn(session, sql::compressorsOfCar(sql::Dialect::sqlite, v, v)), compressorIds);

        // The whole result row of the search, and the record as the edit dialog loads it.
        CppSQLiteCursor row = session.execute(sql::compressorsOfCar(sql::Dialect::sqlite, v, v));
        ASSERT_FALSE(row.atEnd());
        for (int f = sql::kFieldManufacturer; f <= sql::kFieldPartNo; ++f)
            EXPECT_EQ(text(row.field(f)), v) << "field " << f;
        CppSQLiteCursor record = session.execute(sql::loadCompressor(sql::Dialect::sqlite, compressorIds.front()));
        for (int f = 0; f < 6; ++f)
            EXPECT_EQ(text(record.field(f)), v) << "field " << f;
    }

    // A search with a value nobody has, across both kinds of quoting, finds nothing.
    EXPECT_TRUE(firstColumn(session, sql::compressorsOfCar(sql::Dialect::sqlite, "marka", "Ordinary")).empty());
    EXPECT_EQ(firstColumn(session, sql::countCompressorsOfCar(sql::Dialect::sqlite, "Ordinary", "Ordinary")),
              (std::vector<std::string>{"1"}));
}

TEST_F(AwkwardValues, WritesStoreTheExactText)
{
    for (const std::string& v : kAwkwardValues) {
        SCOPED_TRACE(describe(v));
        m_db.exec("delete from kompresory; delete from Modele; delete from Marki;");

        session.execute(sql::insertManufacturer(sql::Dialect::sqlite, v));
        const Rows makers = m_db.query("select id_marki, marka from marki");
        ASSERT_EQ(makers.size(), 1u);
        EXPECT_EQ(makers[0][1], v);
        const std::string makerId = *makers[0][0];

        session.execute(sql::insertModel(sql::Dialect::sqlite, makerId, v));
        const Rows models = m_db.query("select id_modelu, id_marki, model from modele");
        ASSERT_EQ(models.size(), 1u);
        EXPECT_EQ(models[0][1], makerId);
        EXPECT_EQ(models[0][2], v);
        const std::string modelId = *models[0][0];

        session.execute(sql::insertCompressor(sql::Dialect::sqlite, modelId, {v, v, v, v, v, v, "1", "2", "3"}));
        session.execute(sql::insertCompressor(sql::Dialect::sqlite, modelId, {"a", "b", "c", "d", "e", "f", "4", "5", "6"}));
        const Rows inserted = m_db.query("select id_kompresora, id_modelu, pojemnosc, od, do, typ, "
                                        "nr_f_s, nrkv, cena_zakl, kaucja_sku, netto from kompresory "
                                        "order by id_kompresora");
        ASSERT_EQ(inserted.size(), 2u);
        EXPECT_EQ(inserted[0], (kelvara::test::Row{"1", modelId, v, v, v, v, v, v, "1", "2", "3"}));

        // The update changes the one row it names, each column to its own value.
        const std::string other = v + "|";
        session.execute(sql::updateCompressor(sql::Dialect::sqlite, {other, v, other, v, other, v, "7", "8", "9"}, "1"));
        const Rows updated = m_db.query("select * from kompresory order by id_kompresora");
        EXPECT_EQ(updated[0], (kelvara::test::Row{"1", modelId, other, v, other, v, other, v, "7", "8", "9"}));
        EXPECT_EQ(updated[1], inserted[1]);
    }
}

TEST_F(AwkwardValues, DeletesRemoveExactlyTheirRows)
{
    seed();
    for (const std::string& v : kAwkwardValues) {
        SCOPED_TRACE(describe(v));

        const Rows makersLeft = m_db.query("select * from Marki where marka <> $1 order by id_marki", {v});
        session.execute(sql::deleteManufacturer(sql::Dialect::sqlite, v));
        EXPECT_EQ(m_db.query("select * from Marki order by id_marki"), makersLeft);

        const Rows modelsLeft = m_db.query("select * from Modele where model <> $1 order by id_modelu", {v});
        session.execute(sql::deleteModel(sql::Dialect::sqlite, v));
        EXPECT_EQ(m_db.query("select * from Modele order by id_modelu"), modelsLeft);
    }
    EXPECT_EQ(m_db.query("select marka from Marki"), (Rows{{"Ordinary"}}));
    EXPECT_EQ(m_db.scalar("select count(*) from Modele where model like 'decoy %'"),
              std::to_string(kAwkwardValues.size()));

    const Value victim = m_db.scalar("select min(id_kompresora) from kompresory");
    const Rows compressorsLeft =
        m_db.query("select * from kompresory where id_kompresora <> $1 order by 1", {victim});
    session.execute(sql::deleteCompressor(*victim));
    EXPECT_EQ(m_db.query("select * from kompresory order by 1"), compressorsLeft);
}

TEST_F(AwkwardValues, BarePricesAreStoredAsSqlNumbers)
{
    const long long model = m_db.insertModel(m_db.insertManufacturer("A"), "B");
    const std::string modelId = std::to_string(model);

    // SQLite 3 stores a bare number as the number it reads, printed its own way.
    const std::vector<std::pair<std::string, std::string>> prices = {
        {"12", "12"},   {"12.50", "12.5"}, {".5", "0.5"},    {"1e3", "1000.0"},
        {"-3", "-3"},   {"+4", "4"},       {"007", "7"},     {"12.", "12.0"},
    };
    for (const auto& [typed, stored] : prices) {
        session.execute(sql::insertCompressor(sql::Dialect::sqlite, modelId, {"", "", "", "", "", "", typed, typed, typed}));
        const Rows row = m_db.query("select cena_zakl, kaucja_sku, netto from kompresory "
                                   "order by id_kompresora desc limit 1");
        EXPECT_EQ(row, (Rows{{stored, stored, stored}})) << typed;
    }

    // A price that is not a plain number never reaches the database.
    std::vector<std::string> ran;
    session.setStatementTrace([&](const char* text) { ran.emplace_back(text); });
    for (const std::string bad : {"", "12,50", "1e", "0 where 1 --", " 12", "0x10", "1); delete from Marki; --"}) {
        EXPECT_THROW(session.execute(sql::insertCompressor(sql::Dialect::sqlite, modelId, {"", "", "", "", "", "", "1", "1", bad})),
                     sql::StatementRefused)
            << bad;
    }
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(m_db.scalar("select count(*) from kompresory"), std::to_string(prices.size()));
}

}  // namespace
