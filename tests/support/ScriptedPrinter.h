#pragma once
// A kitchen thermal printer played by a thread of the test, for the device
// tests: it records what it receives and answers the state queries as
// scripted.
#include "devices/escpos/EscPosConfig.h"
#include "support/LoopbackSocket.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tpv::test {

inline const QByteArray kQueries = QByteArray::fromHex("100401100402100404");
constexpr int Silent = -1;

// A printer at the other end of a file descriptor, played by a thread: it
// records every byte and answers each DLE EOT with the next scripted byte
// (ready once the script is used up; Silent: no answer).
class ScriptedPrinter {
public:
    explicit ScriptedPrinter(std::deque<int> answers = {}) : answers_(std::move(answers)) {}
    ~ScriptedPrinter() { join(); }

    // Listens on loopback, on a port the system chooses, and serves that
    // many connections one after the other.
    int listenTcp(int connections = 1) {
        int port = 0;
        listener_ = listenLoopback(&port, 1);
        if (listener_ < 0) return 0;
        thread_ = std::thread([this, connections] {
            for (int i = 0; i < connections; ++i) {
                pollfd p{listener_, POLLIN, 0};
                if (::poll(&p, 1, 10000) != 1) return;
                const int fd = ::accept(listener_, nullptr, nullptr);
                perConnection_.emplace_back();
                serve(fd);
                ::close(fd);
            }
        });
        return port;
    }
    // Serves on an fd the test owns (the master side of a pseudo-terminal).
    void serveFd(int fd, qsizetype stopAfter) {
        stopAfter_ = stopAfter;
        thread_ = std::thread([this, fd] { serve(fd); });
    }
    QByteArray received() {
        join();
        return received_;
    }
    // What each connection brought, in order.
    std::vector<QByteArray> connections() {
        join();
        return perConnection_;
    }

private:
    void serve(int fd) {
        char b;
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) != 1 || ::read(fd, &b, 1) != 1) return;
            received_.append(b);
            if (!perConnection_.empty()) perConnection_.back().append(b);
            if (received_.size() >= 3 && received_.at(received_.size() - 3) == 0x10 &&
                received_.at(received_.size() - 2) == 0x04)
                answer(fd);
            if (stopAfter_ > 0 && received_.size() >= stopAfter_) return;
        }
    }
    void answer(int fd) {
        int a = 0x12;
        if (!answers_.empty()) {
            a = answers_.front();
            answers_.pop_front();
        }
        if (a == Silent) return;
        const char c = static_cast<char>(a);
        (void)!::write(fd, &c, 1);
    }
    void join() {
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
    }

    std::deque<int> answers_;
    std::thread thread_;
    int listener_ = -1;
    qsizetype stopAfter_ = 0;
    QByteArray received_;
    std::vector<QByteArray> perConnection_;
};

using Queries = EscPosPrinterConfig::StateQueries;

inline EscPosPrinterConfig printerAt(const QString &connection, Queries queries = Queries::Always) {
    EscPosPrinterConfig c;
    c.name = QStringLiteral("Cocina");
    c.connection = connection;
    c.stateQueries = queries;
    return c;
}

inline QString tcp(int port) { return QStringLiteral("tcp://127.0.0.1:%1").arg(port); }

}  // namespace tpv::test
