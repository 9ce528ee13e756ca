#include "platform/escpos/EscPosLink.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace tpv {

namespace {

// ---- Parsing the connection key -------------------------------------------

bool fail(QString *error, const QString &why) {
    if (error) *error = why;
    return false;
}

bool parseTcp(const QString &rest, EscPosConnection *out, QString *error) {
    static const QRegularExpression re(QStringLiteral("^([^:/?#\\s]+):(\\d{1,5})$"));
    const auto m = re.match(rest);
    if (!m.hasMatch())
        return fail(error, QStringLiteral("se esperaba tcp://EQUIPO:PUERTO (por ejemplo tcp://192.168.1.50:9100)"));
    const int port = m.captured(2).toInt();
    if (port < 1 || port > 65535)
        return fail(error, QStringLiteral("el puerto %1 no existe (debe ir de 1 a 65535)").arg(m.captured(2)));
    out->kind = EscPosConnection::Kind::Tcp;
    out->host = m.captured(1);
    out->port = port;
    return true;
}

bool parseUsb(const QString &rest, EscPosConnection *out, QString *error) {
    if (!rest.startsWith(QLatin1Char('/')) || rest.size() < 2 || rest.contains(QLatin1Char('?')))
        return fail(error, QStringLiteral("se esperaba usb:/dev/usb/lpN (la ruta completa del dispositivo)"));
    out->kind = EscPosConnection::Kind::Usb;
    out->device = rest;
    return true;
}

bool baudSupported(int baud) {
    for (int b : {9600, 19200, 38400, 57600, 115200})
        if (b == baud) return true;
    return false;
}

bool parseSerial(const QString &rest, EscPosConnection *out, QString *error) {
    const qsizetype q = rest.indexOf(QLatin1Char('?'));
    const QString device = q < 0 ? rest : rest.left(q);
    if (!device.startsWith(QLatin1Char('/')) || device.size() < 2)
        return fail(error,
                    QStringLiteral("se esperaba serie:/dev/ttyUSB0?baudios=19200 (la ruta completa del dispositivo)"));
    int baud = 9600;
    if (q >= 0) {
        static const QRegularExpression re(QStringLiteral("^baudios=(\\d+)$"));
        const auto m = re.match(rest.mid(q + 1));
        if (!m.hasMatch()) return fail(error, QStringLiteral("tras la ruta solo puede ir ?baudios=N"));
        baud = m.captured(1).toInt();
        if (!baudSupported(baud))
            return fail(
                error,
                QStringLiteral("la velocidad %1 no se admite (9600, 19200, 38400, 57600 o 115200)").arg(m.captured(1)));
    }
    out->kind = EscPosConnection::Kind::Serial;
    out->device = device;
    out->baud = baud;
    return true;
}

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

// ---- One file descriptor: socket, printer node or terminal ------------------

class FdLink : public EscPosLink {
public:
    FdLink(int fd, bool socket) : fd_(fd), socket_(socket) {}
    ~FdLink() override {
        discardInput();  // unread input would make close() reset the connection
        if (socket_) ::shutdown(fd_, SHUT_WR);
        ::close(fd_);
    }

    bool writeAll(const QByteArray &bytes, int timeoutMs, QString *why) override {
        const QDeadlineTimer deadline(timeoutMs);
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = socket_ ? ::send(fd_, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL)
                                      : ::write(fd_, bytes.constData() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                *why = errnoText(errno);
                return false;
            }
            if (!waitFor(POLLOUT, deadline)) {
                *why = QStringLiteral("no ha aceptado los datos en %1 s").arg(timeoutMs / 1000);
                return false;
            }
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

private:
    // Waits for the event until the deadline; false when it did not come.
    bool waitFor(short event, const QDeadlineTimer &deadline) {
        for (;;) {
            pollfd p{fd_, event, 0};
            const int r = ::poll(&p, 1, remainingMs(deadline));
            if (r < 0 && errno == EINTR) continue;
            return r > 0;
        }
    }

    int fd_;
    bool socket_;
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
        int r;
        do r = ::poll(&p, 1, remainingMs(deadline));
        while (r < 0 && errno == EINTR);
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

bool parseEscPosConnection(const QString &text, EscPosConnection *out, QString *error) {
    const QString t = text.trimmed();
    EscPosConnection parsed;
    bool ok = false;
    if (t.startsWith(QLatin1String("tcp://")))
        ok = parseTcp(t.mid(6), &parsed, error);
    else if (t.startsWith(QLatin1String("usb:")))
        ok = parseUsb(t.mid(4), &parsed, error);
    else if (t.startsWith(QLatin1String("serie:")))
        ok = parseSerial(t.mid(6), &parsed, error);
    else if (t.isEmpty())
        ok = fail(error, QStringLiteral("está vacía"));
    else
        ok = fail(error, QStringLiteral("debe empezar por tcp://, usb: o serie:"));
    if (ok && out) *out = parsed;
    return ok;
}

QString escPosConnectionPlace(const EscPosConnection &c) {
    if (c.kind == EscPosConnection::Kind::Tcp) return c.host + QLatin1Char(':') + QString::number(c.port);
    return c.device;
}

std::unique_ptr<EscPosLink> openEscPosLink(const EscPosConnection &c, QString *why) {
    if (c.kind == EscPosConnection::Kind::Tcp) return openTcp(c, why);
    const int fd = openNode(c.device, why);
    if (fd < 0) return nullptr;
    if (c.kind == EscPosConnection::Kind::Serial && !makeRaw(fd, c.baud, why)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FdLink>(fd, false);
}

}  // namespace tpv
