#pragma once

namespace kelvara::sql {

// The SQL that the catalogue's engine reads. Only text literals, one aggregate and the
// reserved column name "do" differ; every other part of a statement is the same for both.
enum class Dialect {
    sqlite,    // the catalogue file
    postgres,  // a catalogue on a PostgreSQL server
};

}  // namespace kelvara::sql
