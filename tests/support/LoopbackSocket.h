#pragma once
// A TCP socket listening on 127.0.0.1, for the printers and servers the
// tests and the benchmarks play in-process.
#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tpv::test {

// Listens on 127.0.0.1 at *port (0: a port the system chooses, written back
// to *port); -1 when it cannot. A receive buffer size, when given, is
// inherited by the connections it takes.
inline int listenLoopback(int *port, int backlog = 4, int receiveBuffer = 0) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return -1;
    // A fixed port listened on a moment ago may be taken again at once.
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (receiveBuffer > 0) ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(*port));
    socklen_t len = sizeof a;
    if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(s, backlog) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) != 0) {
        ::close(s);
        return -1;
    }
    *port = ntohs(a.sin_port);
    return s;
}

// A loopback port on which nothing listens (the system chose it free).
inline int freeLoopbackPort() {
    int port = 0;
    if (const int s = listenLoopback(&port); s >= 0) ::close(s);
    return port;
}

}  // namespace tpv::test
