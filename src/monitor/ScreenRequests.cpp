#include "monitor/ScreenRequests.h"

#include "monitor/Requests.h"

#include <QUrl>
#include <QUrlQuery>

namespace tpv {

namespace {

const QByteArray kPrefix = "/pantalla/";
const QByteArray kCookie = "clave";

// A year: a tablet opened once stays open.
constexpr int kCookieSeconds = 365 * 24 * 3600;

QByteArray queryValue(const QByteArray &query, const QString &name) {
    return QUrlQuery(QString::fromUtf8(query)).queryItemValue(name, QUrl::FullyDecoded).toUtf8();
}

// Every value of the key's cookie the browser sent.
QByteArrayList cookieKeys(const HttpRequest &r) {
    QByteArrayList out;
    for (const QByteArray &pair : r.headers.value("cookie").split(';')) {
        const QByteArray t = pair.trimmed();
        if (t.startsWith(kCookie + '=')) out << QByteArray::fromPercentEncoding(t.mid(kCookie.size() + 1));
    }
    return out;
}

HttpResponse refused() {
    return {403,
            "text/html; charset=utf-8",
            "<!DOCTYPE html><html lang=\"es\"><head><meta charset=\"utf-8\"><title>Pantalla de cocina</title>"
            "</head><body style=\"font:24px sans-serif;margin:2em\"><h1>Falta la clave de esta pantalla</h1>"
            "<p>Ábrala con la dirección que escribe <code>lector-tpv-config pantalla NOMBRE</code>.</p>"
            "</body></html>\n",
            {},
            {}};
}

std::vector<qint64> idsOf(const QByteArray &list) {
    std::vector<qint64> out;
    for (const QByteArray &id : list.split(',')) {
        bool ok = false;
        const qint64 n = id.trimmed().toLongLong(&ok);
        if (ok) out.push_back(n);
    }
    return out;
}

class StreamPage : public ScreenPage {
public:
    explicit StreamPage(std::shared_ptr<HttpStream> stream) : stream_(std::move(stream)) {}
    bool send(const QByteArray &event) override { return stream_->send(event); }
    bool isOpen() const override { return stream_->isOpen(); }

private:
    std::shared_ptr<HttpStream> stream_;
};

HttpResponse noContent() { return {204, {}, {}, {}, {}}; }

}  // namespace

bool isScreenRequest(const HttpRequest &request) { return request.path.startsWith(kPrefix); }

HttpResponse screenResponse(const HttpRequest &r, ScreenHub &hub) {
    // /pantalla/NOMBRE or /pantalla/NOMBRE/ACTION, the name as the browser
    // wrote it in the address.
    const QByteArray rest = r.path.mid(kPrefix.size());
    const qsizetype slash = rest.indexOf('/');
    const QByteArray encodedName = slash < 0 ? rest : rest.left(slash);
    const QByteArray action = slash < 0 ? QByteArray() : rest.mid(slash + 1);
    const QString name = QUrl::fromPercentEncoding(encodedName);
    const ScreenConfig *screen = hub.screen(name);

    const QByteArray givenKey = queryValue(r.query, QStringLiteral("clave"));
    const auto opens = [&](const QByteArray &key) {
        return screen && !screen->key.isEmpty() && sameSecret(key, screen->key);
    };
    if (!givenKey.isEmpty() && action.isEmpty()) {
        if (!opens(givenKey)) return refused();
        const QByteArray home = kPrefix + QUrl::toPercentEncoding(screen->name);
        // The key leaves the address (and the browser's history) for a
        // cookie that only this screen's addresses carry.
        HttpResponse to{303, "text/plain; charset=utf-8", {}, {}, {}};
        to.headers.append({"Location", home});
        to.headers.append({"Set-Cookie", kCookie + '=' + givenKey.toPercentEncoding() + "; Path=" + home +
                                             "; Max-Age=" + QByteArray::number(kCookieSeconds) +
                                             "; HttpOnly; SameSite=Strict"});
        return to;
    }
    const QByteArrayList keys = cookieKeys(r);
    if (std::none_of(keys.begin(), keys.end(), opens)) return refused();

    const bool get = r.method == "GET" || r.method == "HEAD";
    if (action.isEmpty() && get) return {200, "text/html; charset=utf-8", screenPage(*screen), {}, {}};
    if (action == "eventos" && get) {
        HttpResponse events{200, "text/event-stream; charset=utf-8", {}, {}, makeHttpStream()};
        hub.addPage(name, std::make_shared<StreamPage>(events.stream));
        return events;
    }
    if (r.method == "POST") {
        if (action == "visto") {
            hub.shown(name, idsOf(queryValue(r.query, QStringLiteral("ids"))));
            return noContent();
        }
        if (action == "hecho") {
            const std::vector<qint64> id = idsOf(queryValue(r.query, QStringLiteral("id")));
            return !id.empty() && hub.markDone(name, id.front())
                       ? noContent()
                       : plainText(409, QStringLiteral("Esa comanda ya no está en la pantalla"));
        }
        if (action == "recuperar")
            return hub.recall(name) ? noContent() : plainText(409, QStringLiteral("No hay comandas que recuperar"));
    }
    return plainText(404, QStringLiteral("No hay nada en %1").arg(QString::fromUtf8(r.path)));
}

}  // namespace tpv
