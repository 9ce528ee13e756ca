#include "monitor/Requests.h"

#include "monitor/Pages.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace tpv {

// Compares without telling, by its time, how much of the secret was right.
bool sameSecret(const QByteArray &given, const QByteArray &token) {
    const QByteArray a = QCryptographicHash::hash(given, QCryptographicHash::Sha256);
    const QByteArray b = QCryptographicHash::hash(token, QCryptographicHash::Sha256);
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

HttpResponse monitorResponse(const HttpRequest &request, const SnapshotBoard &board, qint64 nowMs,
                             const QByteArray &token) {
    if (request.method != "GET" && request.method != "HEAD") {
        HttpResponse r = plainText(405, QStringLiteral("Solo se puede consultar (GET): nada se cambia por HTTP"));
        r.headers.append(std::pair<QByteArray, QByteArray>("Allow", "GET, HEAD"));
        return r;
    }
    if (!token.isEmpty() && !sameSecret(request.headers.value("authorization"), "Bearer " + token)) {
        HttpResponse r = plainText(401, QStringLiteral("Falta la clave: Authorization: Bearer CLAVE"));
        r.headers.append(std::pair<QByteArray, QByteArray>("WWW-Authenticate", "Bearer realm=\"lector-tpv\""));
        return r;
    }
    const std::shared_ptr<const Snapshot> s = board.current();
    if (!s) return plainText(503, QStringLiteral("El servidor de impresión está arrancando"));
    if (request.path == "/metrics")
        return {200, "text/plain; version=0.0.4; charset=utf-8", metricsText(*s, nowMs), {}, {}};
    if (request.path == "/salud") {
        const Health h = evaluateHealth(*s, nowMs);
        return {h.level == Health::Level::Bad ? 503 : 200,
                "application/json; charset=utf-8",
                healthJson(h, *s, nowMs),
                {},
                {}};
    }
    if (request.path == "/") return {200, "text/html; charset=utf-8", statusPage(*s, nowMs), {}, {}};
    return plainText(
        404,
        QStringLiteral("No hay nada en %1: las páginas son /, /salud y /metrics").arg(QString::fromUtf8(request.path)));
}

namespace {

std::optional<QByteArray> readHttpToken(const QString &path, QString *error, QString *warning) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("No se puede leer la clave de --http-clave %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    const QByteArray token = f.readLine().trimmed();
    if (token.isEmpty()) {
        *error = QStringLiteral("El archivo de --http-clave %1 no tiene ninguna clave en su primera línea").arg(path);
        return std::nullopt;
    }
    if (QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        *warning =
            QStringLiteral("Otros usuarios pueden leer la clave de %1: hágalo privado con chmod 600 %1").arg(path);
    return token;
}

}  // namespace

std::optional<HttpOptions> httpOptions(const QString &address, const QString &tokenFile, QString *error,
                                       QString *warning) {
    HttpOptions h;
    if (!parseListenAddress(address, &h.address, &h.port, error)) return std::nullopt;
    if (!tokenFile.isEmpty()) {
        const auto token = readHttpToken(tokenFile, error, warning);
        if (!token) return std::nullopt;
        h.token = *token;
    } else if (!h.address.isLoopback()) {
        *error = QStringLiteral(
                     "--http %1 no es una dirección local: dé también --http-clave ARCHIVO con la clave que "
                     "deben llevar las peticiones (Authorization: Bearer CLAVE)")
                     .arg(address);
        return std::nullopt;
    }
    return h;
}

}  // namespace tpv
