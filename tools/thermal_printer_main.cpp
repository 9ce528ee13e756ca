// tpv-impresora-termica: a virtual kitchen thermal printer on loopback TCP,
// for tests and the demo. It answers the state queries (DLE EOT 1, 2, 4) as
// the word in DIR/estado says, and stores each ticket it receives as
// NNNNNN.txt (the printed text, UTF-8) and NNNNNN.bin (the raw bytes).
// Options make it behave like the printers kitchens buy: one that never
// answers a state query, one whose maker numbers the code pages otherwise,
// one with a small, slow receive buffer.
#include "devices/escpos/EscPosDecoder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QString>
#include <QThread>

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t stopRequested = 0;
void onStopSignal(int) { stopRequested = 1; }

void say(const QString &line) {
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

struct Options {
    int port = -1;
    QString dir;
    QString ip = QStringLiteral("127.0.0.1");
    tpv::EscPosTables tables = tpv::EscPosTables::standard();
    bool silent = false;  // --sin-estado: never answers a state query
    int buffer = 0;       // --bufer N: takes at most N bytes at a time (0: no limit)
    int pauseMs = 0;      // --pausa MS: waits that long after each read, as a slow printer prints
};

// "858=6,850=1,1252=8": the ESC t number of each page on this printer.
bool parseTables(const QString &text, tpv::EscPosTables *out) {
    static const QRegularExpression re(QStringLiteral("^(437|850|858|1252)=(\\d{1,3})$"));
    tpv::EscPosTables t;
    t.pageOf.insert(0, 437);
    for (const QString &item : text.split(QLatin1Char(','))) {
        const auto m = re.match(item.trimmed());
        if (!m.hasMatch() || m.captured(2).toInt() > 255) return false;
        t.pageOf.insert(m.captured(2).toInt(), m.captured(1).toInt());
    }
    *out = t;
    return true;
}

bool parseOptions(int argc, char **argv, Options *o) {
    for (int i = 1; i < argc; ++i) {
        const QString key = QString::fromLocal8Bit(argv[i]);
        if (key == QLatin1String("--sin-estado")) {
            o->silent = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const QString value = QString::fromLocal8Bit(argv[++i]);
        bool ok = true;
        if (key == QLatin1String("--puerto"))
            o->port = value.toInt(&ok);
        else if (key == QLatin1String("--carpeta"))
            o->dir = value;
        else if (key == QLatin1String("--ip"))
            o->ip = value;
        else if (key == QLatin1String("--tablas"))
            ok = parseTables(value, &o->tables);
        else if (key == QLatin1String("--bufer"))
            ok = (o->buffer = value.toInt(&ok)) > 0 && ok;
        else if (key == QLatin1String("--pausa"))
            ok = (o->pauseMs = value.toInt(&ok)) >= 0 && ok;
        else
            ok = false;
        if (!ok) return false;
    }
    return o->port >= 0 && o->port <= 65535 && !o->dir.isEmpty();
}

// The three state bytes for the word in DIR/estado; bits 1 and 4 are always
// set in a real answer. An empty vector: the printer keeps silent.
std::vector<char> stateAnswers(const QString &dir) {
    QFile f(QDir(dir).filePath(QStringLiteral("estado")));
    QString word = QStringLiteral("lista");
    if (f.open(QIODevice::ReadOnly)) word = QString::fromUtf8(f.readAll()).trimmed().toLower();
    if (word == QLatin1String("mudo")) return {};
    if (word == QLatin1String("sinpapel")) return {0x1A, 0x32, 0x72};
    if (word == QLatin1String("pocopapel")) return {0x12, 0x12, 0x1E};
    if (word == QLatin1String("tapa")) return {0x1A, 0x16, 0x12};
    if (word == QLatin1String("fueradelinea")) return {0x1A, 0x12, 0x12};
    if (word == QLatin1String("error")) return {0x1A, 0x52, 0x12};
    if (word != QLatin1String("lista") && !word.isEmpty())
        say(QStringLiteral("Estado «%1» desconocido en %2; se contesta como lista").arg(word, f.fileName()));
    return {0x12, 0x12, 0x12};
}

char answerFor(const std::vector<char> &answers, char n) {
    if (n == 1) return answers[0];
    if (n == 2) return answers[1];
    if (n == 4) return answers[2];
    return 0x12;
}

// Stores tickets as numbered file pairs, each written whole and renamed.
class TicketStore {
public:
    TicketStore(QString dir, tpv::EscPosTables tables) : dir_(std::move(dir)), tables_(std::move(tables)) {
        static const QRegularExpression re(QStringLiteral("^(\\d{6})\\.(txt|bin)$"));
        for (const QString &name : QDir(dir_).entryList(QDir::Files)) {
            const auto m = re.match(name);
            if (m.hasMatch()) next_ = std::max(next_, m.captured(1).toInt() + 1);
        }
    }
    void store(const QByteArray &ticket) {
        const QString base = QDir(dir_).filePath(QStringLiteral("%1").arg(next_++, 6, 10, QLatin1Char('0')));
        // The raw bytes first, so that a .txt never appears without its .bin.
        if (!save(base + QStringLiteral(".bin"), ticket) ||
            !save(base + QStringLiteral(".txt"), tpv::escPosDecodeTicket(ticket, tables_).toUtf8()))
            say(QStringLiteral("No se puede guardar el ticket en %1").arg(base));
    }

private:
    static bool save(const QString &path, const QByteArray &bytes) {
        QSaveFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
    }
    QString dir_;
    tpv::EscPosTables tables_;  // how this printer numbers its code pages
    int next_ = 1;
};

// One connection: answers state queries and cuts the stream into tickets.
class Client {
public:
    Client(int fd, const Options &options, TicketStore &store) : fd_(fd), options_(&options), store_(&store) {}

    // Reads what arrived (no more than the buffer takes); false when the
    // other side closed.
    bool readAvailable() {
        char buf[4096];
        const size_t most = options_->buffer > 0 ? std::min<size_t>(options_->buffer, sizeof buf) : sizeof buf;
        const ssize_t n = ::read(fd_, buf, most);
        // A slow printer: what it took is printed before it takes more.
        if (n > 0 && options_->pauseMs > 0) QThread::msleep(options_->pauseMs);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
        if (n <= 0) return false;
        pending_.append(buf, n);
        process();
        return true;
    }

    void close() {
        ticket_ += pending_;  // a command cut short by the close still belongs to the ticket
        if (inTicket_) store_->store(ticket_);
        ::close(fd_);
    }
    int fd() const { return fd_; }

private:
    void process() {
        qsizetype pos = 0;
        while (qsizetype n = tpv::escPosItemLength(pending_, pos)) {
            handle(QByteArrayView(pending_).sliced(pos, n));
            pos += n;
        }
        pending_.remove(0, pos);
    }

    void handle(QByteArrayView item) {
        if (item.size() == 3 && item[0] == 0x10 && item[1] == 0x04) return answer(item[2]);
        const bool reset = item.size() == 2 && item[0] == 0x1B && item[1] == '@';
        if (reset && inTicket_) store_->store(ticket_);  // a new ticket without a cut before it
        if (reset) {
            inTicket_ = true;
            ticket_.clear();
        }
        if (!inTicket_) return;  // bytes between tickets print nothing
        ticket_.append(item);
        if (tpv::escPosIsCut(item, 0)) {
            store_->store(ticket_);
            inTicket_ = false;
            ticket_.clear();
        }
    }

    void answer(char n) {
        if (options_->silent) return;
        const std::vector<char> answers = stateAnswers(options_->dir);
        if (answers.empty()) return;
        const char b = answerFor(answers, n);
        if (::send(fd_, &b, 1, MSG_NOSIGNAL) != 1) say(QStringLiteral("No se ha podido contestar el estado"));
    }

    int fd_;
    const Options *options_;
    TicketStore *store_;
    QByteArray pending_;
    QByteArray ticket_;
    bool inTicket_ = false;
};

int listenOn(const Options &o, int *port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(o.port));
    if (::inet_pton(AF_INET, o.ip.toLatin1().constData(), &addr.sin_addr) != 1) return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // A small receive window, inherited by every connection accepted: the
    // sender has to wait while the printer works through what it holds.
    if (o.buffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &o.buffer, sizeof o.buffer);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

// Stop signals are blocked except while waiting, so none is missed.
sigset_t installStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    sigset_t block, previous;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    ::sigprocmask(SIG_BLOCK, &block, &previous);
    sigdelset(&previous, SIGTERM);
    sigdelset(&previous, SIGINT);
    return previous;
}

void serve(int listener, const Options &o, const sigset_t &waitMask) {
    TicketStore store(o.dir, o.tables);
    std::vector<Client> clients;
    while (!stopRequested) {
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        for (const Client &c : clients) fds.push_back({c.fd(), POLLIN, 0});
        if (::ppoll(fds.data(), fds.size(), nullptr, &waitMask) < 0) continue;  // a signal: the loop checks it
        for (size_t i = fds.size() - 1; i >= 1; --i)
            if (fds[i].revents && !clients[i - 1].readAvailable()) {
                clients[i - 1].close();
                clients.erase(clients.begin() + static_cast<long>(i - 1));
            }
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) clients.emplace_back(fd, o, store);
        }
    }
    for (Client &c : clients) c.close();
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    if (!parseOptions(argc, argv, &o)) {
        say(QStringLiteral(
            "Uso: tpv-impresora-termica --puerto N --carpeta CARPETA [--ip 127.0.0.1]\n"
            "         [--tablas 858=N,850=N,1252=N] [--sin-estado] [--bufer BYTES] [--pausa MS]\n"
            "  --puerto 0     elige un puerto libre y lo dice al empezar\n"
            "  --tablas       los números ESC t de cada página en esta impresora (por omisión\n"
            "                 858=19,850=2,1252=16); un número que no conoce deja la página como estaba\n"
            "  --sin-estado   no contesta nunca a las preguntas de estado\n"
            "  --bufer BYTES  toma como mucho BYTES cada vez (búfer de recepción pequeño)\n"
            "  --pausa MS     espera MS milisegundos tras cada lectura (impresora lenta)\n"
            "El archivo CARPETA/estado dice qué contesta: lista, pocopapel, sinpapel, tapa,\n"
            "fueradelinea, error o mudo."));
        return 2;
    }
    if (!QDir().mkpath(o.dir)) {
        say(QStringLiteral("No se puede crear la carpeta %1").arg(o.dir));
        return 1;
    }
    const sigset_t waitMask = installStopSignals();
    int port = 0;
    const int listener = listenOn(o, &port);
    if (listener < 0) {
        say(QStringLiteral("No se puede escuchar en %1:%2 (¿dirección mal escrita o puerto ocupado?)")
                .arg(o.ip)
                .arg(o.port));
        return 1;
    }
    say(QStringLiteral("Impresora térmica virtual escuchando en %1:%2").arg(o.ip).arg(port));
    serve(listener, o, waitMask);
    ::close(listener);
    return 0;
}
