#include "support/Chromium.h"

#include <QFile>
#include <QJsonDocument>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace tpv::test {

namespace {
constexpr int kAnswerMs = 20000;
}

Chromium::Chromium() {
    // A browser that died must not take the tests with it.
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        error = QStringLiteral("sin tuberías");
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 3);
    posix_spawn_file_actions_adddup2(&actions, out[1], 4);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const QByteArray dataDir = "--user-data-dir=" + profile_.path().toUtf8();
    const char *argv[] = {"chromium",
                          "--headless",
                          "--no-sandbox",
                          "--disable-gpu",
                          "--disable-quic",
                          "--no-first-run",
                          "--disable-background-networking",
                          "--disable-component-update",
                          "--disable-sync",
                          "--remote-debugging-pipe",
                          dataDir.constData(),
                          "about:blank",
                          nullptr};
    if (posix_spawnp(&pid_, "chromium", &actions, nullptr, const_cast<char *const *>(argv), environ) != 0) {
        pid_ = -1;
        error = QStringLiteral("chromium no arranca (paquete chromium; scripts/setup.sh pruebas)");
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    commands_ = in[1];
    answers_ = out[0];
    if (pid_ > 0 && call(QStringLiteral("Browser.getVersion")).isEmpty())
        error = QStringLiteral("chromium no contesta por su tubería de DevTools");
}

Chromium::~Chromium() {
    if (pid_ > 0) {
        call(QStringLiteral("Browser.close"));
        ::close(commands_);
        pollfd p{answers_, POLLIN, 0};
        // Its end closes the pipe; a browser that does not end is killed.
        while (::poll(&p, 1, 10000) == 1 && (p.revents & POLLIN)) {
            char buf[4096];
            if (::read(answers_, buf, sizeof buf) <= 0) break;
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (answers_ >= 0) ::close(answers_);
}

QJsonObject Chromium::call(const QString &method, const QJsonObject &params, const QString &session) {
    if (pid_ <= 0) return {};
    const int id = nextId_++;
    QJsonObject command{
        {QStringLiteral("id"), id}, {QStringLiteral("method"), method}, {QStringLiteral("params"), params}};
    if (!session.isEmpty()) command.insert(QStringLiteral("sessionId"), session);
    const QByteArray bytes = QJsonDocument(command).toJson(QJsonDocument::Compact) + '\0';
    if (::write(commands_, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size()) return {};
    // Events come between the answers; they are passed over.
    for (;;) {
        qsizetype end;
        while ((end = pending_.indexOf('\0')) < 0) {
            pollfd p{answers_, POLLIN, 0};
            char buf[65536];
            ssize_t n = 0;
            if (::poll(&p, 1, kAnswerMs) != 1 || (n = ::read(answers_, buf, sizeof buf)) <= 0) return {};
            pending_.append(buf, n);
        }
        const QJsonObject message = QJsonDocument::fromJson(pending_.left(end)).object();
        pending_.remove(0, end + 1);
        if (message.value(QLatin1String("id")).toInt() != id) continue;
        return message.value(QLatin1String("result")).toObject();
    }
}

QString Chromium::open(const QString &url, int width, int height, bool isolated) {
    QJsonObject target{{QStringLiteral("url"), QStringLiteral("about:blank")},
                       {QStringLiteral("width"), width},
                       {QStringLiteral("height"), height},
                       {QStringLiteral("newWindow"), true}};
    if (isolated)
        target.insert(QStringLiteral("browserContextId"),
                      call(QStringLiteral("Target.createBrowserContext")).value(QLatin1String("browserContextId")));
    const QString targetId =
        call(QStringLiteral("Target.createTarget"), target).value(QLatin1String("targetId")).toString();
    const QString session = call(QStringLiteral("Target.attachToTarget"),
                                 {{QStringLiteral("targetId"), targetId}, {QStringLiteral("flatten"), true}})
                                .value(QLatin1String("sessionId"))
                                .toString();
    if (session.isEmpty()) return {};
    targets_.insert(session, targetId);
    call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
         {{QStringLiteral("width"), width},
          {QStringLiteral("height"), height},
          {QStringLiteral("deviceScaleFactor"), 1},
          {QStringLiteral("mobile"), false}},
         session);
    return load(session, url) ? session : QString();
}

bool Chromium::load(const QString &page, const QString &url) {
    // The answer comes once the new document is the page's, so what is
    // asked next is asked of it.
    if (call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url}}, page).isEmpty()) return false;
    return waitFor(page, QStringLiteral("document.readyState === 'complete'"), 10000);
}

void Chromium::close(const QString &page) {
    call(QStringLiteral("Target.closeTarget"), {{QStringLiteral("targetId"), targets_.take(page)}});
}

QJsonValue Chromium::eval(const QString &page, const QString &expression) {
    const QJsonObject r = call(QStringLiteral("Runtime.evaluate"),
                               {{QStringLiteral("expression"), expression},
                                {QStringLiteral("awaitPromise"), true},
                                {QStringLiteral("returnByValue"), true}},
                               page);
    return r.value(QLatin1String("result")).toObject().value(QLatin1String("value"));
}

bool Chromium::waitFor(const QString &page, const QString &condition, int timeoutMs) {
    // The page checks at every frame until the bound; the test waits on
    // the answer.
    return eval(page, QStringLiteral("new Promise((done) => { const end = performance.now() + %1;"
                                     " const look = () => { let ok = false; try { ok = !!(%2); } catch (e) {}"
                                     " if (ok || performance.now() > end) done(ok); else setTimeout(look, 20); };"
                                     " look(); })")
                          .arg(timeoutMs)
                          .arg(condition))
        .toBool();
}

bool Chromium::screenshot(const QString &page, const QString &file) {
    const QByteArray png = QByteArray::fromBase64(
        call(QStringLiteral("Page.captureScreenshot"), {{QStringLiteral("format"), QStringLiteral("png")}}, page)
            .value(QLatin1String("data"))
            .toString()
            .toLatin1());
    QFile f(file);
    return !png.isEmpty() && f.open(QIODevice::WriteOnly) && f.write(png) == png.size();
}

}  // namespace tpv::test
