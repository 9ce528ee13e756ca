#include "config/Global.h"

#include "platform/Error.h"

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
    return QStringLiteral("Provider=SQLOLEDB.1;Data Source =") + g.Ip + QStringLiteral(";Initial Catalog=") +
           g.CatalogoIni + QStringLiteral(";User ID=tesmarin;Password=KOVU7");
}

}  // namespace tpv
