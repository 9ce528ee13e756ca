#include "sql/OdbcDiagnostics.h"

#include <sql.h>
#include <sqlext.h>

namespace tpv {

namespace {

SQLHANDLE handleOf(const QVariant &v) {
    // QODBC hands its handles over as SQLHANDLE, which is void *.
    if (!v.isValid() || (qstrcmp(v.typeName(), "SQLHANDLE") != 0 && qstrcmp(v.typeName(), "void*") != 0))
        return SQL_NULL_HANDLE;
    return *static_cast<const SQLHANDLE *>(v.constData());
}

void statesOf(SQLSMALLINT type, SQLHANDLE handle, QStringList *states) {
    if (handle == SQL_NULL_HANDLE) return;
    for (SQLSMALLINT i = 1; i < 20; ++i) {
        SQLCHAR state[6] = {0};
        SQLINTEGER native = 0;
        SQLCHAR text[8];
        SQLSMALLINT textLength = 0;
        const SQLRETURN r = SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &textLength);
        if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO) break;
        *states << QString::fromLatin1(reinterpret_cast<const char *>(state), 5);
    }
}

}  // namespace

void readOdbcDiagnostics(const QVariant &statement, const QVariant &connection, QStringList *sqlStates,
                         bool *connectionDead) {
    statesOf(SQL_HANDLE_STMT, handleOf(statement), sqlStates);
    const SQLHANDLE dbc = handleOf(connection);
    statesOf(SQL_HANDLE_DBC, dbc, sqlStates);
    *connectionDead = false;
    if (dbc != SQL_NULL_HANDLE) {
        SQLUINTEGER dead = SQL_CD_FALSE;
        if (SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr)))
            *connectionDead = dead == SQL_CD_TRUE;
    }
}

}  // namespace tpv
