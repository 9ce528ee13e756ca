#pragma once
// Clients that hold connections to a loopback server without ever ending a
// request, as a scanner or a broken agent does: each sends a few header
// bytes every second and, once the server has closed it, connects again at
// its next turn. They run on a thread of their own and stop with the
// object.
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tpv::test {

class SlowClients {
public:
    SlowClients(quint16 port, int count) : port_(port), clients_(static_cast<size_t>(count)) {
        clock_.start();
        // Their turns spread over the second.
        for (size_t i = 0; i < clients_.size(); ++i)
            clients_[i].turnMs = static_cast<qint64>(i) * 1000 / static_cast<qint64>(count);
        thread_ = std::thread([this] { run(); });
    }
    ~SlowClients() {
        stop_ = true;
        thread_.join();
        for (Client &c : clients_)
            if (c.fd >= 0) ::close(c.fd);
    }
    SlowClients(const SlowClients &) = delete;
    SlowClients &operator=(const SlowClients &) = delete;

    int connected() const { return connected_; }
    int closedByServer() const { return closed_; }

private:
    struct Client {
        int fd = -1;
        bool established = false;
        qint64 turnMs = 0;
        int sent = 0;
    };

    void open(Client &c) {
        c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port_);
        c.established = false;
        c.sent = 0;
        if (::connect(c.fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 && errno != EINPROGRESS) ended(c);
    }
    void ended(Client &c) {
        if (c.established) {
            --connected_;
            ++closed_;
        }
        ::close(c.fd);
        c.fd = -1;
        c.established = false;
    }
    // The request line first, then one header a few bytes at a time.
    void sendSome(Client &c) {
        static const char head[] = "GET /salud HTTP/1.1\r\nX-Lento: ";
        const char *bytes = c.sent == 0 ? head : "aaa";
        const size_t size = c.sent == 0 ? sizeof head - 1 : 3;
        if (::send(c.fd, bytes, size, MSG_NOSIGNAL) > 0) ++c.sent;
    }

    void run() {
        std::vector<pollfd> fds;
        while (!stop_) {
            const qint64 now = clock_.elapsed();
            fds.clear();
            for (Client &c : clients_) {
                if (now >= c.turnMs) {
                    c.turnMs += 1000;
                    if (c.fd < 0)
                        open(c);
                    else if (c.established)
                        sendSome(c);
                }
                fds.push_back({c.fd, static_cast<short>(c.established ? POLLIN : POLLOUT), 0});
            }
            ::poll(fds.data(), fds.size(), 20);
            for (size_t i = 0; i < clients_.size(); ++i) {
                Client &c = clients_[i];
                if (c.fd < 0 || fds[i].revents == 0) continue;
                if (!c.established) {
                    int error = 0;
                    socklen_t len = sizeof error;
                    ::getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &len);
                    if (error != 0) {
                        ended(c);
                        continue;
                    }
                    c.established = true;
                    ++connected_;
                    sendSome(c);
                    continue;
                }
                char buffer[512];
                if (::recv(c.fd, buffer, sizeof buffer, 0) <= 0) ended(c);
            }
        }
    }

    const quint16 port_;
    std::vector<Client> clients_;
    QElapsedTimer clock_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connected_{0}, closed_{0};
    std::thread thread_;
};

}  // namespace tpv::test
