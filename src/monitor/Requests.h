#pragma once
// What the monitoring's HTTP server answers: /metrics, /salud and the status
// page from the last snapshot published, behind the token when one is set;
// and the --http options that say where it listens.
#include "monitor/HttpServer.h"
#include "monitor/Snapshot.h"

#include <optional>

namespace tpv {

// Where the monitoring answers HTTP, and the token its requests carry.
struct HttpOptions {
    QHostAddress address;
    quint16 port = 0;
    QByteArray token;  // empty: none asked
};

// --http ADDR:PORT and --http-clave FILE (the file's first line is the
// token). Nothing, with a Spanish *error, when the address is no address,
// the file holds no token, or the address is not loopback and no token is
// given; *warning says when others may read the token's file.
std::optional<HttpOptions> httpOptions(const QString &address, const QString &tokenFile, QString *error,
                                       QString *warning);

// Whether GIVEN is TOKEN, compared in a time that does not tell how much of
// it was right.
bool sameSecret(const QByteArray &given, const QByteArray &token);

// The answer to one request, from the last snapshot, as of NOWMS.
HttpResponse monitorResponse(const HttpRequest &request, const SnapshotBoard &board, qint64 nowMs,
                             const QByteArray &token);

}  // namespace tpv
