// Twenty pages open on one kitchen screen: what they cost the print server
// while nothing happens, and how long a card takes from the start of the
// tick that sends it to the last of them. The pages are raw event streams
// read by one thread of this process (its CPU is counted too: an upper
// bound), and one in-process page says it has shown each card.
#include "app/Monitoring.h"
#include "app/Screens.h"
#include "devices/screen/ScreenStore.h"
#include "support/FakeScreenPage.h"
#include "support/Harness.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace tpv;

namespace {

using Clock = std::chrono::steady_clock;

// PAGES event streams of the screen, read as they come; each stream notes
// when a text first reached it.
class Pages {
public:
    Pages(quint16 port, int pages, const QByteArray &cookie) : stop_(::eventfd(0, 0)) {
        for (int i = 0; i < pages; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(port);
            ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
            const QByteArray request =
                "GET /pantalla/Pantalla-Cocina/eventos HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookie + "\r\n\r\n";
            if (::write(fd, request.constData(), static_cast<size_t>(request.size())) != request.size()) return;
            fds_.push_back(fd);
        }
        seen_.resize(fds_.size());
        thread_ = std::thread([this] { read(); });
    }
    ~Pages() {
        const uint64_t one = 1;
        if (::write(stop_, &one, sizeof one) == sizeof one) thread_.join();
        for (const int fd : fds_) ::close(fd);
        ::close(stop_);
    }
    // Waits until every page has had TEXT; the moment the last one had it.
    std::optional<Clock::time_point> reached(const QByteArray &text) {
        std::unique_lock lock(mutex_);
        Clock::time_point last{};
        const bool all = changed_.wait_for(lock, std::chrono::seconds(10), [&] {
            for (const auto &s : seen_)
                if (!s.contains(text)) return false;
            return true;
        });
        if (!all) return std::nullopt;
        for (const auto &s : seen_) last = std::max(last, s.value(text));
        return last;
    }
    void expect(const QByteArray &text) {
        const std::lock_guard lock(mutex_);
        expected_ = text;
    }

private:
    void read() {
        std::vector<pollfd> polls;
        for (const int fd : fds_) polls.push_back({fd, POLLIN, 0});
        polls.push_back({stop_, POLLIN, 0});
        std::vector<QByteArray> text(fds_.size());
        for (;;) {
            if (::poll(polls.data(), polls.size(), -1) <= 0 || polls.back().revents) return;
            for (size_t i = 0; i < fds_.size(); ++i) {
                if (!polls[i].revents) continue;
                char buf[65536];
                const ssize_t n = ::read(fds_[i], buf, sizeof buf);
                if (n <= 0) {
                    polls[i].fd = -1;
                    continue;
                }
                text[i].append(buf, n);
                const std::lock_guard lock(mutex_);
                if (!expected_.isEmpty() && text[i].contains(expected_) && !seen_[i].contains(expected_)) {
                    seen_[i].insert(expected_, Clock::now());
                    changed_.notify_all();
                }
                if (text[i].size() > 1 << 20) text[i] = text[i].right(1 << 16);
            }
        }
    }

    int stop_;
    std::vector<int> fds_;
    std::mutex mutex_;
    std::condition_variable changed_;
    QByteArray expected_;
    std::vector<QHash<QByteArray, Clock::time_point>> seen_;
    std::thread thread_;
};

// Whether the condition came true within the time.
bool within(int ms, const std::function<bool()> &condition) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_TwentyScreenPages(benchmark::State &state) {
    const int pages = static_cast<int>(state.range(0));
    demo::Harness h;
    h.prepare(QStringLiteral("20261207"));
    h.server->execute(QStringLiteral("UPDATE prn SET conexprn = 'Pantalla-Cocina' WHERE conexprn = 'Cocina'"));
    h.server->execute(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 1, destino2 = 0, destino3 = 0"));
    QFile ini(QDir(h.dataDir).filePath(QStringLiteral("impresoras.ini")));
    if (!ini.open(QIODevice::WriteOnly)) return state.SkipWithError("impresoras.ini");
    ini.write("[Pantalla-Cocina]\nconexion=pantalla\nclave=clave-de-la-cocina\n");
    ini.close();
    h.start();
    Monitoring monitoring(*h.printServer, QStringLiteral("bench"), [](LogPriority, const QString &) {});
    Screens screens(*h.printServer, h.screens);
    screens.start();
    QString error;
    if (!within(10000, [&] { return h.screens->store()->loaded(); }) ||
        !monitoring.serve({QHostAddress(QHostAddress::LocalHost), 0, {}}, &error, h.screens))
        return state.SkipWithError("sin pantalla");
    const auto shows = test::FakeScreenPage::open(*h.screens, QStringLiteral("Pantalla-Cocina"));
    Pages open(monitoring.httpPort(), pages, "clave=clave-de-la-cocina");
    if (!within(10000, [&] { return h.screens->openPages(QStringLiteral("Pantalla-Cocina")) == pages + 1; }))
        return state.SkipWithError("las páginas no se abren");

    // Idle: nothing but the heartbeats (two rounds of them).
    const double cpuBefore = cpuSeconds();
    const auto idleFrom = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * HttpServer::kStreamHeartbeatMs + 1000));
    const double idleWall = std::chrono::duration<double>(Clock::now() - idleFrom).count();
    const double idleCpu = cpuSeconds() - cpuBefore;

    double worstMs = 0, totalMs = 0;
    int cards = 0;
    for (auto _ : state) {
        ++cards;
        const QByteArray dish = "Plato " + QByteArray::number(cards);
        open.expect(dish);
        demo::addOrder(*h.server, 1, QStringLiteral("20261207"), 100 + cards, 1,
                       {{QStringLiteral("CROQ"), QString::fromUtf8(dish), 1, std::nullopt}}, {});
        const auto sent = Clock::now();
        h.f->T.runTick();
        const auto last = open.reached(dish);
        if (!last) {
            state.SkipWithError("una página no recibió la tarjeta");
            break;
        }
        const double ms = std::chrono::duration<double, std::milli>(*last - sent).count();
        worstMs = std::max(worstMs, ms);
        totalMs += ms;
        state.SetIterationTime(ms / 1000);
    }
    state.counters["pages"] = pages;
    state.counters["idle_cpu_pct"] = 100 * idleCpu / idleWall;
    state.counters["card_ms_mean"] = cards ? totalMs / cards : 0;
    state.counters["card_ms_worst"] = worstMs;
    shows->close();
}
BENCHMARK(BM_TwentyScreenPages)->Arg(20)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
