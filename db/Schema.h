#pragma once

#include <string>

namespace kelvara {

// The text of db/schema.sql, compiled in: the four tables, the one kolumny row and the
// indexes. Every new catalogue is created from it.
const std::string& catalogueSchemaSql();
// The text of db/schema-postgres.sql: the same catalogue on a PostgreSQL server.
const std::string& serverCatalogueSchemaSql();
// Its closing part alone: the foreign keys between the three tables.
std::string serverCatalogueForeignKeysSql();
// Its id trigger function as CREATE OR REPLACE: brings a catalogue made by an older schema to
// the one that pins its search_path.
std::string serverCatalogueIdFunctionSql();

}  // namespace kelvara
