#include "devices/escpos/EscPosLink.h"

#include "platform/Waiting.h"
#include "devices/escpos/UsbPrinters.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace tpv {

namespace {

// ---- System errors, said in Spanish ----------------------------------------

QString errnoText(int e) {
    switch (e) {
        case ECONNREFUSED:
            return QStringLiteral("conexión rechazada");
        case ETIMEDOUT:
            return QStringLiteral("no contesta (tiempo de espera agotado)");
        case EHOSTUNREACH:
        case ENETUNREACH:
            return QStringLiteral("el equipo no es accesible desde esta red");
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return QStringLiteral("el dispositivo no existe o no está conectado");
        case EACCES:
        case EPERM:
            return QStringLiteral("no hay permiso para usar el dispositivo");
        case EBUSY:
            return QStringLiteral("el dispositivo está ocupado");
        case EPIPE:
        case ECONNRESET:
            return QStringLiteral("la impresora cerró la conexión");
        case EIO:
            return QStringLiteral("error de entrada/salida en el dispositivo");
        case ENOTTY:
            return QStringLiteral("el dispositivo no es una línea serie");
        default:
            return QStringLiteral("error del sistema %1 (%2)").arg(e).arg(QString::fromLocal8Bit(std::strerror(e)));
    }
}

int remainingMs(const QDeadlineTimer &deadline) {
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

// poll() until a descriptor is ready or the deadline passes, in short
// slices with a turn of the window's event loop between them, so that a
// printer that does not answer never freezes the window (platform/Waiting.h).
int pollUntil(pollfd *fds, nfds_t count, const QDeadlineTimer &deadline) {
    for (;;) {
        const int r = ::poll(fds, count, std::min(remainingMs(deadline), waiting::kSliceMs));
        if (r < 0 && errno == EINTR) continue;
        if (r != 0 || deadline.hasExpired()) return r;
        waiting::turn();
    }
}

// ---- One file descriptor: socket, printer node or terminal ------------------

class FdLink : public EscPosLink {
public:
    FdLink(int fd, bool socket) : fd_(fd), socket_(socket) {}
    ~FdLink() override {
        if (!finished_) {
            discardInput();  // unread input would make close() reset the connection
            if (socket_) ::shutdown(fd_, SHUT_WR);
        }
        ::close(fd_);
    }

    bool writeAll(const QByteArray &bytes, int timeoutMs, QString *why) override {
        const QDeadlineTimer deadline(timeoutMs);
        if (!socket_) return writeSome(QByteArrayView(bytes), deadline, timeoutMs, why);
        // Each piece waits until no more than one piece is still on its way,
        // so a printer never has more than two unacknowledged pieces to hold.
        // Two, not one: a receiver that delays its acknowledgement until it
        // has a second segment (most do) would otherwise stall every piece.
        for (qsizetype at = 0; at < bytes.size(); at += escpos::NetworkPieceBytes) {
            const auto piece =
                QByteArrayView(bytes).sliced(at, std::min<qsizetype>(escpos::NetworkPieceBytes, bytes.size() - at));
            if (!waitUntilTaken(escpos::NetworkPieceBytes, deadline, timeoutMs, why) ||
                !writeSome(piece, deadline, timeoutMs, why))
                return false;
        }
        return true;
    }

    int readByte(int timeoutMs) override {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            unsigned char b = 0;
            const ssize_t n = ::read(fd_, &b, 1);
            if (n == 1) return b;
            // On a socket 0 means the printer closed the connection; a serial
            // line in raw mode returns 0 when nothing has arrived yet.
            if (n == 0 && socket_) return -1;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
            if (deadline.hasExpired() || !waitFor(POLLIN, deadline)) return -1;
        }
    }

    void discardInput() override {
        char buf[256];
        while (::read(fd_, buf, sizeof buf) > 0) {
        }
    }

    // A printer that gets more data after its peer has closed (or that sends
    // status to a closed socket) receives a reset, and some then drop what
    // they had not printed yet. So the write side is shut first and the
    // printer's own close awaited, reading off whatever it still sends.
    void finish() override {
        if (!socket_ || finished_) return;
        finished_ = true;
        ::shutdown(fd_, SHUT_WR);
        const QDeadlineTimer deadline(escpos::CloseTimeoutMs);
        char buf[256];
        for (;;) {
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n > 0 || (n < 0 && errno == EINTR)) continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return;
            if (!waitFor(POLLIN, deadline)) return;
        }
    }

private:
    bool writeSome(QByteArrayView bytes, const QDeadlineTimer &deadline, int timeoutMs, QString *why) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = socket_ ? ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL)
                                      : ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                *why = errnoText(errno);
                return false;
            }
            if (!waitFor(POLLOUT, deadline)) return notTaken(timeoutMs, why);
        }
        return true;
    }

    // Waits until the printer has acknowledged all but `left` bytes of what
    // was sent (the socket's queue of unacknowledged bytes). There is no
    // event for it, so the queue is looked at in short, growing steps.
    bool waitUntilTaken(int left, const QDeadlineTimer &deadline, int timeoutMs, QString *why) {
        int stepMs = 1;
        for (;;) {
            int unacknowledged = 0;
            if (::ioctl(fd_, TIOCOUTQ, &unacknowledged) != 0 || unacknowledged <= left) return true;
            if (deadline.hasExpired()) return notTaken(timeoutMs, why);
            ::poll(nullptr, 0, std::min(stepMs, std::max(1, remainingMs(deadline))));
            stepMs = std::min(stepMs * 2, 20);
            waiting::turn();
        }
    }

    static bool notTaken(int timeoutMs, QString *why) {
        *why = QStringLiteral("no ha aceptado los datos en %1 s").arg(timeoutMs / 1000);
        return false;
    }

    // Waits for the event until the deadline; false when it did not come.
    bool waitFor(short event, const QDeadlineTimer &deadline) {
        pollfd p{fd_, event, 0};
        return pollUntil(&p, 1, deadline) > 0;
    }

    int fd_;
    bool socket_;
    bool finished_ = false;
};

// Connects one address within the deadline; the socket, or -1 and errno set.
int connectOne(const addrinfo *ai, const QDeadlineTimer &deadline) {
    const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) return -1;
    // Each state query is three bytes waiting for a one-byte answer: sent at
    // once, not held back until the previous bytes are acknowledged.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) return fd;
    if (errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        const int r = pollUntil(&p, 1, deadline);
        int soError = ETIMEDOUT;
        socklen_t len = sizeof soError;
        if (r > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0) return fd;
        errno = r > 0 ? soError : ETIMEDOUT;
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

std::unique_ptr<EscPosLink> openTcp(const EscPosConnection &c, QString *why) {
    const QDeadlineTimer deadline(escpos::ConnectTimeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const QByteArray host = c.host.toUtf8();
    const QByteArray port = QByteArray::number(c.port);
    if (::getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0 || !found) {
        *why = QStringLiteral("no se encuentra el equipo %1").arg(c.host);
        return nullptr;
    }
    int fd = -1;
    int lastError = ETIMEDOUT;
    for (const addrinfo *ai = found; ai && fd < 0 && !deadline.hasExpired(); ai = ai->ai_next) {
        fd = connectOne(ai, deadline);
        if (fd < 0) lastError = errno;
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        *why = errnoText(lastError);
        return nullptr;
    }
    return std::make_unique<FdLink>(fd, true);
}

int openNode(const QString &device, QString *why) {
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) *why = errnoText(errno);
    return fd;
}

speed_t speedOf(int baud) {
    switch (baud) {
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B9600;
    }
}

// Raw 8N1 at the configured speed, no flow control, reads that never block.
bool makeRaw(int fd, int baud, QString *why) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        *why = errnoText(errno);
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speedOf(baud));
    ::cfsetospeed(&t, speedOf(baud));
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        *why = errnoText(errno);
        return false;
    }
    ::tcflush(fd, TCIFLUSH);
    return true;
}

}  // namespace

std::unique_ptr<EscPosLink> openEscPosLink(const EscPosConnection &c, QString *why, const QString &usbRoot) {
    if (c.kind == EscPosConnection::Kind::Tcp) return openTcp(c, why);
    const QString device = c.device.isEmpty() ? findUsbPrinterNode(c, usbRoot, why) : c.device;
    if (device.isEmpty()) return nullptr;
    const int fd = openNode(device, why);
    if (fd < 0) return nullptr;
    if (c.kind == EscPosConnection::Kind::Serial && !makeRaw(fd, c.baud, why)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FdLink>(fd, false);
}

}  // namespace tpv
