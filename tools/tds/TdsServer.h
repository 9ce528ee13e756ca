#pragma once
// A small TDS server on 127.0.0.1 for the tests: enough of SQL Server for
// FreeTDS, unixODBC and QODBC as the print server connects (prelogin without
// encryption, login, SQL batches and the RPCs of server cursors), with the
// statements executed on an SQLite file (see TdsBackend.h). Its connections
// can be dropped, reset or left without an answer on demand, to try every
// way a real server goes away.
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace tpv::tds {

// What happens to a connection when a fault strikes.
enum class Fault {
    Drop,       // closed in order (FIN), before the request is executed
    Reset,      // reset (RST), before the request is executed
    Silent,     // the request is never answered; the socket stays open
    DropAfter,  // the request is executed, then the connection closes unanswered
};

struct ServerSettings {
    QString databaseFile;  // an existing SQLite file
    QString catalog = QStringLiteral("Garnet");
    QString user = QStringLiteral("tesmarin");
    QString password = QStringLiteral("KOVU7");
    // The login's default language, used when the client names none.
    QString loginLanguage = QStringLiteral("us_english");
    uint16_t port = 0;  // 0: one the system chooses
};

class Server {
public:
    explicit Server(ServerSettings settings);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Listens on 127.0.0.1; false with the reason in error().
    bool start();
    void stop();
    uint16_t port() const { return port_; }
    QString error() const { return error_; }

    // The next request whose SQL text contains `match` (any request when
    // empty) meets `fault`; later requests are served as usual.
    void faultAt(Fault fault, const QString &match = {});
    // Every open connection, idle or not, is closed now (Drop or Reset).
    void closeConnections(Fault how);
    // While on, no request is answered (a server that hangs); off lets
    // the connections opened afterwards work again.
    void setSilent(bool silent);

    // The SQL of every request served or struck, in order (batches and
    // the statement text of RPCs).
    QStringList requests() const;
    int loginCount() const { return logins_; }
    // Bytes read from and written to the clients so far, TDS headers included.
    qint64 bytesReceived() const { return bytesIn_; }
    qint64 bytesSent() const { return bytesOut_; }
    int openConnections() const;

private:
    struct Connection;
    void acceptLoop();
    void serve(Connection *c);
    bool strikes(const QString &sql, Fault *fault);
    void waitWhileSilent(Connection *c);

    ServerSettings settings_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    QString error_;
    std::thread acceptThread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> logins_{0};
    std::atomic<qint64> bytesIn_{0}, bytesOut_{0};

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::list<std::unique_ptr<Connection>> connections_;
    bool silent_ = false;
    bool faultArmed_ = false;
    Fault fault_ = Fault::Drop;
    QString faultMatch_;
    QStringList requests_;
};

}  // namespace tpv::tds
