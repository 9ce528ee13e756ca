#include "compat/Error.h"
#include "support/StatusText.h"
#include "devices/escpos/EscPosDevice.h"
#include "devices/escpos/EscPosEncoder.h"
#include "support/LoopbackSupport.h"
#include "support/ScriptedPrinter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace tpv;
using namespace tpv::test;

namespace {

QByteArray sampleTicket() {
    return escPosTicket(QStringLiteral("Mesa 4\r\n2 Cañas\r\n"), printerAt(QString()), EscPosFont{true, 18});
}

// The cause the delivery failed with; empty when it did not fail.
QString failureOf(EscPosDevice &device, const QByteArray &ticket) {
    try {
        device.deliver(ticket);
    } catch (const TpvError &e) {
        EXPECT_EQ(e.number(), err::PrinterError);
        return e.description();
    }
    return {};
}

}  // namespace

TEST(EscPosDevice, ReadyPrinterGetsStateQueriesAroundTheExactTicket) {
    ScriptedPrinter printer;
    EscPosDevice device(printerAt(tcp(printer.listenTcp())));
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());
    EXPECT_EQ(printer.received(), kQueries + sampleTicket() + kQueries);
    EXPECT_EQ(device.state(), EscPosState::Ready);
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("Lista"));
}

TEST(EscPosDevice, PaperEndBeforeTheTicketSendsNothingAndSaysWhy) {
    ScriptedPrinter printer({0x1A, 0x32, 0x72});
    EscPosDevice device(printerAt(tcp(printer.listenTcp())));
    EXPECT_EQ(failureOf(device, sampleTicket()), QStringLiteral("La impresora Cocina no tiene papel"));
    EXPECT_EQ(printer.received(), kQueries);
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("Sin papel"));
}

TEST(EscPosDevice, PaperEndAfterTheTicketIsAFailureOfThatTicket) {
    // Only the roll sensor (DLE EOT 4) reports it this time.
    ScriptedPrinter printer({0x12, 0x12, 0x12, 0x12, 0x12, 0x72});
    EscPosDevice device(printerAt(tcp(printer.listenTcp())));
    EXPECT_EQ(failureOf(device, sampleTicket()), QStringLiteral("La impresora Cocina no tiene papel"));
    EXPECT_EQ(printer.received(), kQueries + sampleTicket() + kQueries);
    EXPECT_EQ(device.state(), EscPosState::PaperEnd);
}

TEST(EscPosDevice, EachBadStateBitGivesItsOwnCause) {
    struct Case {
        int n1, n2, n4;
        EscPosState state;
        const char *cause;
    };
    const Case cases[] = {
        {0x1A, 0x16, 0x12, EscPosState::CoverOpen, "La impresora Cocina tiene la tapa abierta"},
        {0x1A, 0x12, 0x12, EscPosState::Offline, "La impresora Cocina está fuera de línea"},
        {0x1A, 0x52, 0x12, EscPosState::Error, "La impresora Cocina tiene un error"},
    };
    for (const Case &c : cases) {
        ScriptedPrinter printer({c.n1, c.n2, c.n4});
        EscPosDevice device(printerAt(tcp(printer.listenTcp())));
        EXPECT_EQ(failureOf(device, sampleTicket()), QString::fromUtf8(c.cause));
        EXPECT_EQ(device.state(), c.state);
        EXPECT_EQ(printer.received(), kQueries);
    }
}

TEST(EscPosDevice, PrinterThatNeverAnswersIsReportedAsNotResponding) {
    ScriptedPrinter printer({Silent});
    EscPosDevice device(printerAt(tcp(printer.listenTcp())));
    EXPECT_EQ(failureOf(device, sampleTicket()), QStringLiteral("La impresora Cocina no responde"));
    EXPECT_EQ(printer.received(), kQueries.left(3));
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("No responde"));
}

TEST(EscPosDevice, ClosedPortIsAConnectionFailureNamingThePrinter) {
    EscPosDevice device(printerAt(tcp(Listener().port())));
    const QString cause = failureOf(device, sampleTicket());
    EXPECT_TRUE(cause.startsWith(QStringLiteral("No se puede conectar con la impresora Cocina (127.0.0.1:")))
        << cause.toStdString();
    EXPECT_TRUE(cause.endsWith(QStringLiteral("conexión rechazada"))) << cause.toStdString();
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("Sin conexión"));
}

TEST(EscPosDevice, WithoutStateQueriesTheTicketIsWrittenBlind) {
    ScriptedPrinter printer({Silent});
    EscPosDevice device(printerAt(tcp(printer.listenTcp()), Queries::Never));
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());
    EXPECT_EQ(printer.received(), sampleTicket());
}

TEST(EscPosDevice, SerialLineIsRawSoLineFeedsArriveUnchanged) {
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const QString name = QString::fromLocal8Bit(::ttyname(slave));
    const QByteArray ticket = sampleTicket();
    {
        ScriptedPrinter printer;
        printer.serveFd(master, ticket.size());
        EscPosDevice device(printerAt(QStringLiteral("serie:%1?baudios=19200").arg(name), Queries::Never));
        EXPECT_EQ(failureOf(device, ticket), QString());
        EXPECT_EQ(printer.received(), ticket);  // a cooked terminal would turn each 0A into 0D 0A
    }
    {
        ScriptedPrinter printer({0x1A, 0x16, 0x12});
        printer.serveFd(master, kQueries.size());
        EscPosDevice device(printerAt(QStringLiteral("serie:%1").arg(name)));
        EXPECT_EQ(failureOf(device, ticket), QStringLiteral("La impresora Cocina tiene la tapa abierta"));
        EXPECT_EQ(printer.received(), kQueries);
    }
    ::close(slave);
    ::close(master);
}

TEST(EscPosDevice, UsbNodeGetsTheBytesAndAMissingNodeIsReported) {
    QTemporaryDir dir;
    const QString node = dir.filePath(QStringLiteral("lp0"));
    QFile(node).open(QIODevice::WriteOnly);
    EscPosDevice device(printerAt(QStringLiteral("usb:") + node, Queries::Never));
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());
    QFile f(node);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), sampleTicket());

    EscPosDevice missing(printerAt(QStringLiteral("usb:") + dir.filePath(QStringLiteral("lp9")), Queries::Never));
    EXPECT_EQ(failureOf(missing, sampleTicket()),
              QStringLiteral("No se puede abrir el dispositivo %1 de la impresora Cocina: "
                             "el dispositivo no existe o no está conectado")
                  .arg(dir.filePath(QStringLiteral("lp9"))));
}

TEST(EscPosDevice, AutoPrinterThatNeverAnsweredIsWrittenBlindAskedOncePerTickAndWarnedOnce) {
    ScriptedPrinter printer({Silent, Silent, Silent});
    EscPosDevice device(printerAt(tcp(printer.listenTcp(3)), Queries::Auto));
    testing::internal::CaptureStderr();
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("Sin estado"));
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());  // same tick: not asked again
    device.newTick();
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    const std::vector<QByteArray> got = printer.connections();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], kQueries.left(3) + sampleTicket());
    EXPECT_EQ(got[1], sampleTicket());
    EXPECT_EQ(got[2], kQueries.left(3) + sampleTicket());
    EXPECT_EQ(log.count(QStringLiteral("La impresora Cocina no contesta a las preguntas de estado")), 1)
        << log.toStdString();
}

TEST(EscPosDevice, AutoPrinterThatHasAnsweredOnceFailsWhenItFallsSilentAsUnderSi) {
    ScriptedPrinter printer({0x12, 0x12, 0x12, 0x12, 0x12, 0x12, Silent});
    EscPosDevice device(printerAt(tcp(printer.listenTcp(2)), Queries::Auto));
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());
    EXPECT_EQ(device.state(), EscPosState::Ready);
    device.newTick();
    EXPECT_EQ(failureOf(device, sampleTicket()), QStringLiteral("La impresora Cocina no responde"));
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("No responde"));
    const std::vector<QByteArray> got = printer.connections();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], kQueries + sampleTicket() + kQueries);
    EXPECT_EQ(got[1], kQueries.left(3)) << "nothing sent to a printer that stopped answering";
}

TEST(EscPosDevice, PaperNearItsEndIsAWarningNotAFailureBeforeOrAfterTheTicket) {
    for (Queries q : {Queries::Always, Queries::Auto}) {
        ScriptedPrinter printer({0x12, 0x12, 0x1E, 0x12, 0x12, 0x0E});  // bits 2 and 3; then bit 2 alone
        EscPosDevice device(printerAt(tcp(printer.listenTcp()), q));
        EXPECT_EQ(failureOf(device, sampleTicket()), QString());
        EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("Poco papel"));
        EXPECT_EQ(printer.received(), kQueries + sampleTicket() + kQueries);
    }
    // Near its end and then out: the end wins.
    EXPECT_EQ(escPosStateFromAnswers(0x12, 0x12, 0x7E), EscPosState::PaperEnd);
}

// A printer may talk after the ticket (automatic status) while it still
// holds unprinted bytes. Closing outright would answer it with a reset, on
// which some printers drop what they had not printed; the link shuts its
// side and waits for the printer to close instead.
TEST(EscPosDevice, NetworkPrinterThatTalksAfterTheTicketGetsNoResetAndKeepsItsBytes) {
    int port = 0;
    const int listener = listenLoopback(&port, 1);
    ASSERT_GE(listener, 0);
    bool reset = false;
    QByteArray got;
    std::thread peer([&] {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1) return;
        const int fd = ::accept(listener, nullptr, nullptr);
        char buf[512];
        for (;;) {  // everything up to the sender's end of data
            p = {fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) != 1) break;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            got.append(buf, n);
        }
        const char status = 0x12;
        (void)!::write(fd, &status, 1);
        // No events asked: only an error or a hang-up (a reset) ends the wait.
        p = {fd, 0, 0};
        reset = ::poll(&p, 1, 300) == 1 && (p.revents & (POLLERR | POLLHUP));
        ::close(fd);
    });
    EscPosDevice device(printerAt(tcp(port), Queries::Never));
    EXPECT_EQ(failureOf(device, sampleTicket()), QString());
    peer.join();
    ::close(listener);
    EXPECT_EQ(got, sampleTicket());
    EXPECT_FALSE(reset) << "the printer's connection was reset after the ticket";
}

// A printer that stops taking bytes (its buffer full, never emptied) fails
// the ticket within the write limit instead of holding the tick or counting
// it as printed.
TEST(EscPosDevice, NetworkPrinterThatStopsTakingBytesFailsTheTicketWithinTheWriteLimit) {
    int port = 0;
    const int listener = listenLoopback(&port, 1, 4096);  // never accepts, never reads
    ASSERT_GE(listener, 0);
    EscPosDevice device(printerAt(tcp(port), Queries::Never));
    const QByteArray big = escPosTicket(QString(60000, QLatin1Char('x')), printerAt(QString()), {});
    EXPECT_EQ(
        failureOf(device, big),
        QStringLiteral("No se ha podido enviar el ticket a la impresora Cocina: no ha aceptado los datos en 5 s"));
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("Sin conexión"));
    ::close(listener);
}
