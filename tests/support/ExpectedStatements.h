#pragma once

// Every statement text the tests expect, spelled out once.
//
// kelvara::test::file has the texts as the catalogue file receives them, with each value as
// the text writes it: quoted("VW") for the usual double-quoted form, or a single-quoted
// literal where the text has one. ExpectedStatements gives a test the text its engine
// receives for plain values: the file's text as spelled here, and on a server what the
// program composes for it (StatementTextTest pins how those texts differ from the file's).

#include "Statements.h"

#include <array>
#include <string>

namespace kelvara::test {

namespace file {

inline std::string quoted(const std::string& value)
{
    return '"' + value + '"';
}

// kolumny's flags in the result list's column order.
inline const std::array<std::string, 9> kColumnFlags{"manufacturer", "capacity", "year",    "type",  "common",
                                                     "kelvara",      "jobber",   "deposit", "price"};
inline const std::string kSelectColumnFlags =
    "select manufacturer, capacity, year, type, common, kelvara, jobber, deposit, price from kolumny";
inline const std::string kSelectManufacturers = "select marka from marki order by id_marki;";
// What the two searches select, and from where.
inline const std::string kSelectCompressorRows =
    "select kompresory.id_kompresora, marki.marka, modele.model, kompresory.pojemnosc, kompresory.od, "
    "kompresory.do, kompresory.typ, kompresory.nr_f_s, kompresory.nrkv, kompresory.cena_zakl, "
    "kompresory.kaucja_sku, kompresory.netto";
inline const std::string kSearchJoin =
    " from kompresory, modele, marki where kompresory.id_modelu = modele.id_modelu and "
    "modele.id_marki = marki.id_marki and ";
inline const std::string kInsertCompressorHead =
    "insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, do, typ, nr_f_s, nrkv, cena_zakl, "
    "kaucja_sku, netto) values(NULL,";
inline const std::string kLoadCompressorHead =
    "select kompresory.pojemnosc, kompresory.od, kompresory.do, kompresory.typ, kompresory.nr_f_s, "
    "kompresory.nrkv, kompresory.cena_zakl, kompresory.kaucja_sku, kompresory.netto from kompresory, "
    "modele, marki where kompresory.id_kompresora = ";

inline std::string updateColumnFlag(const std::string& flag, bool visible)
{
    return "Update kolumny set " + flag + " = " + (visible ? "1" : "0");
}

inline std::string modelsOfManufacturer(const std::string& literal)
{
    return "select modele.model from marki, modele where marki.id_marki = modele.id_marki and marki.marka = "
           + literal + " order by modele.model;";
}
inline std::string countModelsOfManufacturer(const std::string& literal)
{
    return "select count(*) from modele,marki where modele.id_marki = marki.id_marki and marki.marka = " + literal
           + ";";
}
inline std::string deleteManufacturer(const std::string& literal)
{
    return "delete from Marki where marka = " + literal + ";";
}
inline std::string countCompressorsOfModel(const std::string& literal)
{
    return "select count(*) from modele,kompresory where modele.id_modelu = kompresory.id_modelu and "
           "modele.model = "
           + literal + ";";
}
inline std::string deleteModel(const std::string& literal)
{
    return "delete from Modele where model = " + literal + ";";
}
inline std::string insertManufacturer(const std::string& literal)
{
    return "insert into Marki(id_marki, marka) values ( NULL, " + literal + ");";
}
inline std::string manufacturerIdByName(const std::string& literal)
{
    return "select id_marki from marki where marka = " + literal + ";";
}
inline std::string insertModel(const std::string& manufacturerId, const std::string& literal)
{
    return "insert into Modele(id_modelu, id_marki, model) values ( NULL, " + manufacturerId + "," + literal + ");";
}
inline std::string modelIdByName(const std::string& literal, const std::string& manufacturerId)
{
    return "select id_modelu from modele where model = " + literal + "and id_marki = " + manufacturerId + ";";
}

// The six texts double-quoted, the three prices bare.
inline std::string insertCompressor(const std::string& modelId, const sql::CompressorValues& v)
{
    return kInsertCompressorHead + modelId + ", " + quoted(v.capacity) + "," + quoted(v.yearFrom) + ","
           + quoted(v.yearTo) + "," + quoted(v.type) + "," + quoted(v.commonPartNo) + "," + quoted(v.partNo) + ","
           + v.jobber + "," + v.coreDeposit + "," + v.netPrice + ");";
}
inline std::string updateCompressor(const sql::CompressorValues& v, const std::string& compressorId)
{
    return "update kompresory set pojemnosc = " + quoted(v.capacity) + ", od = " + quoted(v.yearFrom)
           + ", do = " + quoted(v.yearTo) + ", typ = " + quoted(v.type) + ", nr_f_s = " + quoted(v.commonPartNo)
           + ", nrkv = " + quoted(v.partNo) + ", cena_zakl = " + v.jobber + ", kaucja_sku = " + v.coreDeposit
           + ", netto = " + v.netPrice + " where id_kompresora = " + compressorId + ";";
}
inline std::string loadCompressor(const std::string& compressorId)
{
    return kLoadCompressorHead + compressorId + ";";
}
inline std::string deleteCompressor(const std::string& compressorId)
{
    return "delete from kompresory where id_kompresora = " + compressorId + ";";
}

inline std::string countCompressorsOfType(const std::string& literal)
{
    return "select count(*)" + kSearchJoin + "kompresory.typ = " + literal
           + " order by marki.marka DESC, modele.model DESC;";
}
inline std::string compressorsOfType(const std::string& literal)
{
    return kSelectCompressorRows + kSearchJoin + "kompresory.typ = " + literal
           + " order by marki.marka DESC, modele.model DESC;";
}
inline std::string countCompressorsOfCar(const std::string& manufacturer, const std::string& model)
{
    return "select count(*)" + kSearchJoin + "marki.marka = " + manufacturer + " and modele.model = " + model + ";";
}
inline std::string compressorsOfCar(const std::string& manufacturer, const std::string& model)
{
    return kSelectCompressorRows + kSearchJoin + "marki.marka = " + manufacturer + " and modele.model = " + model
           + ";";
}

}  // namespace file

// The texts one engine receives, for values that the file writes double-quoted.
class ExpectedStatements {
public:
    explicit ExpectedStatements(sql::Dialect engine) : m_engine(engine) {}

    // The same on both engines.
    std::string selectColumnFlags() const { return file::kSelectColumnFlags; }
    std::string selectManufacturers() const { return file::kSelectManufacturers; }
    std::string deleteCompressor(const std::string& id) const { return file::deleteCompressor(id); }
    std::string currentCompressor(bool lockRow) const { return sql::currentCompressor(m_engine, lockRow); }
    std::string modelsOfManufacturer(const std::string& name) const
    {
        return file::modelsOfManufacturer("'" + name + "'");
    }
    std::string loadCompressor(const std::string& id) const
    {
        return on(file::loadCompressor(id), file::kLoadCompressorHead + id + " limit (select 1);");  // the first row only
    }

    std::string countModelsOfManufacturer(const std::string& name) const
    {
        return on(file::countModelsOfManufacturer(q(name)), sql::countModelsOfManufacturer(m_engine, name));
    }
    std::string deleteManufacturer(const std::string& name) const
    {
        return on(file::deleteManufacturer(q(name)), sql::deleteManufacturer(m_engine, name));
    }
    std::string countCompressorsOfModel(const std::string& model) const
    {
        return on(file::countCompressorsOfModel(q(model)), sql::countCompressorsOfModel(m_engine, model));
    }
    std::string deleteModel(const std::string& model) const
    {
        return on(file::deleteModel(q(model)), sql::deleteModel(m_engine, model));
    }
    std::string insertManufacturer(const std::string& name) const
    {
        return on(file::insertManufacturer(q(name)), sql::insertManufacturer(m_engine, name));
    }
    std::string manufacturerIdByName(const std::string& name) const
    {
        return on(file::manufacturerIdByName(q(name)), sql::manufacturerIdByName(m_engine, name));
    }
    std::string insertModel(const std::string& makerId, const std::string& model) const
    {
        return on(file::insertModel(makerId, q(model)), sql::insertModel(m_engine, makerId, model));
    }
    std::string modelIdByName(const std::string& model, const std::string& makerId) const
    {
        return on(file::modelIdByName(q(model), makerId), sql::modelIdByName(m_engine, model, makerId));
    }
    std::string insertCompressor(const std::string& modelId, const sql::CompressorValues& v) const
    {
        return on(file::insertCompressor(modelId, v), sql::insertCompressor(m_engine, modelId, v));
    }
    std::string updateCompressor(const sql::CompressorValues& v, const std::string& id) const
    {
        return on(file::updateCompressor(v, id), sql::updateCompressor(m_engine, v, id));
    }
    std::string countCompressorsOfType(const std::string& type) const
    {
        return on(file::countCompressorsOfType(q(type)), sql::countCompressorsOfType(m_engine, type));
    }
    std::string compressorsOfType(const std::string& type) const
    {
        return on(file::compressorsOfType(q(type)), sql::compressorsOfType(m_engine, type));
    }
    std::string countCompressorsOfCar(const std::string& maker, const std::string& model) const
    {
        return on(file::countCompressorsOfCar(q(maker), q(model)), sql::countCompressorsOfCar(m_engine, maker, model));
    }
    std::string compressorsOfCar(const std::string& maker, const std::string& model) const
    {
        return on(file::compressorsOfCar(q(maker), q(model)), sql::compressorsOfCar(m_engine, maker, model));
    }

private:
    static std::string q(const std::string& value) { return file::quoted(value); }
    std::string on(std::string fileText, std::string serverText) const
    {
        return m_engine == sql::Dialect::postgres ? serverText : fileText;
    }

    sql::Dialect m_engine;
};

}  // namespace kelvara::test
