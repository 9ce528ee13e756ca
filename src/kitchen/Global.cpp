#include "kitchen/Global.h"

#include "sql/ConnectionStrings.h"
#include "compat/Error.h"

namespace tpv {

Connection &conn(const std::unique_ptr<Connection> &cn) {
    if (!cn) throw TpvError(err::ObjectNotSet, QStringLiteral("No hay conexión con el servidor de datos"));
    return *cn;
}

QString confConnectionString() {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\\tesmarin\\tpv\\ConfGarnet.mdb");
}

QString workConnectionString() {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\\tesmarin\\tpv\\wdbServer.mdb");
}

QString serverConnectionString(const Global &g) {
    // The fixed login every existing site relies on, unless the site set
    // its own (lector-tpv-config poner UsuarioSql=NOMBRE).
    if (g.UsuarioSql.isEmpty()) {
        return QStringLiteral("Provider=SQLOLEDB.1;Data Source =") + g.Ip + QStringLiteral(";Initial Catalog=") +
               g.CatalogoIni + QStringLiteral(";User ID=tesmarin;Password=KOVU7");
    }
    return QStringLiteral("Provider=SQLOLEDB.1;Data Source =") + g.Ip + QStringLiteral(";Initial Catalog=") +
           g.CatalogoIni + QStringLiteral(";User ID=") + connectionValue(g.UsuarioSql) + QStringLiteral(";Password=") +
           connectionValue(g.ClaveSql);
}

QString serverDescription(const Global &g) {
    if (namesSqliteFile(g.Ip)) return QStringLiteral("archivo ") + g.Ip;
    return QStringLiteral("SQL Server %1 (base de datos %2, usuario %3)")
        .arg(g.Ip, g.CatalogoIni, g.UsuarioSql.isEmpty() ? QStringLiteral("tesmarin") : g.UsuarioSql);
}

}  // namespace tpv
