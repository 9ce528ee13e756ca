// What reaches the service manager: a datagram socket of the test's own
// stands for systemd's notification socket.
#include "platform/ServiceNotify.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tpv;

namespace {

class Notify : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *v : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"})
            saved_.push_back({v, qgetenv(v), qEnvironmentVariableIsSet(v)});
        ASSERT_TRUE(dir_.isValid());
        const QByteArray path = QFile::encodeName(dir_.filePath(QStringLiteral("notify")));
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd_, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        ASSERT_LT(static_cast<size_t>(path.size()), sizeof addr.sun_path);
        std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
        ASSERT_EQ(::bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        qputenv("NOTIFY_SOCKET", path);
    }
    void TearDown() override {
        if (fd_ >= 0) ::close(fd_);
        for (const auto &s : saved_) {
            if (s.set)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }
    // The next datagram; empty when none comes (the wait only bounds a
    // broken test, nothing is measured).
    QByteArray next() {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) return {};
        char buf[4096];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        return n > 0 ? QByteArray(buf, n) : QByteArray();
    }
    bool pending() {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1;
    }

    struct Saved {
        const char *name;
        QByteArray value;
        bool set;
    };
    std::vector<Saved> saved_;
    QTemporaryDir dir_;
    int fd_ = -1;
    ServiceNotify notify;
};

}  // namespace

TEST_F(Notify, ReadyWatchdogStatusAndStoppingReachTheServiceManagerInOrder) {
    EXPECT_TRUE(notify.ready());
    EXPECT_TRUE(notify.watchdog());
    EXPECT_TRUE(notify.status(QStringLiteral("Ticket enviado: trabajo 41, comanda 1207, impresora Cocina, 5 líneas")));
    EXPECT_TRUE(notify.stopping());
    EXPECT_EQ(next(), QByteArray("READY=1"));
    EXPECT_EQ(next(), QByteArray("WATCHDOG=1"));
    EXPECT_EQ(QString::fromUtf8(next()),
              QStringLiteral("STATUS=Ticket enviado: trabajo 41, comanda 1207, impresora Cocina, 5 líneas"));
    EXPECT_EQ(next(), QByteArray("STOPPING=1"));
}

TEST_F(Notify, TheSocketStaysKnownForEveryLaterTick) {
    notify.ready();
    for (int i = 0; i < 3; ++i) notify.watchdog();
    EXPECT_EQ(next(), QByteArray("READY=1"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(next(), QByteArray("WATCHDOG=1"));
    EXPECT_TRUE(qEnvironmentVariableIsSet("NOTIFY_SOCKET"));
}

TEST_F(Notify, ALineBreakInAStatusCannotAddASecondAssignment) {
    notify.status(QStringLiteral("No se puede leer el trabajo\nREADY=1\r\nERRNO=5"));
    const QByteArray got = next();
    EXPECT_EQ(got, QByteArray("STATUS=No se puede leer el trabajo READY=1  ERRNO=5"));
    EXPECT_FALSE(got.contains('\n'));
}

TEST_F(Notify, ALongStatusIsCutWithoutSplittingACharacter) {
    // 198 letters, then a character outside the basic plane exactly at the cut.
    const QString text =
        QString(198, QLatin1Char('a')) + QString::fromUtf8("\xf0\x9f\x8d\xb3") + QString(100, QLatin1Char('b'));
    notify.status(text);
    const QByteArray got = next();
    ASSERT_TRUE(got.startsWith("STATUS="));
    const QString status = QString::fromUtf8(got.mid(7));
    EXPECT_LE(status.size(), 200);
    EXPECT_FALSE(status.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(status.toUtf8(), got.mid(7));
}

TEST_F(Notify, OutsideAServiceNothingIsSentAndTheCallsSaySo) {
    qunsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(notify.ready());
    EXPECT_FALSE(notify.watchdog());
    EXPECT_FALSE(notify.status(QStringLiteral("en marcha")));
    EXPECT_FALSE(pending());
}

TEST_F(Notify, WatchdogIntervalIsTheServiceManagersInMilliseconds) {
    qputenv("WATCHDOG_USEC", "320000000");
    qputenv("WATCHDOG_PID", QByteArray::number(static_cast<qint64>(::getpid())));
    EXPECT_EQ(ServiceNotify::watchdogIntervalMs(), 320000);
}

TEST_F(Notify, AWatchdogMeantForAnotherProcessIsNotOurs) {
    qputenv("WATCHDOG_USEC", "320000000");
    qputenv("WATCHDOG_PID", QByteArray::number(static_cast<qint64>(::getpid()) + 1));
    EXPECT_EQ(ServiceNotify::watchdogIntervalMs(), 0);
}

TEST_F(Notify, NoWatchdogSetMeansNoInterval) {
    qunsetenv("WATCHDOG_USEC");
    qunsetenv("WATCHDOG_PID");
    EXPECT_EQ(ServiceNotify::watchdogIntervalMs(), 0);
}
