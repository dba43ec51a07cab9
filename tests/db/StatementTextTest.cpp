// The composed statement texts, character for character.

#include "ExpectedStatements.h"
#include "CppSQLiteSession.h"
#include "Statements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace sql = kelvara::sql;
namespace file = kelvara::test::file;
using file::quoted;

namespace {

sql::CompressorValues ordinaryCompressor()
{
    return {"1.6", "1998", "2004", "SD7V16", "1135", "KV-22", "310.50", "20", "290"};
}

TEST(StatementText, ColumnSettings)
{
    EXPECT_EQ(sql::selectColumnFlags(), file::kSelectColumnFlags);
    for (int i = 0; i < sql::kColumnCount; ++i) {
        const std::string& flag = file::kColumnFlags[static_cast<std::size_t>(i)];
        EXPECT_EQ(sql::updateColumnFlag(i, true), file::updateColumnFlag(flag, true));
        EXPECT_EQ(sql::updateColumnFlag(i, false), file::updateColumnFlag(flag, false));
    }
    EXPECT_THROW(sql::updateColumnFlag(-1, true), std::out_of_range);
    EXPECT_THROW(sql::updateColumnFlag(9, true), std::out_of_range);
}

TEST(StatementText, ManufacturersAndModels)
{
    EXPECT_EQ(sql::selectManufacturers(), file::kSelectManufacturers);
    EXPECT_EQ(sql::modelsOfManufacturer("Volkswagen"), file::modelsOfManufacturer("'Volkswagen'"));
    EXPECT_EQ(sql::countModelsOfManufacturer(sql::Dialect::sqlite, "Volkswagen"),
              file::countModelsOfManufacturer(quoted("Volkswagen")));
    EXPECT_EQ(sql::deleteManufacturer(sql::Dialect::sqlite, "Volkswagen"), file::deleteManufacturer(quoted("Volkswagen")));
    EXPECT_EQ(sql::countCompressorsOfModel(sql::Dialect::sqlite, "Golf IV"),
              file::countCompressorsOfModel(quoted("Golf IV")));
    EXPECT_EQ(sql::deleteModel(sql::Dialect::sqlite, "Golf IV"), file::deleteModel(quoted("Golf IV")));
    EXPECT_EQ(sql::insertManufacturer(sql::Dialect::sqlite, "Volkswagen"), file::insertManufacturer(quoted("Volkswagen")));
    EXPECT_EQ(sql::manufacturerIdByName(sql::Dialect::sqlite, "Volkswagen"),
              file::manufacturerIdByName(quoted("Volkswagen")));
    EXPECT_EQ(sql::insertModel(sql::Dialect::sqlite, "7", "Golf IV"), file::insertModel("7", quoted("Golf IV")));
    EXPECT_EQ(sql::modelIdByName(sql::Dialect::sqlite, "Golf IV", "7"), file::modelIdByName(quoted("Golf IV"), "7"));
}

TEST(StatementText, Compressors)
{
    EXPECT_EQ(sql::insertCompressor(sql::Dialect::sqlite, "12", ordinaryCompressor()),
              file::insertCompressor("12", ordinaryCompressor()));
    EXPECT_EQ(sql::updateCompressor(sql::Dialect::sqlite, ordinaryCompressor(), "31"),
              file::updateCompressor(ordinaryCompressor(), "31"));
    EXPECT_EQ(sql::loadCompressor(sql::Dialect::sqlite, "31"), file::loadCompressor("31"));
    EXPECT_EQ(sql::deleteCompressor("31"), file::deleteCompressor("31"));

    // Empty texts are written as two adjacent quotes.
    EXPECT_EQ(sql::insertCompressor(sql::Dialect::sqlite, "1", {"", "", "", "", "", "", "0", "0", "0"}),
              file::kInsertCompressorHead + "1, \"\",\"\",\"\",\"\",\"\",\"\",0,0,0);");
}

TEST(StatementText, Searches)
{
    EXPECT_EQ(sql::countCompressorsOfType(sql::Dialect::sqlite, "SD7V16"), file::countCompressorsOfType(quoted("SD7V16")));
    EXPECT_EQ(sql::compressorsOfType(sql::Dialect::sqlite, "SD7V16"), file::compressorsOfType(quoted("SD7V16")));
    EXPECT_EQ(sql::countCompressorsOfCar(sql::Dialect::sqlite, "Volkswagen", "Golf IV"),
              file::countCompressorsOfCar(quoted("Volkswagen"), quoted("Golf IV")));
    EXPECT_EQ(sql::compressorsOfCar(sql::Dialect::sqlite, "Volkswagen", "Golf IV"),
              file::compressorsOfCar(quoted("Volkswagen"), quoted("Golf IV")));
    EXPECT_EQ(sql::kResultFieldCount, 12);
}

TEST(StatementText, ValuesTheDoubleQuotesCannotCarryBecomeStandardLiterals)
{
    // Column names in any ASCII case, and the row id's three names.
    EXPECT_EQ(sql::deleteManufacturer(sql::Dialect::sqlite, "marka"), file::deleteManufacturer("'marka'"));
    EXPECT_EQ(sql::deleteModel(sql::Dialect::sqlite, "MODEL"), file::deleteModel("'MODEL'"));
    EXPECT_EQ(sql::deleteManufacturer(sql::Dialect::sqlite, "RowId"), file::deleteManufacturer("'RowId'"));
    EXPECT_EQ(sql::deleteManufacturer(sql::Dialect::sqlite, "_ROWID_"), file::deleteManufacturer("'_ROWID_'"));
    EXPECT_EQ(sql::deleteManufacturer(sql::Dialect::sqlite, "Oid"), file::deleteManufacturer("'Oid'"));
    EXPECT_EQ(sql::countCompressorsOfType(sql::Dialect::sqlite, "PRICE"), file::countCompressorsOfType("'PRICE'"));
    // An embedded double quote; inner single quotes are then doubled.
    EXPECT_EQ(sql::manufacturerIdByName(sql::Dialect::sqlite, "Rock \"n' Roll"),
              file::manufacturerIdByName("'Rock \"n'' Roll'"));
    EXPECT_EQ(sql::modelIdByName(sql::Dialect::sqlite, "\"", "3"), file::modelIdByName("'\"'", "3"));
    // Only the value that needs it changes form.
    EXPECT_EQ(sql::countCompressorsOfCar(sql::Dialect::sqlite, "typ", "Golf"),
              file::countCompressorsOfCar("'typ'", quoted("Golf")));
    EXPECT_EQ(sql::insertModel(sql::Dialect::sqlite, "2", "id_modelu"), file::insertModel("2", "'id_modelu'"));

    // Near misses stay ordinary: a single quote alone, a column name among other words or
    // with a blank, a non-ASCII look-alike, and words SQLite 3 reads as texts when
    // double-quoted (table names, literals, keywords).
    for (const std::string name : {"O'Neil", "marka x", "marka ", " typ", "t\xC3\xBDp", "marki",
                                   "Modele", "kolumny", "true", "FALSE", "null", "current_date",
                                   "main", "sqlite_master", "count(*)", "marki.marka", ""}) {
        EXPECT_EQ(sql::deleteManufacturer(sql::Dialect::sqlite, name), file::deleteManufacturer(quoted(name)));
    }

    // The single-quoted statement doubles inner single quotes and needs nothing else.
    EXPECT_EQ(sql::modelsOfManufacturer("O'Neil"), file::modelsOfManufacturer("'O''Neil'"));
    EXPECT_EQ(sql::modelsOfManufacturer("marka \"x\""), file::modelsOfManufacturer("'marka \"x\"'"));
}

TEST(StatementText, NulCharactersAreRefusedNamingTheField)
{
    const std::string nul("A\0B", 3);
    auto fieldOf = [](auto compose) -> std::string {
        try {
            compose();
        } catch (const sql::StatementRefused& refused) {
            return refused.field();
        }
        return "(accepted)";
    };
    EXPECT_EQ(fieldOf([&] { sql::modelsOfManufacturer(nul); }), "Manufacturer");
    EXPECT_EQ(fieldOf([&] { sql::deleteManufacturer(sql::Dialect::sqlite, nul); }), "Manufacturer");
    EXPECT_EQ(fieldOf([&] { sql::deleteModel(sql::Dialect::sqlite, nul); }), "Model");
    EXPECT_EQ(fieldOf([&] { sql::compressorsOfCar(sql::Dialect::sqlite, "A", nul); }), "Model");
    EXPECT_EQ(fieldOf([&] { sql::compressorsOfType(sql::Dialect::sqlite, nul); }), "Compressor type");

    const char* const labels[] = {"Engine capacity", "Model year from", "Model year to",
                                  "Compressor type", "Common part #", "Kelvara part #"};
    std::string sql::CompressorValues::*const texts[] = {
        &sql::CompressorValues::capacity, &sql::CompressorValues::yearFrom,
        &sql::CompressorValues::yearTo, &sql::CompressorValues::type,
        &sql::CompressorValues::commonPartNo, &sql::CompressorValues::partNo};
    for (std::size_t i = 0; i < 6; ++i) {
        auto values = ordinaryCompressor();
        values.*texts[i] = nul;
        EXPECT_EQ(fieldOf([&] { sql::insertCompressor(sql::Dialect::sqlite, "1", values); }), labels[i]);
        EXPECT_EQ(fieldOf([&] { sql::updateCompressor(sql::Dialect::sqlite, values, "1"); }), labels[i]);
    }

    try {
        sql::deleteModel(sql::Dialect::sqlite, nul);
        FAIL() << "accepted";
    } catch (const std::invalid_argument& refused) {
        EXPECT_STREQ(refused.what(), "Model cannot contain a NUL character");
    }
}

TEST(StatementText, BareValuesMustBePlainNumbers)
{
    for (const std::string good : {"12", "12.50", ".5", "1e3", "-3", "+4", "0", "007", "12.",
                                   "1.5E-3", "2e+10", "-.5", "99999999999999999999"}) {
        EXPECT_TRUE(sql::isPlainSqlNumber(good)) << '"' << good << '"';
    }
    for (const std::string bad : {"", "12,50", "1e", "0 where 1 --", " 12", "12 ", "0x10", ".",
                                  "-", "+", "--3", "+-3", "e3", ".e3", "1e+", "1.2.3", "1e3.5",
                                  "12abc", "NaN", "inf", "1_000", "\xD9\xA3", "12\n", "1e3e3"}) {
        EXPECT_FALSE(sql::isPlainSqlNumber(bad)) << '"' << bad << '"';
    }
    // Numbers SQLite would store as Inf are refused; everything a double holds is not. Each
    // verdict is checked against SQLite itself.
    CppSQLiteSession db;
    db.open(":memory:");
    // 9e999 is SQLite's own spelling of infinity.
    const auto sqliteInf = [&db](const std::string& literal) {
        return db.execute("select abs(" + literal + ") = 9e999").fieldView(0) == "1";
    };
    for (const std::string& huge : std::vector<std::string>{"1e999", "-1e999", "1e309", "+1E+309", "1" + std::string(309, '0'),
                                   "1.7976931348623159e308", "0.0000001e316", "1e99999999999999999999999"}) {
        EXPECT_FALSE(sql::isPlainSqlNumber(huge)) << huge;
        EXPECT_TRUE(sqliteInf(huge)) << huge;
    }
    for (const std::string& large : std::vector<std::string>{"1.7976931348623157e308", "-1e308", "0.0001e312", "9" + std::string(307, '9'),
                                    "1e-999", "0e99999", "0.000e400", "1000e305"}) {
        EXPECT_TRUE(sql::isPlainSqlNumber(large)) << large;
        EXPECT_FALSE(sqliteInf(large)) << large;
    }

    for (const std::string good : {"0", "17", "-2", "+2", "0017"})
        EXPECT_TRUE(sql::isPlainSqlInteger(good)) << '"' << good << '"';
    for (const std::string bad : {"", "-", "1.0", "1e3", "0x1F", " 1", "1 ", "1;", "--1", "\xEF\xBC\x91"})
        EXPECT_FALSE(sql::isPlainSqlInteger(bad)) << '"' << bad << '"';

    // Each price is checked where it goes, and the refusal names it.
    auto refusal = [](auto compose) -> std::string {
        try {
            compose();
        } catch (const sql::StatementRefused& refused) {
            return refused.what();
        }
        return "(accepted)";
    };
    auto values = ordinaryCompressor();
    values.jobber = "12,50";
    EXPECT_EQ(refusal([&] { sql::insertCompressor(sql::Dialect::sqlite, "1", values); }),
              "Kelvara Jobber $ must be a plain number such as 12 or 12.50");
    values = ordinaryCompressor();
    values.coreDeposit = "";
    EXPECT_EQ(refusal([&] { sql::updateCompressor(sql::Dialect::sqlite, values, "1"); }),
              "Core deposit must be a plain number such as 12 or 12.50");
    values = ordinaryCompressor();
    values.netPrice = "0 where 1 --";
    EXPECT_EQ(refusal([&] { sql::insertCompressor(sql::Dialect::sqlite, "1", values); }),
              "Net price must be a plain number such as 12 or 12.50");

    EXPECT_EQ(refusal([&] { sql::deleteCompressor("1 or 1"); }), "compressor id must be a whole number");
    EXPECT_EQ(refusal([&] { sql::loadCompressor(sql::Dialect::sqlite, ""); }), "compressor id must be a whole number");
    EXPECT_EQ(refusal([&] { sql::updateCompressor(sql::Dialect::sqlite, ordinaryCompressor(), "1.5"); }),
              "compressor id must be a whole number");
    EXPECT_EQ(refusal([&] { sql::insertCompressor(sql::Dialect::sqlite, "x", ordinaryCompressor()); }),
              "model id must be a whole number");
    EXPECT_EQ(refusal([&] { sql::insertModel(sql::Dialect::sqlite, "", "Golf"); }), "manufacturer id must be a whole number");
    EXPECT_EQ(refusal([&] { sql::modelIdByName(sql::Dialect::sqlite, "Golf", "1;"); }), "manufacturer id must be a whole number");

    // Signs and exponents go in as written.
    values = ordinaryCompressor();
    values.jobber = "-3";
    values.coreDeposit = ".5";
    values.netPrice = "1e3";
    EXPECT_NE(sql::updateCompressor(sql::Dialect::sqlite, values, "-1").find(
                  "cena_zakl = -3, kaucja_sku = .5, netto = 1e3 where id_kompresora = -1;"),
              std::string::npos);
}

}  // namespace

// On the server every text is a standard literal; besides that, a statement's server text
// differs from the file's only where PostgreSQL rejects what the file's text says. This is
// the complete list of such differences.
TEST(StatementText, ServerTextsDifferOnlyInLiteralsAndWhatTheServerRejects)
{
    using D = sql::Dialect;
    const auto values = ordinaryCompressor();
    struct Composed {
        const char* name;
        std::string file, server;
    };
    const auto both = [](const char* name, auto compose) {
        return Composed{name, compose(D::sqlite), compose(D::postgres)};
    };
    const std::vector<Composed> statements = {
        both("countModelsOfManufacturer", [](D d) { return sql::countModelsOfManufacturer(d, "VW"); }),
        both("deleteManufacturer", [](D d) { return sql::deleteManufacturer(d, "VW"); }),
        both("countCompressorsOfModel", [](D d) { return sql::countCompressorsOfModel(d, "Golf"); }),
        both("deleteModel", [](D d) { return sql::deleteModel(d, "Golf"); }),
        both("insertManufacturer", [](D d) { return sql::insertManufacturer(d, "VW"); }),
        both("manufacturerIdByName", [](D d) { return sql::manufacturerIdByName(d, "VW"); }),
        both("insertModel", [](D d) { return sql::insertModel(d, "3", "Golf"); }),
        both("modelIdByName", [](D d) { return sql::modelIdByName(d, "Golf", "3"); }),
        both("insertCompressor", [&](D d) { return sql::insertCompressor(d, "7", values); }),
        both("updateCompressor", [&](D d) { return sql::updateCompressor(d, values, "9"); }),
        both("countCompressorsOfType", [](D d) { return sql::countCompressorsOfType(d, "SD7V16"); }),
        both("compressorsOfType", [](D d) { return sql::compressorsOfType(d, "SD7V16"); }),
        both("countCompressorsOfCar", [](D d) { return sql::countCompressorsOfCar(d, "VW", "Golf"); }),
        both("compressorsOfCar", [](D d) { return sql::compressorsOfCar(d, "VW", "Golf"); }),
        both("loadCompressor", [](D d) { return sql::loadCompressor(d, "31"); }),
    };
    std::vector<std::string> differing;
    for (const Composed& statement : statements) {
        std::string literals = statement.file;
        for (char& c : literals)
            c = c == '"' ? '\'' : c;
        if (literals != statement.server)
            differing.push_back(statement.name);
    }
    EXPECT_EQ(differing, (std::vector<std::string>{"insertCompressor", "updateCompressor", "countCompressorsOfType",
                                                   "compressorsOfType", "compressorsOfCar", "loadCompressor"}));

    // "do" is reserved: as a target column it is quoted, which names the same column.
    EXPECT_EQ(statements[8].server,
              "insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, \"do\", typ, nr_f_s, nrkv, "
              "cena_zakl, kaucja_sku, netto) values(NULL,7, '1.6','1998','2004','SD7V16','1135','KV-22',"
              "310.50,20,290);");
    EXPECT_EQ(statements[9].server,
              "update kompresory set pojemnosc = '1.6', od = '1998', \"do\" = '2004', typ = 'SD7V16', "
              "nr_f_s = '1135', nrkv = 'KV-22', cena_zakl = 310.50, kaucja_sku = 20, netto = 290 "
              "where id_kompresora = 9;");
    // An aggregate cannot be ordered by columns it does not group; the order cannot change a count.
    EXPECT_EQ(statements[10].server, "select count(*)" + file::kSearchJoin + "kompresory.typ = 'SD7V16';");
    // Rows the file lists in id order come in id order from the server too.
    EXPECT_EQ(statements[13].server.substr(statements[13].file.size() - 1), " order by kompresory.id_kompresora;");
    // The edit's statement names every model and manufacturer unjoined: the server sends one row.
    EXPECT_EQ(statements[14].server, file::kLoadCompressorHead + "31 limit (select 1);");

    // Every value is a standard literal there, whatever it holds; a backslash is an
    // ordinary character.
    EXPECT_EQ(sql::deleteModel(D::postgres, "O'Neil \"GT\" \\"), file::deleteModel("'O''Neil \"GT\" \\'"));
    EXPECT_EQ(sql::deleteModel(D::postgres, "model"), file::deleteModel("'model'"));
}
