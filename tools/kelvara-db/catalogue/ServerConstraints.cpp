#include "ServerConstraints.h"

#include "Catalogue.h"
#include "CatalogueCheck.h"
#include "CatalogueRows.h"
#include "CatalogueSecrets.h"
#include "CppSQLiteSession.h"
#include "Schema.h"
#include "ToolError.h"

#include <vector>

namespace kelvara::dbtool {

bool constrainServerCatalogue(CppSQLiteSession& session, const std::string& name)
{
    // Held to the end of the transaction: no counter adds a row between the look and the keys.
    session.executeScript("LOCK TABLE marki, modele, kompresory IN SHARE ROW EXCLUSIVE MODE");
    // An older catalogue's id trigger function looked names up along the caller's search_path.
    session.executeScript(serverCatalogueIdFunctionSql());
    const std::vector<std::string> orphans = orphansIn(session);
    if (!orphans.empty()) {
        std::string text = db::withoutPassword(name) + " holds rows whose parent is gone; give them a parent or remove them "
                                  "('kelvara-db check' lists them too); nothing was written:";
        for (const std::string& orphan : orphans)
            text += "\n  " + orphan;
        throw ToolError(text);
    }
    std::string names;  // the foreign keys of db/schema-postgres.sql
    std::size_t keys = 0;
    for (const IdUse& use : idUses()) {
        if (use.foreignKey)
            names += std::string(keys++ ? ", '" : "'") + use.foreignKey + "'";
    }
    std::vector<std::string> drops;
    for (CppSQLiteCursor key = session.execute("select conrelid::regclass::text, conname from pg_constraint where "
                                               "contype = 'f' and connamespace = current_schema()::regnamespace and "
                                               "conname in (" + names + ")");
         !key.atEnd(); key.advance())
        drops.push_back("ALTER TABLE " + std::string(key.fieldView(0)) + " DROP CONSTRAINT " + key.field(1));
    if (drops.size() == keys)
        return false;
    // One dropped by hand: both are made again, exactly as the schema makes them.
    for (const std::string& drop : drops)
        session.executeScript(drop);
    session.executeScript(serverCatalogueForeignKeysSql());
    return true;
}

void requireUtf8Database(CppSQLiteSession& session, const std::string& name)
{
    CppSQLiteCursor encoding = session.execute("select pg_encoding_to_char(encoding) from pg_database "
                                               "where datname = current_database()");
    const std::string found = encoding.atEnd() || !encoding.field(0) ? "unknown" : encoding.field(0);
    if (found == "UTF8")
        return;
    throw ToolError(db::withoutPassword(name) + " is encoded in " + found
                    + ", not UTF-8, and could not keep names such as \"Škoda\"; create the database in UTF-8, "
                      "for example: createdb -E UTF8 -T template0 kelvara");
}

}  // namespace kelvara::dbtool
