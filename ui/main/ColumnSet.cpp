#include "ColumnSet.h"

#include "CppSQLiteException.h"
#include "Globals.h"
#include "Statements.h"

void ReadColumnFlags()
{
    CppSQLiteCursor flags = theDb.execute(kelvara::sql::selectColumnFlags());
    if (flags.atEnd())
        throw CppSQLiteException(CppSQLiteException::kLayerError,
                                 "Table kolumny holds no row: the result column settings are missing");
    for (size_t i = 0; i < g_columnVisible.size(); ++i) {
        const CString value = flags.field(static_cast<int>(i));
        g_columnVisible[i] = value == "1" ? 1 : 0;
    }
}
