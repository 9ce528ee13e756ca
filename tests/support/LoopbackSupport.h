#pragma once
// What the thermal printer tests share: a loopback listener the test owns,
// and the virtual thermal printer started as a process.
#include "support/LoopbackSocket.h"

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tpv::test {

// A loopback listener the test owns; connections wait in its backlog until
// the test takes them.
class Listener {
public:
    // Listens on PORT (0: one the system chooses).
    explicit Listener(int port = 0) : port_(port) {
        fd_ = listenLoopback(&port_);
        if (fd_ >= 0) ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~Listener() {
        if (fd_ >= 0) ::close(fd_);
    }
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;
    bool ok() const { return fd_ >= 0; }
    int port() const { return port_; }
    // Whether a connection waits to be taken, or comes within the time.
    bool connectionWaiting(int timeoutMs) const {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1;
    }
    // The bytes of the connection waiting first; null when none waits.
    QByteArray takeConnection() {
        const int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0) return {};
        QByteArray got("");
        char buf[512];
        for (;;) {
            pollfd p{c, POLLIN, 0};
            if (::poll(&p, 1, 5000) != 1) break;
            const ssize_t n = ::read(c, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, n);
        }
        ::close(c);
        return got;
    }

private:
    int port_ = 0;
    int fd_ = -1;
};

// Starts the virtual thermal printer with its tickets in DIR, on PORT (0: a
// port the system chooses) and with the options given; returns the port, or
// 0 (with what it said) when it did not come up.
inline int startThermalPrinter(QProcess &tool, const QString &dir, QString *said, const QStringList &options = {},
                               int port = 0) {
    tool.setReadChannel(QProcess::StandardError);
    tool.start(
        QStringLiteral(TPV_THERMAL_PRINTER),
        QStringList{QStringLiteral("--puerto"), QString::number(port), QStringLiteral("--carpeta"), dir} + options);
    if (!tool.waitForStarted()) return 0;
    static const QRegularExpression re(QStringLiteral("escuchando en 127\\.0\\.0\\.1:(\\d+)"));
    while (!re.match(*said).hasMatch() && tool.waitForReadyRead(10000))
        *said += QString::fromUtf8(tool.readAllStandardError());
    const auto m = re.match(*said);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

}  // namespace tpv::test
