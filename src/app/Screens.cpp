#include "app/Screens.h"

#include "app/PrintServer.h"
#include "devices/screen/ScreenKeys.h"
#include "devices/screen/ScreenStore.h"
#include "monitor/HttpServer.h"
#include "sql/SqlConnection.h"

#include <QDir>
#include <QFile>
#include <QNetworkInterface>
#include <QUrl>

namespace tpv {

Screens::Screens(PrintServer &server, std::shared_ptr<ScreenHub> hub) : server_(server), hub_(std::move(hub)) {}

Screens::~Screens() {
    // The store ends first: its thread hands the hub what it reads.
    if (hub_) hub_->setStore(nullptr);
    store_.reset();
}

void Screens::start() {
    if (!hub_ || store_) return;
    const Global &g = server_.form().g;
    const QString where = serverConnectionString(g);
    const ConnectionOptions options = g.db;
    store_ = std::make_shared<ScreenStore>([where, options] { return openConnection(where, options); }, *hub_);
    hub_->setStore(store_);
    store_->start();
}

void Screens::reload() {
    if (store_) store_->reload();
}

QString screensReachText(const ScreenHub *hub, const QString &httpAddress, bool loopback) {
    if (!hub || hub->screens().empty()) return {};
    QStringList names;
    for (const ScreenConfig &s : hub->screens()) names << s.name;
    if (httpAddress.isEmpty())
        return QStringLiteral("Las pantallas de cocina %1 no se pueden abrir: falta --http DIRECCIÓN:PUERTO")
            .arg(names.join(QStringLiteral(", ")));
    if (loopback)
        return QStringLiteral(
                   "Las pantallas de cocina %1 solo se pueden abrir en este equipo: --http %2 es una "
                   "dirección local, que las tabletas no alcanzan")
            .arg(names.join(QStringLiteral(", ")), httpAddress);
    return {};
}

namespace {

// Where the program serves HTTP: TPV_HTTP, else the data folder's
// servicio.env (TPV_HTTP=ADDR:PORT); empty when neither says.
QString listenAddress(const QString &dataDir) {
    QString listen = qEnvironmentVariable("TPV_HTTP");
    QFile env(QDir(dataDir).filePath(QStringLiteral("servicio.env")));
    if (listen.isEmpty() && env.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : env.readAll().split('\n'))
            if (line.trimmed().startsWith("TPV_HTTP=")) listen = QString::fromUtf8(line.trimmed().mid(9));
    }
    return listen;
}

// The host a tablet reaches: the address listened on, or, for every
// address, the first of this machine's own that is not loopback.
QString reachableHost(const QHostAddress &listened) {
    if (listened != QHostAddress::AnyIPv4 && listened != QHostAddress::AnyIPv6 && listened != QHostAddress::Any)
        return listened.protocol() == QAbstractSocket::IPv6Protocol
                   ? QLatin1Char('[') + listened.toString() + QLatin1Char(']')
                   : listened.toString();
    for (const QHostAddress &a : QNetworkInterface::allAddresses())
        if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol) return a.toString();
    return {};
}

}  // namespace

QStringList setUpScreen(const QString &dataDir, const QString &name, QString *error) {
    const QByteArray key = newScreenKey();
    const QString ini = QDir(dataDir).filePath(QStringLiteral("impresoras.ini"));
    if (!setScreenKey(ini, name, key, error)) return {};
    QStringList said{QStringLiteral("Pantalla %1: clave nueva en %2 (la anterior deja de valer). Reinicie el "
                                    "servicio para que la use.")
                         .arg(name, ini)};
    const QString path = QStringLiteral("/pantalla/") + QString::fromUtf8(QUrl::toPercentEncoding(name)) +
                         QStringLiteral("?clave=") + QString::fromLatin1(key);
    QHostAddress address;
    quint16 port = 0;
    QString ignored;
    const QString listen = listenAddress(dataDir);
    const QString host = parseListenAddress(listen, &address, &port, &ignored) ? reachableHost(address) : QString();
    if (host.isEmpty() || address.isLoopback()) {
        said << QStringLiteral(
                    "El servidor de impresión debe atender HTTP en una dirección que alcancen las tabletas "
                    "(--http 0.0.0.0:9580, o TPV_HTTP en servicio.env). Abra una vez en la tableta:")
             << QStringLiteral("http://DIRECCIÓN-DE-ESTE-EQUIPO:PUERTO") + path;
        return said;
    }
    said << QStringLiteral("Abra una vez en la tableta (después basta con la dirección sin la clave):")
         << QStringLiteral("http://%1:%2").arg(host).arg(port) + path;
    return said;
}

}  // namespace tpv
