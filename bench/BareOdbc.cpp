#include "BareOdbc.h"

#include "sql/SqlDialect.h"

#include <sql.h>
#include <sqlext.h>
#include <stdexcept>
#include <string>

namespace tpv::bench {

namespace {

std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    SQLCHAR state[6] = {}, text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length))) return "?";
    return std::string(reinterpret_cast<const char *>(state)) + " " + reinterpret_cast<const char *>(text);
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char *what) {
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) return;
    throw std::runtime_error(std::string("bare ODBC, ") + what + ": " + diagnostics(type, handle));
}

}  // namespace

BareOdbc::BareOdbc(const QString &connectionString) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    env_ = env;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    dbc_ = dbc;
    QByteArray text = connectionString.toUtf8();
    check(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, dbc, "connect");
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "statement handle");
    stmt_ = stmt;
    for (const QString &setting : sqlServerDialect().sessionSettings()) run(setting.toUtf8());
}

BareOdbc::~BareOdbc() {
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    if (dbc_) {
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

int64_t BareOdbc::run(const QByteArray &sql) {
    SQLHSTMT st = stmt_;
    check(SQLExecDirect(st, reinterpret_cast<SQLCHAR *>(const_cast<char *>(sql.constData())),
                        static_cast<SQLINTEGER>(sql.size())),
          SQL_HANDLE_STMT, st, "execute");
    int64_t sum = 0;
    char buffer[4096];
    for (;;) {
        SQLSMALLINT columns = 0;
        SQLNumResultCols(st, &columns);
        while (columns > 0 && SQL_SUCCEEDED(SQLFetch(st))) {
            for (SQLUSMALLINT i = 1; i <= columns; ++i) {
                SQLLEN length = 0;
                SQLRETURN rc;
                // A value longer than the buffer comes in pieces.
                while ((rc = SQLGetData(st, i, SQL_C_CHAR, buffer, sizeof buffer, &length)) == SQL_SUCCESS ||
                       rc == SQL_SUCCESS_WITH_INFO) {
                    if (length > 0) sum += length;
                    if (rc == SQL_SUCCESS) break;
                }
            }
        }
        const SQLRETURN more = SQLMoreResults(st);
        if (more == SQL_NO_DATA) break;
        check(more, SQL_HANDLE_STMT, st, "next result");
    }
    SQLFreeStmt(st, SQL_CLOSE);
    return sum;
}

}  // namespace tpv::bench
