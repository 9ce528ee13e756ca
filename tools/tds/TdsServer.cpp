#include "tds/TdsServer.h"

#include "tds/TdsBackend.h"
#include "tds/TdsReply.h"
#include "tds/TdsWire.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tpv::tds {

struct Server::Connection {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> finished{false};
    // Set by closeConnections(): how the serving thread closes the socket.
    std::atomic<int> closeAs{-1};
    uint8_t packetId = 1;
    int packetSize = 4096;
};

namespace {

bool readFully(int fd, char *buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::recv(fd, buffer + got, size - got, 0);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return false;
        }
        got += static_cast<size_t>(n);
    }
    return true;
}

bool writeFully(int fd, const char *buffer, size_t size) {
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd, buffer + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

// One message: the payloads of its packets up to the one marked last.
bool readMessage(int fd, uint8_t *type, QByteArray *payload, std::atomic<qint64> &bytes) {
    payload->clear();
    while (true) {
        char header[8];
        if (!readFully(fd, header, 8)) return false;
        *type = static_cast<uint8_t>(header[0]);
        const int length = (static_cast<uint8_t>(header[2]) << 8) | static_cast<uint8_t>(header[3]);
        if (length < 8) return false;
        QByteArray body(length - 8, Qt::Uninitialized);
        if (!readFully(fd, body.data(), static_cast<size_t>(body.size()))) return false;
        bytes += length;
        payload->append(body);
        if (header[1] & 0x01) return true;
    }
}

void closeSocket(int fd, Fault how) {
    if (how == Fault::Reset) {
        linger l{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    } else {
        ::shutdown(fd, SHUT_RDWR);
    }
    ::close(fd);
}

QString rpcText(const RpcCall &call) {
    for (const RpcParameter &p : call.parameters)
        if (p.value.typeId() == QMetaType::QString) return p.value.toString();
    return {};
}

}  // namespace

Server::Server(ServerSettings settings) : settings_(std::move(settings)) {}

Server::~Server() { stop(); }

bool Server::start() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(settings_.port);
    if (::bind(listenFd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 16) != 0) {
        error_ = QString::fromLocal8Bit(strerror(errno));
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr *>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void Server::stop() {
    if (listenFd_ < 0) return;
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptThread_.joinable()) acceptThread_.join();
    ::close(listenFd_);
    listenFd_ = -1;
    {
        std::lock_guard lock(mutex_);
        for (auto &c : connections_)
            if (!c->finished) ::shutdown(c->fd, SHUT_RDWR);
    }
    wake_.notify_all();
    for (auto &c : connections_)
        if (c->thread.joinable()) c->thread.join();
    connections_.clear();
}

void Server::acceptLoop() {
    while (!stopping_) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;
        }
        int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        Connection *raw = c.get();
        connections_.push_back(std::move(c));
        raw->thread = std::thread([this, raw] { serve(raw); });
    }
}

void Server::faultAt(Fault fault, const QString &match) {
    std::lock_guard lock(mutex_);
    faultArmed_ = true;
    fault_ = fault;
    faultMatch_ = match;
}

void Server::closeConnections(Fault how) {
    std::unique_lock lock(mutex_);
    for (auto &c : connections_) {
        if (c->finished) continue;
        c->closeAs = static_cast<int>(how);
        // Wakes the serving thread, which closes the socket the way asked.
        ::shutdown(c->fd, SHUT_RD);
    }
    wake_.notify_all();
    // Closed when this returns: a request sent afterwards meets a closed socket.
    wake_.wait(lock, [this] {
        for (const auto &c : connections_)
            if (!c->finished) return false;
        return true;
    });
}

void Server::setSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
    wake_.notify_all();
}

QStringList Server::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int Server::openConnections() const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto &c : connections_) n += c->finished ? 0 : 1;
    return n;
}

bool Server::strikes(const QString &sql, Fault *fault) {
    std::lock_guard lock(mutex_);
    requests_ << sql;
    if (silent_) {
        *fault = Fault::Silent;
        return true;
    }
    if (!faultArmed_ || !sql.contains(faultMatch_, Qt::CaseInsensitive)) return false;
    faultArmed_ = false;
    *fault = fault_;
    return true;
}

void Server::waitWhileSilent(Connection *c) {
    // A hung server: the request stays unanswered until the client gives up
    // and closes, or the server stops.
    std::unique_lock lock(mutex_);
    while (!stopping_ && c->closeAs < 0) {
        wake_.wait_for(lock, std::chrono::milliseconds(50));
        // What the client sends meanwhile (its cancel of the request) is
        // read and dropped, so that its close is seen behind it: a hung
        // session must end with the connection, and the transaction it held
        // open with it.
        pollfd p{c->fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            char b[512];
            const ssize_t n = ::recv(c->fd, b, sizeof b, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) break;
        }
    }
}

void Server::serve(Connection *c) {
    auto send = [this, c](uint8_t type, const QByteArray &payload) {
        const int chunk = c->packetSize - 8;
        int at = 0;
        do {
            const int n = qMin(chunk, static_cast<int>(payload.size()) - at);
            const bool last = at + n >= payload.size();
            char header[8] = {static_cast<char>(type),
                              static_cast<char>(last ? 1 : 0),
                              static_cast<char>((n + 8) >> 8),
                              static_cast<char>((n + 8) & 0xFF),
                              0,
                              0,
                              static_cast<char>(c->packetId++),
                              0};
            if (!writeFully(c->fd, header, 8) || !writeFully(c->fd, payload.constData() + at, static_cast<size_t>(n)))
                return false;
            bytesOut_ += n + 8;
            at += n;
        } while (at < payload.size());
        return true;
    };
    auto finish = [this, c](Fault how) {
        const int asked = c->closeAs;
        closeSocket(c->fd, asked >= 0 ? static_cast<Fault>(asked) : how);
        std::lock_guard lock(mutex_);
        c->finished = true;
        wake_.notify_all();
    };

    uint8_t type = 0;
    QByteArray payload;
    if (!readMessage(c->fd, &type, &payload, bytesIn_)) return finish(Fault::Drop);
    if (type == packet::Prelogin) {
        if (!send(packet::Reply, preloginReply())) return finish(Fault::Drop);
        if (!readMessage(c->fd, &type, &payload, bytesIn_)) return finish(Fault::Drop);
    }
    const auto login = type == packet::Login7 ? readLogin7(payload) : std::nullopt;
    if (!login) return finish(Fault::Drop);
    Tokens reply;
    auto refuse = [&](int number, int severity, const QString &text) {
        reply.error({number, severity, text});
        reply.done(done::Done, done::Error, 0, 0);
        send(packet::Reply, reply.bytes());
        finish(Fault::Drop);
    };
    if (login->user != settings_.user || login->password != settings_.password)
        return refuse(18456, 14, QStringLiteral("Login failed for user '%1'.").arg(login->user));
    if (login->database.compare(settings_.catalog, Qt::CaseInsensitive) != 0 && !login->database.isEmpty()) {
        return refuse(4060, 11,
                      QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
                          .arg(login->database));
    }
    std::unique_ptr<Session> session;
    try {
        session = std::make_unique<Session>(settings_.databaseFile,
                                            login->language.isEmpty() ? settings_.loginLanguage : login->language);
    } catch (const std::exception &e) {
        return refuse(4060, 11, QString::fromLocal8Bit(e.what()));
    }
    if (login->packetSize >= 512 && login->packetSize <= 32767) c->packetSize = static_cast<int>(login->packetSize);
    reply.envChange(1, settings_.catalog, QStringLiteral("master"));
    reply.info(5701, QStringLiteral("Changed database context to '%1'.").arg(settings_.catalog));
    reply.collationChange();
    reply.envChange(2, session->language(), QString());
    reply.info(5703, QStringLiteral("Changed language setting to %1.").arg(session->language()));
    reply.loginAck();
    reply.envChange(4, QString::number(c->packetSize), QStringLiteral("4096"));
    reply.done(done::Done, done::Final, 0, 0);
    if (!send(packet::Reply, reply.bytes())) return finish(Fault::Drop);
    ++logins_;
    Conversation conversation(*session);

    while (readMessage(c->fd, &type, &payload, bytesIn_) && c->closeAs < 0) {
        if (type == packet::Attention) {
            Tokens ack;
            ack.done(done::Done, done::Attention, 0, 0);
            if (!send(packet::Reply, ack.bytes())) break;
            continue;
        }
        std::optional<RpcCall> rpc;
        QString sql;
        if (type == packet::SqlBatch) {
            sql = readBatch(payload);
        } else if (type == packet::Rpc) {
            rpc = readRpc(payload);
            sql = rpc ? QStringLiteral("RPC %1 %2")
                            .arg(rpc->procId ? QString::number(rpc->procId) : rpc->name, rpcText(*rpc))
                      : QStringLiteral("RPC ?");
        } else {
            break;
        }
        Fault fault = Fault::Drop;
        const bool struck = strikes(sql, &fault);
        if (struck && (fault == Fault::Drop || fault == Fault::Reset)) return finish(fault);
        if (struck && fault == Fault::Silent) {
            waitWhileSilent(c);
            return finish(Fault::Drop);
        }
        QByteArray answer;
        if (type == packet::SqlBatch) {
            answer = conversation.batch(sql);
        } else if (rpc) {
            answer = conversation.rpc(*rpc);
        } else {
            Tokens t;
            t.error({8009, 16, QStringLiteral("The incoming RPC request is incorrect.")});
            t.done(done::Done, done::Error, 0, 0);
            answer = t.bytes();
        }
        if (struck && fault == Fault::DropAfter) return finish(Fault::Drop);
        if (!send(packet::Reply, answer)) break;
    }
    finish(Fault::Drop);
}

}  // namespace tpv::tds
