#pragma once
// Debian's headless Chromium driven through its DevTools protocol over a
// pipe (--remote-debugging-pipe: commands go in on descriptor 3, answers and
// events come out of descriptor 4, each a JSON text ended by a NUL byte), so
// the tests need neither a downloaded browser nor a WebSocket client. Kept
// off the network: no sandbox (tests run as root), no background requests,
// a profile of its own that starts empty.
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QTemporaryDir>
#include <sys/types.h>

namespace tpv::test {

class Chromium {
public:
    Chromium();
    ~Chromium();
    Chromium(const Chromium &) = delete;
    Chromium &operator=(const Chromium &) = delete;

    // Empty when the browser runs; else why not.
    QString error;

    // A new page of that size on URL, in a window of its own; with
    // PRIVATE, with cookies of its own. Its session, empty when it failed.
    QString open(const QString &url, int width, int height, bool isolated = false);
    // The page loads URL (its own again: a reload); true once it has.
    bool load(const QString &page, const QString &url);
    void close(const QString &page);
    // The value of a JavaScript expression in the page (a promise is
    // awaited), null when it failed.
    QJsonValue eval(const QString &page, const QString &expression);
    // Whether the condition became true in the page within the time.
    bool waitFor(const QString &page, const QString &condition, int timeoutMs = 5000);
    // The page as a PNG file.
    bool screenshot(const QString &page, const QString &file);

    // One command and its result (an empty object when it failed).
    QJsonObject call(const QString &method, const QJsonObject &params = {}, const QString &session = {});

private:
    QTemporaryDir profile_;
    pid_t pid_ = -1;
    int commands_ = -1, answers_ = -1;
    int nextId_ = 1;
    QByteArray pending_;
    QHash<QString, QString> targets_;  // session -> target
};

}  // namespace tpv::test
