// Any bytes as a name, a model, a type, a price or an id: the composed statement is the
// historical text when the value is ordinary, a standard literal when it is not, or refused;
// and run against a real catalogue seeded with those bytes and decoys, every statement acts
// on exactly the rows whose stored value equals the bytes.
//
// The expectations are computed here, in C++, from the rows this file inserted: nothing
// below asks SQLite what the answer should be.

#include "FuzzCheck.h"
#include "CppSQLiteException.h"
#include "CppSQLiteSession.h"
#include "Schema.h"
#include "Statements.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace sql = kelvara::sql;

namespace {

// --- what the texts must look like ---------------------------------------------------------

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool readAsColumn(const std::string& v)
{
    static const char* const names[] = {
        "id_marki", "marka", "id_modelu", "model", "id_kompresora", "pojemnosc", "od", "do",
        "typ", "nr_f_s", "nrkv", "cena_zakl", "kaucja_sku", "netto", "manufacturer",
        "capacity", "year", "type", "common", "kelvara", "jobber", "deposit", "price",
        "rowid", "oid", "_rowid_"};
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* n) { return equalsIgnoringAsciiCase(v, n); });
}

bool hasNul(const std::string& v)
{
    return v.find('\0') != std::string::npos;
}

std::string standardLiteral(const std::string& v)
{
    std::string out = "'";
    for (char c : v)
        out += (c == '\'') ? std::string("''") : std::string(1, c);
    return out + "'";
}

// The value as the statement must carry it (never called for a value with a NUL).
std::string quoted(const std::string& v)
{
    if (v.find('"') == std::string::npos && !readAsColumn(v))
        return '"' + v + '"';
    return standardLiteral(v);
}

bool plainNumber(const std::string& v)
{
    static const std::regex number(R"([+-]?([0-9]+(\.[0-9]*)?|\.[0-9]+)([eE][+-]?[0-9]+)?)");
    // Nothing a double cannot hold: SQL would store it as Inf.
    return !hasNul(v) && std::regex_match(v, number) && std::isfinite(std::strtod(v.c_str(), nullptr));
}

bool plainInteger(const std::string& v)
{
    static const std::regex integer(R"([+-]?[0-9]+)");
    return !hasNul(v) && std::regex_match(v, integer);
}

template <typename Compose>
bool refused(Compose compose)
{
    try {
        compose();
    } catch (const sql::StatementRefused&) {
        return true;
    }
    return false;
}

const std::string kCount =
    "select count(*) from kompresory, modele, marki where kompresory.id_modelu = "
    "modele.id_modelu and modele.id_marki = marki.id_marki ";
const std::string kRows =
    "select kompresory.id_kompresora, marki.marka, modele.model, kompresory.pojemnosc, "
    "kompresory.od, kompresory.do, kompresory.typ, kompresory.nr_f_s, kompresory.nrkv, "
    "kompresory.cena_zakl, kompresory.kaucja_sku, kompresory.netto from kompresory, modele, "
    "marki where kompresory.id_modelu = modele.id_modelu and modele.id_marki = marki.id_marki ";

void checkNameTexts(const std::string& v)
{
    if (hasNul(v)) {
        CHECK(refused([&] { sql::modelsOfManufacturer(v); }));
        CHECK(refused([&] { sql::countModelsOfManufacturer(sql::Dialect::sqlite, v); }));
        CHECK(refused([&] { sql::deleteManufacturer(sql::Dialect::sqlite, v); }));
        CHECK(refused([&] { sql::countCompressorsOfModel(sql::Dialect::sqlite, v); }));
        CHECK(refused([&] { sql::deleteModel(sql::Dialect::sqlite, v); }));
        CHECK(refused([&] { sql::insertManufacturer(sql::Dialect::sqlite, v); }));
        CHECK(refused([&] { sql::manufacturerIdByName(sql::Dialect::sqlite, v); }));
        CHECK(refused([&] { sql::insertModel(sql::Dialect::sqlite, "1", v); }));
        CHECK(refused([&] { sql::modelIdByName(sql::Dialect::sqlite, v, "1"); }));
        CHECK(refused([&] { sql::countCompressorsOfType(sql::Dialect::sqlite, v); }));
        CHECK(refused([&] { sql::compressorsOfCar(sql::Dialect::sqlite, "x", v); }));
        CHECK(refused([&] { sql::insertCompressor(sql::Dialect::sqlite, "1", {"", "", "", "", "", v, "1", "1", "1"}); }));
        CHECK(refused([&] { sql::updateCompressor(sql::Dialect::sqlite, {v, "", "", "", "", "", "1", "1", "1"}, "1"); }));
        return;
    }
    const std::string q = quoted(v);
    CHECK(sql::modelsOfManufacturer(v)
          == "select modele.model from marki, modele where marki.id_marki = modele.id_marki and "
             "marki.marka = " + standardLiteral(v) + " order by modele.model;");
    CHECK(sql::countModelsOfManufacturer(sql::Dialect::sqlite, v)
          == "select count(*) from modele,marki where modele.id_marki = marki.id_marki and "
             "marki.marka = " + q + ";");
    CHECK(sql::deleteManufacturer(sql::Dialect::sqlite, v) == "delete from Marki where marka = " + q + ";");
    CHECK(sql::countCompressorsOfModel(sql::Dialect::sqlite, v)
          == "select count(*) from modele,kompresory where modele.id_modelu = "
             "kompresory.id_modelu and modele.model = " + q + ";");
    CHECK(sql::deleteModel(sql::Dialect::sqlite, v) == "delete from Modele where model = " + q + ";");
    CHECK(sql::insertManufacturer(sql::Dialect::sqlite, v) == "insert into Marki(id_marki, marka) values ( NULL, " + q + ");");
    CHECK(sql::manufacturerIdByName(sql::Dialect::sqlite, v) == "select id_marki from marki where marka = " + q + ";");
    CHECK(sql::insertModel(sql::Dialect::sqlite, "4", v)
          == "insert into Modele(id_modelu, id_marki, model) values ( NULL, 4," + q + ");");
    CHECK(sql::modelIdByName(sql::Dialect::sqlite, v, "4") == "select id_modelu from modele where model = " + q + "and id_marki = 4;");
    const std::string typeTail = "and kompresory.typ = " + q + " order by marki.marka DESC, modele.model DESC;";
    CHECK(sql::countCompressorsOfType(sql::Dialect::sqlite, v) == kCount + typeTail);
    CHECK(sql::compressorsOfType(sql::Dialect::sqlite, v) == kRows + typeTail);
    const std::string carTail = "and marki.marka = " + q + " and modele.model = \"Golf\";";
    CHECK(sql::countCompressorsOfCar(sql::Dialect::sqlite, v, "Golf") == kCount + carTail);
    CHECK(sql::compressorsOfCar(sql::Dialect::sqlite, v, "Golf") == kRows + carTail);
    CHECK(sql::insertCompressor(sql::Dialect::sqlite, "9", {v, "a", v, "b", v, "c", "1", "2", "3"})
          == "insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, do, typ, nr_f_s, nrkv, "
             "cena_zakl, kaucja_sku, netto) values(NULL,9, " + q + ",\"a\"," + q + ",\"b\"," + q
                 + ",\"c\",1,2,3);");
    CHECK(sql::updateCompressor(sql::Dialect::sqlite, {"a", v, "b", v, "c", v, "1", "2", "3"}, "9")
          == "update kompresory set pojemnosc = \"a\", od = " + q + ", do = \"b\", typ = " + q
                 + ", nr_f_s = \"c\", nrkv = " + q
                 + ", cena_zakl = 1, kaucja_sku = 2, netto = 3 where id_kompresora = 9;");
}

void checkBareTexts(const std::string& p)
{
    const sql::CompressorValues jobber{"a", "b", "c", "d", "e", "f", p, "2", "3"};
    const sql::CompressorValues deposit{"a", "b", "c", "d", "e", "f", "1", p, "3"};
    const sql::CompressorValues net{"a", "b", "c", "d", "e", "f", "1", "2", p};
    const std::string head =
        "insert into kompresory(id_kompresora, id_modelu, pojemnosc, od, do, typ, nr_f_s, nrkv, "
        "cena_zakl, kaucja_sku, netto) values(NULL,9, \"a\",\"b\",\"c\",\"d\",\"e\",\"f\",";
    CHECK(sql::isPlainSqlNumber(p) == plainNumber(p));
    if (plainNumber(p)) {
        CHECK(sql::insertCompressor(sql::Dialect::sqlite, "9", jobber) == head + p + ",2,3);");
        CHECK(sql::insertCompressor(sql::Dialect::sqlite, "9", deposit) == head + "1," + p + ",3);");
        CHECK(sql::insertCompressor(sql::Dialect::sqlite, "9", net) == head + "1,2," + p + ");");
        CHECK(sql::updateCompressor(sql::Dialect::sqlite, net, "9").find(", netto = " + p + " where id_kompresora = 9;")
              != std::string::npos);
    } else {
        CHECK(refused([&] { sql::insertCompressor(sql::Dialect::sqlite, "9", jobber); }));
        CHECK(refused([&] { sql::insertCompressor(sql::Dialect::sqlite, "9", deposit); }));
        CHECK(refused([&] { sql::updateCompressor(sql::Dialect::sqlite, net, "9"); }));
    }

    CHECK(sql::isPlainSqlInteger(p) == plainInteger(p));
    if (plainInteger(p)) {
        CHECK(sql::deleteCompressor(p) == "delete from kompresory where id_kompresora = " + p + ";");
        CHECK(sql::insertModel(sql::Dialect::sqlite, p, "Golf")
              == "insert into Modele(id_modelu, id_marki, model) values ( NULL, " + p + ",\"Golf\");");
        CHECK(sql::modelIdByName(sql::Dialect::sqlite, "Golf", p) == "select id_modelu from modele where model = \"Golf\"and id_marki = " + p + ";");
        // The same digits are also the net price: several hundred of them are an integer but
        // not a finite price, and the price rule refuses them.
        if (plainNumber(p))
            CHECK(sql::insertCompressor(sql::Dialect::sqlite, p, net).rfind("values(NULL," + p + ", ") != std::string::npos);
        else
            CHECK(refused([&] { sql::insertCompressor(sql::Dialect::sqlite, p, net); }));
        CHECK(sql::loadCompressor(sql::Dialect::sqlite, p).size() > p.size());
    } else {
        CHECK(refused([&] { sql::deleteCompressor(p); }));
        CHECK(refused([&] { sql::loadCompressor(sql::Dialect::sqlite, p); }));
        CHECK(refused([&] { sql::updateCompressor(sql::Dialect::sqlite, {"a", "b", "c", "d", "e", "f", "1", "2", "3"}, p); }));
        CHECK(refused([&] { sql::insertModel(sql::Dialect::sqlite, p, "Golf"); }));
        CHECK(refused([&] { sql::modelIdByName(sql::Dialect::sqlite, "Golf", p); }));
        CHECK(refused([&] { sql::insertCompressor(sql::Dialect::sqlite, p, net); }));
    }
}

// --- what the statements must do ------------------------------------------------------------

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

struct Maker { long long id; std::string name; };
struct Model { long long id; long long maker; std::string name; };
struct Compressor { long long id; long long model; std::string type; };

std::vector<std::string> column(CppSQLiteSession& db, const std::string& statement)
{
    std::vector<std::string> out;
    for (CppSQLiteCursor c = db.execute(statement); !c.atEnd(); c.advance())
        out.emplace_back(c.field(0) ? c.field(0) : "<NULL>");
    return out;
}

std::string one(CppSQLiteSession& db, const std::string& statement)
{
    CppSQLiteCursor c = db.execute(statement);
    CHECK(!c.atEnd());
    return c.field(0) ? c.field(0) : "<NULL>";
}

std::vector<std::string> sortedIds(std::vector<long long> ids)
{
    std::sort(ids.begin(), ids.end());
    std::vector<std::string> out;
    for (long long id : ids)
        out.push_back(std::to_string(id));
    return out;
}

std::vector<std::string> sortedNumbers(std::vector<std::string> texts)
{
    std::vector<long long> ids;
    for (const auto& t : texts)
        ids.push_back(std::atoll(t.c_str()));
    return sortedIds(ids);
}

// The schema holds several statements; the session runs one per text.
void createSchema(CppSQLiteSession& db)
{
    const std::string& schema = kelvara::catalogueSchemaSql();
    std::string statement;
    for (char c : schema) {
        statement += c;
        if (c == ';' && sqlite3_complete(statement.c_str())) {
            db.execute(statement);
            statement.clear();
        }
    }
}

// One connection and one schema serve the whole run; each input's rows and writes are rolled
// back, leaving the empty catalogue for the next.
CppSQLiteSession& emptyCatalogue()
{
    static CppSQLiteSession* const db = [] {
        auto* session = new CppSQLiteSession;
        session->open(":memory:");
        createSchema(*session);
        return session;
    }();
    return *db;
}

// head, then (first, $1), (first + 1, $2)... for count values, then tail.
std::string seedSql(const char* head, const char* tail, std::size_t count, int first)
{
    std::string sql = head;
    for (std::size_t i = 0; i < count; ++i)
        sql += (i ? ", (" : "(") + std::to_string(first + static_cast<int>(i)) + ", $" + std::to_string(i + 1) + ")";
    return sql + tail;
}

kelvara::db::BoundValues boundNames(const std::vector<std::string>& names)
{
    return kelvara::db::BoundValues(names.begin(), names.end());
}

class Catalogue {
public:
    Catalogue(const std::string& name, const std::string& model, const std::string& type) : db(emptyCatalogue())
    {
        db.execute("BEGIN");

        std::vector<std::string> makers = {name, model, type, "marka", "MARKA", "Model", "rowid",
                                           "\"", "'", "", "x"};
        std::vector<std::string> models = {model, name, "model", "id_marki", "x"};
        std::vector<std::string> types = {type, name, model, "typ", "TYP", "x"};
        for (const std::string* v : {&name, &model}) {
            makers.push_back(*v + " ");
            makers.push_back(" " + *v);
            models.push_back(*v + "\"");
            std::string upper = *v;
            for (char& c : upper)
                c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            types.push_back(upper);
        }

        // Ids are given explicitly: every manufacturer has each model once, every model one
        // compressor with the next type in turn.
        std::size_t t = 0;
        for (const auto& m : makers) {
            m_makers.push_back({static_cast<long long>(m_makers.size()) + 1, m});
            for (const auto& n : models) {
                m_models.push_back({static_cast<long long>(m_models.size()) + 1, m_makers.back().id, n});
                m_compressors.push_back({static_cast<long long>(m_compressors.size()) + 1, m_models.back().id,
                                         types[t++ % types.size()]});
            }
        }
        // The names are bound, which owes nothing to the statements under test, and three
        // statements make all the rows: a hundred rows written out as literals took a third of
        // an input's time to compile.
        db.execute(seedSql("insert into Marki(id_marki, marka) values ", "", makers.size(), 1), boundNames(makers));
        db.execute(seedSql("with n(i, v) as (values ", "), m as (select id_marki from Marki) ", models.size(), 1)
                       + "insert into Modele(id_modelu, id_marki, model) select (m.id_marki - 1) * "
                       + std::to_string(models.size()) + " + n.i, m.id_marki, n.v from m, n",
                   boundNames(models));
        db.execute(seedSql("with t(i, v) as (values ", ") ", types.size(), 0)
                       + "insert into kompresory(id_kompresora, id_modelu, typ, cena_zakl) select id_modelu, "
                         "id_modelu, t.v, '1' from Modele, t where t.i = (id_modelu - 1) % "
                       + std::to_string(types.size()),
                   boundNames(types));
    }

    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;
    ~Catalogue()
    {
        try {
            db.execute("ROLLBACK");
        } catch (const CppSQLiteException& e) {
            std::fprintf(stderr, "cannot roll back: %s\n", e.errorMessage());
            __builtin_trap();
        }
    }

    CppSQLiteSession& db;
    std::vector<Maker> m_makers;
    std::vector<Model> m_models;
    std::vector<Compressor> m_compressors;

    const Maker& makerOf(const Model& m) const { return m_makers[static_cast<std::size_t>(m.maker - 1)]; }
    const Model& modelOf(const Compressor& c) const { return m_models[static_cast<std::size_t>(c.model - 1)]; }
};

// Ids of the rows that bear the fuzzed manufacturer and model names.
struct Found {
    std::vector<long long> makerIds;
    std::vector<long long> modelIds;  // of the first such manufacturer
};

// Manufacturer by name, its models, and a model by name within it.
Found checkLookups(Catalogue& cat, const std::string& name, const std::string& model)
{
    CppSQLiteSession& db = cat.db;
    Found found;
    std::vector<long long>& makerIds = found.makerIds;
    for (const auto& m : cat.m_makers)
        if (m.name == name)
            makerIds.push_back(m.id);
    CHECK(!makerIds.empty());
    CHECK(sortedNumbers(column(db, sql::manufacturerIdByName(sql::Dialect::sqlite, name))) == sortedIds(makerIds));

    std::vector<std::string> modelNames;
    for (const auto& m : cat.m_models)
        if (cat.makerOf(m).name == name)
            modelNames.push_back(m.name);
    CHECK(one(db, sql::countModelsOfManufacturer(sql::Dialect::sqlite, name)) == std::to_string(modelNames.size()));
    std::sort(modelNames.begin(), modelNames.end());
    CHECK(column(db, sql::modelsOfManufacturer(name)) == modelNames);

    std::vector<long long>& modelIds = found.modelIds;
    std::size_t compressorsOfModel = 0;
    for (const auto& m : cat.m_models)
        if (m.name == model && m.maker == makerIds.front())
            modelIds.push_back(m.id);
    for (const auto& c : cat.m_compressors)
        if (cat.modelOf(c).name == model)
            ++compressorsOfModel;
    CHECK(sortedNumbers(column(db, sql::modelIdByName(sql::Dialect::sqlite, model, std::to_string(makerIds.front()))))
          == sortedIds(modelIds));
    CHECK(one(db, sql::countCompressorsOfModel(sql::Dialect::sqlite, model)) == std::to_string(compressorsOfModel));
    return found;
}

// The two searches.
void checkSearches(Catalogue& cat, const std::string& name, const std::string& model, const std::string& type)
{
    CppSQLiteSession& db = cat.db;
    std::vector<long long> ofType, ofCar;
    for (const auto& c : cat.m_compressors) {
        if (c.type == type)
            ofType.push_back(c.id);
        if (cat.modelOf(c).name == model && cat.makerOf(cat.modelOf(c)).name == name)
            ofCar.push_back(c.id);
    }
    CHECK(!ofType.empty() && !ofCar.empty());
    CHECK(one(db, sql::countCompressorsOfType(sql::Dialect::sqlite, type)) == std::to_string(ofType.size()));
    CHECK(sortedNumbers(column(db, sql::compressorsOfType(sql::Dialect::sqlite, type))) == sortedIds(ofType));
    CHECK(one(db, sql::countCompressorsOfCar(sql::Dialect::sqlite, name, model)) == std::to_string(ofCar.size()));
    CHECK(sortedNumbers(column(db, sql::compressorsOfCar(sql::Dialect::sqlite, name, model))) == sortedIds(ofCar));
}

// Writes keep the bytes.
void checkWrites(CppSQLiteSession& db, const std::string& name, const std::string& model, const std::string& type,
                 const std::string& makerId, const std::string& modelId)
{
    db.execute(sql::insertManufacturer(sql::Dialect::sqlite, name));
    CHECK(one(db, "select hex(marka) from marki order by id_marki desc limit 1") == hex(name));
    db.execute(sql::insertModel(sql::Dialect::sqlite, makerId, model));
    CHECK(one(db, "select hex(model) from modele order by id_modelu desc limit 1") == hex(model));
    const sql::CompressorValues values{name, model, type, type, model, name, "1", "2", "3"};
    db.execute(sql::insertCompressor(sql::Dialect::sqlite, modelId, values));
    CHECK(one(db, "select hex(pojemnosc) || '.' || hex(od) || '.' || hex(do) || '.' || hex(typ) || '.' "
                  "|| hex(nr_f_s) || '.' || hex(nrkv) from kompresory order by id_kompresora desc limit 1")
          == hex(name) + "." + hex(model) + "." + hex(type) + "." + hex(type) + "." + hex(model) + "." + hex(name));
}

// A bare value as a price and as an id.
void checkBareValue(CppSQLiteSession& db, const std::string& modelId, const std::string& bare)
{
    if (plainNumber(bare)) {
        db.execute(sql::insertCompressor(sql::Dialect::sqlite, modelId, {"", "", "", "", "", "", bare, bare, bare}));
        const std::string expected = one(db, "select hex(CAST((" + bare + ") AS TEXT))");
        CHECK(one(db, "select hex(cena_zakl) || hex(kaucja_sku) || hex(netto) from kompresory "
                      "order by id_kompresora desc limit 1")
              == expected + expected + expected);
    }
    if (plainInteger(bare)) {
        errno = 0;
        const long long target = std::strtoll(bare.c_str(), nullptr, 10);
        const bool representable = errno == 0;
        const std::string before = one(db, "select count(*) from kompresory");
        const std::string matching =
            representable ? one(db, "select count(*) from kompresory where id_kompresora = " + std::to_string(target))
                          : "0";
        db.execute(sql::updateCompressor(sql::Dialect::sqlite, {"u", "u", "u", "u", "u", "u", "0", "0", "0"}, bare));
        CHECK(one(db, "select count(*) from kompresory where pojemnosc = 'u'") == matching);
        db.execute(sql::deleteCompressor(bare));
        CHECK(std::atoll(one(db, "select count(*) from kompresory").c_str())
              == std::atoll(before.c_str()) - std::atoll(matching.c_str()));
    }
}

// Deletions take exactly the rows that bear the name.
void checkDeletions(Catalogue& cat, const std::string& name, const std::string& model)
{
    CppSQLiteSession& db = cat.db;
    std::size_t otherModels = 0;
    for (const auto& m : cat.m_models)
        otherModels += m.name != model;
    db.execute(sql::deleteModel(sql::Dialect::sqlite, model));
    CHECK(one(db, "select count(*) from modele") == std::to_string(otherModels));
    std::size_t otherMakers = 0;
    for (const auto& m : cat.m_makers)
        otherMakers += m.name != name;
    db.execute(sql::deleteManufacturer(sql::Dialect::sqlite, name));
    CHECK(one(db, "select count(*) from marki") == std::to_string(otherMakers));
}

void checkAgainstCatalogue(const std::string& name, const std::string& model, const std::string& type,
                           const std::string& bare)
{
    Catalogue cat(name, model, type);
    const Found found = checkLookups(cat, name, model);
    checkSearches(cat, name, model, type);
    const std::string modelId = std::to_string(found.modelIds.empty() ? 1 : found.modelIds.front());
    checkWrites(cat.db, name, model, type, std::to_string(found.makerIds.front()), modelId);
    checkBareValue(cat.db, modelId, bare);
    checkDeletions(cat, name, model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string name = input.ConsumeRandomLengthString(48);
    const std::string model = input.ConsumeRandomLengthString(48);
    const std::string type = input.ConsumeRandomLengthString(48);
    const std::string bare = input.ConsumeRemainingBytesAsString();

    // The same value twice (empty, most often) composes the same texts twice.
    std::vector<const std::string*> names;
    for (const std::string* v : {&name, &model, &type, &bare})
        if (std::none_of(names.begin(), names.end(), [&](const std::string* seen) { return *seen == *v; }))
            names.push_back(v);
    for (const std::string* v : names)
        checkNameTexts(*v);
    checkBareTexts(bare);

    if (!hasNul(name) && !hasNul(model) && !hasNul(type)) {
        try {
            checkAgainstCatalogue(name, model, type, bare);
        } catch (const CppSQLiteException& e) {
            std::fprintf(stderr, "database error: %s\n", e.errorMessage());
            __builtin_trap();
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // SQLite's count of its memory takes a lock on every allocation; nothing here reads it.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return 0;
}
