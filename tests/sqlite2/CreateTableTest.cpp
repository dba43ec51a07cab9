#include "Sqlite2Reader.h"

#include <gtest/gtest.h>

namespace kelvara::sqlite2 {
namespace {

std::vector<std::string> names(const TableDefinition& definition)
{
    std::vector<std::string> out;
    for (const Column& column : definition.columns)
        out.push_back(column.name);
    return out;
}

TEST(Sqlite2CreateTable, NamesAndTypesAsDeclared)
{
    const TableDefinition t = parseCreateTable(
        "CREATE TEMP TABLE \"Cennik\" (\n"
        "  id integer primary key,\n"
        "  \"cena \"\"netto\"\"\" numeric( 10 , 2 ) not null default 0,\n"
        "  [typ kompresora] double   precision,\n"
        "  `opis`, 'uwagi' varchar(200) default 'a, (b)' check (length(uwagi) < 200),\n"
        "  -- comment, with a comma\n"
        "  /* and (another) , */ rok\n"
        ")");
    EXPECT_EQ(names(t), (std::vector<std::string>{"id", "cena \"netto\"", "typ kompresora", "opis",
                                                   "uwagi", "rok"}));
    EXPECT_EQ(t.columns[0].type, "integer");
    EXPECT_EQ(t.columns[1].type, "numeric(10,2)");
    EXPECT_EQ(t.columns[2].type, "double precision");
    EXPECT_EQ(t.columns[3].type, "");
    EXPECT_EQ(t.columns[4].type, "varchar(200)");
    EXPECT_EQ(t.integerPrimaryKey, 0);
}

TEST(Sqlite2CreateTable, OnlyASingleIntegerKeyIsTheRowid)
{
    struct Case {
        const char* sql;
        int rowidColumn;
    };
    const Case cases[] = {
        {"create table t(a text, id INTEGER PRIMARY KEY)", 1},
        {"create table t(id Integer constraint pk primary key asc on conflict replace, v)", 0},
        {"create table t(v, id integer, primary key(id))", 1},
        {"create table t(v, id integer, constraint pk primary key (\"ID\" desc))", 1},
        {"create table t(id int primary key, v)", -1},
        {"create table t(id integer unsigned primary key, v)", -1},
        {"create table t(id, v, primary key(id))", -1},
        {"create table t(a integer, b integer, primary key(a, b))", -1},
        {"create table t(id integer unique, v default 'primary key')", -1},
        {"create table t(id integer check(id in (1, 2)) primary key)", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseCreateTable(c.sql).integerPrimaryKey, c.rowidColumn) << c.sql;
}

TEST(Sqlite2CreateTable, TableConstraintsAreNotColumns)
{
    const TableDefinition t = parseCreateTable(
        "create table t(a, b, unique(a, b), check(a > 0), primary key(b), "
        "foreign key(a) references u(x))");
    EXPECT_EQ(names(t), (std::vector<std::string>{"a", "b"}));
}

TEST(Sqlite2CreateTable, NonAsciiNamesSurvive)
{
    // cp1250 bytes of "cena zł" and UTF-8 of "ilość", unquoted.
    const TableDefinition t = parseCreateTable("create table t(cena_z\xb3, ilo\xc5\x9b\xc4\x87 text)");
    EXPECT_EQ(names(t), (std::vector<std::string>{"cena_z\xb3", "ilo\xc5\x9b\xc4\x87"}));
}

TEST(Sqlite2CreateTable, WhatIsNotAColumnListIsRefused)
{
    for (const char* sql : {"", "create index i on t(a)", "create table t as select 1",
                            "create table t(a, b", "create table t()", "create table t(a,,b)",
                            "create table t(\"a)", "create table (a)"})
        EXPECT_THROW(parseCreateTable(sql), Error) << sql;
}

}  // namespace
}  // namespace kelvara::sqlite2
