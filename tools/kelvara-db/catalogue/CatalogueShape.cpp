#include "CatalogueShape.h"

#include "Catalogue.h"
#include "CatalogueRows.h"
#include "ToolError.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace kelvara::dbtool {

namespace {

std::string lowerCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool sameName(std::string_view a, std::string_view b)
{
    return lowerCase(a) == lowerCase(b);
}

// Ids held by more than one row, where nothing keeps them unique.
constexpr int kDuplicatesListed = 20;

void checkDuplicateIds(CppSQLiteSession& db, const TableDescription& table, ShapeReport& report)
{
    // Qualified: a missing column must fail, never group the rows by its name as a text.
    const std::string key = std::string(table.name) + "." + db::quotedColumnList({table.key});
    CppSQLiteCursor held = db.execute("select " + key + ", count(*) from " + table.name + " group by " + key
                                      + " having count(*) > 1 order by 1 limit " + std::to_string(kDuplicatesListed));
    for (; !held.atEnd(); held.advance()) {
        report.faults.push_back("table " + std::string(table.name) + ": " + table.key + " "
                                + (held.field(0) ? std::string(held.fieldView(0)) : "NULL") + " is held by "
                                + std::string(held.fieldView(1)) + " rows");
    }
}

// --- a catalogue file ---------------------------------------------------------------

struct Token {
    std::string text;
    bool quoted = false;
};

// The words and quoted names of a CREATE statement; comments and string literals skipped,
// so that a COLLATE inside a default value or a comment does not count.
std::vector<Token> tokensOf(std::string_view sql)
{
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (sql.substr(i, 2) == "--") {
            const std::size_t end = sql.find('\n', i);
            i = end == std::string_view::npos ? sql.size() : end;
        } else if (sql.substr(i, 2) == "/*") {
            const std::size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            Token token{{}, true};
            for (++i; i < sql.size(); ++i) {
                if (sql[i] == close) {
                    if (close == ']' || i + 1 >= sql.size() || sql[i + 1] != close)
                        break;
                    ++i;
                }
                token.text += sql[i];
            }
            ++i;
            if (c != '\'')
                tokens.push_back(std::move(token));
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80)) {
            const std::size_t start = i;
            while (i < sql.size()
                   && (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_' || (sql[i] & 0x80)))
                ++i;
            tokens.push_back({std::string(sql.substr(start, i - start)), false});
        } else {
            if (!std::isspace(static_cast<unsigned char>(c)))
                tokens.push_back({std::string(1, c), false});
            ++i;
        }
    }
    return tokens;
}

void checkFileCollations(const std::string& table, std::string_view sql, ShapeReport& report)
{
    const std::vector<Token> tokens = tokensOf(sql);
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (!tokens[i].quoted && sameName(tokens[i].text, "collate") && !sameName(tokens[i + 1].text, "binary"))
            report.faults.push_back("table " + table + " compares texts with COLLATE " + tokens[i + 1].text
                                    + "; the catalogue compares them byte for byte");
    }
}

// The id column must be the rowid itself: then ids are unique and whole numbers.
void checkFileKey(CppSQLiteSession& db, const TableDescription& table, bool withoutRowid, ShapeReport& report)
{
    bool integerKey = false;
    int keyColumns = 0;
    for (CppSQLiteCursor info = db.execute("select name, type, pk from pragma_table_info($1)", {table.name});
         !info.atEnd(); info.advance()) {
        if (info.fieldView(2) == "0")
            continue;
        ++keyColumns;
        integerKey = sameName(info.fieldView(0), table.key) && sameName(info.fieldView(1), "integer");
    }
    if (integerKey && keyColumns == 1 && !withoutRowid)
        return;
    report.faults.push_back("table " + std::string(table.name) + ": " + table.key + " is not an INTEGER PRIMARY KEY");
    if (report.complete[table.name])
        checkDuplicateIds(db, table, report);
}

void checkFileColumns(CppSQLiteSession& db, const TableDescription& table, ShapeReport& report)
{
    std::vector<std::string> present;
    for (CppSQLiteCursor info = db.execute("select name from pragma_table_info($1)", {table.name}); !info.atEnd();
         info.advance())
        present.emplace_back(info.fieldView(0));
    bool all = true;
    for (const std::string& column : table.columns) {
        if (std::none_of(present.begin(), present.end(), [&](const std::string& name) { return sameName(name, column); })) {
            report.faults.push_back(std::string("table ") + table.name + " has no column " + column);
            all = false;
        }
    }
    report.complete[table.name] = all;
}

void checkFileTable(CppSQLiteSession& db, const TableDescription& table, ShapeReport& report)
{
    report.complete[table.name] = false;
    CppSQLiteCursor entry = db.execute(
        "select m.type, m.sql, l.wr from sqlite_master as m left join pragma_table_list as l "
        "on l.schema = 'main' and l.name = m.name "
        "where m.name = $1 collate nocase and m.type in ('table', 'view')",
        {table.name});
    if (entry.atEnd()) {
        report.faults.push_back(std::string("table ") + table.name + " is missing");
        return;
    }
    const std::string sql = entry.field(1) ? std::string(entry.fieldView(1)) : std::string();
    if (entry.fieldView(0) == "view") {
        report.faults.push_back(std::string(table.name) + " is a view, not a table");
        return;
    }
    const std::vector<Token> head = tokensOf(sql.substr(0, 32));
    if (head.size() > 1 && sameName(head[1].text, "virtual")) {
        report.faults.push_back(std::string(table.name) + " is a virtual table, not a table of the catalogue file");
        return;
    }
    checkFileColumns(db, table, report);
    if (table.keyIsId())
        checkFileKey(db, table, entry.fieldView(2) == "1", report);
    checkFileCollations(table.name, sql, report);
}

void checkFile(CppSQLiteSession& db, ShapeReport& report)
{
    for (const TableDescription& table : catalogueTables())
        checkFileTable(db, table, report);
    // The catalogue file has neither; one found was put there by another program.
    for (CppSQLiteCursor extra =
             db.execute("select type, name, tbl_name from sqlite_master where type in ('trigger', 'view') order by 1, 2");
         !extra.atEnd(); extra.advance()) {
        const std::string name(extra.fieldView(1));
        if (extra.fieldView(0) == "trigger") {
            report.faults.push_back("trigger " + name + " on " + std::string(extra.fieldView(2))
                                    + " is not the catalogue's own");
        } else if (std::none_of(catalogueTables().begin(), catalogueTables().end(),
                                [&](const TableDescription& table) { return sameName(table.name, name); })) {
            report.faults.push_back("view " + name + " is not the catalogue's own");
        }
    }
}

// --- a server catalogue -------------------------------------------------------------

// The function behind the id triggers, and each trigger's name: the table's, then "_id".
const char* const kIdFunction = "catalogue_next_id";

void checkServerColumns(CppSQLiteSession& db, const TableDescription& table, const std::string& relation,
                        const std::string& name, ShapeReport& report)
{
    std::vector<std::string> present;
    for (CppSQLiteCursor columns = db.execute(
             "select a.attname, coalesce(co.collname, '') from pg_attribute a "
             "left join pg_collation co on co.oid = a.attcollation "
             "where a.attrelid = $1::oid and a.attnum > 0 and not a.attisdropped order by a.attnum",
             {relation});
         !columns.atEnd(); columns.advance()) {
        present.emplace_back(columns.fieldView(0));
        const std::string_view collation = columns.fieldView(1);
        if (!collation.empty() && collation != "C" && collation != "POSIX")
            report.faults.push_back("table " + name + ": " + present.back() + " compares with collation \""
                                    + std::string(collation) + "\"; the catalogue compares texts byte for byte (\"C\")");
    }
    bool all = true;
    for (const std::string& column : table.columns) {
        if (std::find(present.begin(), present.end(), column) == present.end()) {
            report.faults.push_back("table " + name + " has no column " + column);
            all = false;
        }
    }
    report.complete[table.name] = all;
}

void checkServerTriggers(CppSQLiteSession& db, const TableDescription& table, const std::string& relation,
                         const std::string& name, ShapeReport& report)
{
    const std::string own = name + "_id";
    bool found = false;
    for (CppSQLiteCursor triggers = db.execute(
             "select t.tgname, p.proname, t.tgenabled in ('O', 'A') from pg_trigger t join pg_proc p on p.oid = t.tgfoid "
             "where t.tgrelid = $1::oid and not t.tgisinternal order by 1",
             {relation});
         !triggers.atEnd(); triggers.advance()) {
        const std::string trigger(triggers.fieldView(0));
        if (table.keyIsId() && trigger == own && triggers.fieldView(1) == kIdFunction) {
            found = true;
            if (triggers.fieldView(2) != "t")
                report.faults.push_back("trigger " + own + " on " + name + " is disabled: new rows would get no id");
        } else {
            report.faults.push_back("trigger " + trigger + " on " + name + " is not the catalogue's own");
        }
    }
    if (table.keyIsId() && !found)
        report.faults.push_back("table " + name + " has no id trigger " + own + ": new rows would get no id");
    for (CppSQLiteCursor rules =
             db.execute("select rulename from pg_rewrite where ev_class = $1::oid and rulename <> '_RETURN' order by 1",
                        {relation});
         !rules.atEnd(); rules.advance())
        report.faults.push_back("rule " + std::string(rules.fieldView(0)) + " on " + name + " is not the catalogue's own");
}

void checkServerKeys(CppSQLiteSession& db, db::CatalogueTable which, const std::string& relation,
                     const std::string& name, ShapeReport& report)
{
    const TableDescription& table = catalogueTables()[which];
    if (table.keyIsId()
        && scalarOf(db,
                    "select count(*) from pg_constraint k join pg_attribute a on a.attrelid = k.conrelid "
                    "and a.attnum = k.conkey[1] where k.conrelid = $1::oid and k.contype = 'p' "
                    "and cardinality(k.conkey) = 1 and a.attname = $2",
                    {relation, table.key})
               == 0) {
        report.faults.push_back("table " + name + ": " + table.key + " is not its primary key");
        if (report.complete[table.name])
            checkDuplicateIds(db, table, report);
    }
    for (const IdUse& use : idUses()) {
        if (!use.referringTable || !sameName(use.referringTable, table.name))
            continue;
        const std::string references = lowerCase(catalogueTables()[use.table].name);
        if (scalarOf(db,
                     "select count(*) from pg_constraint k join pg_class r on r.oid = k.confrelid "
                     "where k.conrelid = $1::oid and k.contype = 'f' and k.conname = $2 and r.relname = $3",
                     {relation, use.foreignKey, references})
            == 0)
            report.notes.push_back("constraint " + std::string(use.foreignKey) + " (" + name + "." + use.referringColumn
                                   + " references " + references + ") is missing: another counter can leave " + name
                                   + " rows without their " + references + " row ('kelvara-db constrain' adds it)");
    }
}

void checkServer(CppSQLiteSession& db, ShapeReport& report)
{
    for (std::size_t t = 0; t < db::kTableCount; ++t) {
        const auto which = static_cast<db::CatalogueTable>(t);
        const TableDescription& table = catalogueTables()[which];
        const std::string name = lowerCase(table.name);
        report.complete[table.name] = false;
        CppSQLiteCursor entry = db.execute(
            "select c.oid, c.relkind, c.relrowsecurity from pg_class c "
            "where c.relnamespace = current_schema()::regnamespace and c.relname = $1",
            {name});
        if (entry.atEnd()) {
            report.faults.push_back("table " + name + " is missing");
            continue;
        }
        const std::string relation(entry.fieldView(0));
        const std::string_view kind = entry.fieldView(1);
        if (kind != "r" && kind != "p") {
            report.faults.push_back(name + (kind == "v" || kind == "m" ? " is a view, not a table" : " is not a table"));
            continue;
        }
        if (entry.fieldView(2) == "t")
            report.faults.push_back("table " + name + " has row-level security: some rows may be hidden from a counter");
        checkServerColumns(db, table, relation, name, report);
        checkServerTriggers(db, table, relation, name, report);
        checkServerKeys(db, which, relation, name, report);
    }
}

}  // namespace

ShapeReport catalogueShape(CppSQLiteSession& session)
{
    ShapeReport report;
    if (session.dialect() == sql::Dialect::postgres)
        checkServer(session, report);
    else
        checkFile(session, report);
    return report;
}

void requireCatalogueShape(CppSQLiteSession& session, const std::string& name)
{
    const ShapeReport report = catalogueShape(session);
    if (report.faults.empty())
        return;
    constexpr std::size_t kNamed = 5;
    std::string faults;
    for (std::size_t i = 0; i < report.faults.size() && i < kNamed; ++i)
        faults += (i == 0 ? "" : "; ") + report.faults[i];
    if (report.faults.size() > kNamed)
        faults += "; and " + std::to_string(report.faults.size() - kNamed) + " more";
    throw ToolError(name + " is not a Kelvara catalogue as the tool knows it (" + faults
                    + "); nothing was read or written; run 'kelvara-db check' on it");
}

}  // namespace kelvara::dbtool
