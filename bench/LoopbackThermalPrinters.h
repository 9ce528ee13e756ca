#pragma once
// Kitchen thermal printers on loopback for the benchmarks.
#include "support/LoopbackSocket.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tpv::bench {

// Kitchen thermal printers on loopback, played by one thread: every DLE EOT
// is answered "ready" at once, every cut ends a ticket. Its CPU is not the
// program's (the clock is the program thread's), as a real printer's is not.
class LoopbackThermalPrinters {
public:
    LoopbackThermalPrinters() {
        listener_ = test::listenLoopback(&port_, 16);
        if (listener_ < 0) throw std::runtime_error("cannot listen on loopback");
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackThermalPrinters() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    int port() const { return port_; }
    int tickets() const { return tickets_; }
    // Declares Cocina, Barra and Postres as these printers in the data
    // folder's impresoras.ini, each group with the extra keys given.
    void declareIn(const QString &dataDir, const QString &extraKeys = {}) const {
        QFile ini(QDir(dataDir).filePath(QStringLiteral("impresoras.ini")));
        if (!ini.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write impresoras.ini");
        for (const char *p : {"Cocina", "Barra", "Postres"})
            ini.write(QStringLiteral("[%1]\nconexion=tcp://127.0.0.1:%2\n%3")
                          .arg(QString::fromLatin1(p))
                          .arg(port_)
                          .arg(extraKeys)
                          .toUtf8());
    }

private:
    struct Client {
        int fd;
        QByteArray tail;  // the last bytes seen, for commands split across reads
    };
    void serve() {
        std::vector<Client> clients;
        while (!stop_) {
            std::vector<pollfd> fds{{listener_, POLLIN, 0}};
            for (const Client &c : clients) fds.push_back({c.fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                const int c = ::accept(listener_, nullptr, nullptr);
                if (c >= 0) clients.push_back({c, {}});
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
                Client &c = clients[i - 1];
                char buf[4096];
                const ssize_t n = ::read(c.fd, buf, sizeof buf);
                if (n <= 0) {
                    ::close(c.fd);
                    c.fd = -1;
                    continue;
                }
                QByteArray seen = c.tail + QByteArray(buf, n);
                for (qsizetype k = c.tail.size(); k < seen.size(); ++k) {
                    if (k >= 2 && seen[k - 2] == 0x10 && seen[k - 1] == 0x04) {
                        const char ready = 0x12;
                        (void)!::send(c.fd, &ready, 1, MSG_NOSIGNAL);
                    }
                    if (k >= 3 && seen[k - 3] == 0x1d && seen[k - 2] == 0x56 && seen[k - 1] == 0x42 && seen[k] == 0)
                        ++tickets_;
                }
                c.tail = seen.right(3);
            }
            std::erase_if(clients, [](const Client &c) { return c.fd < 0; });
        }
        for (const Client &c : clients) ::close(c.fd);
    }

    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> tickets_{0};
};

}  // namespace tpv::bench
