// Looks at a kitchen thermal printer between tickets.
#include "devices/escpos/EscPosDevice.h"
#include "support/LoopbackSupport.h"
#include "support/ScriptedPrinter.h"

#include <gtest/gtest.h>

using namespace tpv;
using namespace tpv::test;

// A look between tickets asks what a ticket asks before it is sent, and
// sends nothing else.
TEST(EscPosDevice, ALookAsksTheStateSendsNoTicketAndSaysWhyThePrinterCannotPrint) {
    ScriptedPrinter printer({0x12, 0x12, 0x12, 0x1A, 0x32, 0x12});  // ready; then no paper
    EscPosDevice device(printerAt(tcp(printer.listenTcp(2))));
    QString cause;
    EXPECT_EQ(device.probe(&cause), EscPosState::Ready);
    EXPECT_EQ(cause, QString());
    EXPECT_EQ(device.probe(&cause), EscPosState::PaperEnd);
    EXPECT_EQ(cause, QStringLiteral("La impresora Cocina no tiene papel"));
    EXPECT_EQ(device.state(), EscPosState::PaperEnd);
    EXPECT_EQ(printer.connections(), (std::vector<QByteArray>{kQueries, kQueries}));
}

// Asking a printer that never answers costs a second of waiting: under
// estado=auto the looks ask it once, then only see that it can be reached.
TEST(EscPosDevice, AutoPrinterThatNeverAnsweredIsAskedAtTheFirstLookOnly) {
    ScriptedPrinter printer({Silent});
    EscPosDevice device(printerAt(tcp(printer.listenTcp(2)), Queries::Auto));
    testing::internal::CaptureStderr();
    QString cause;
    EXPECT_EQ(device.probe(&cause), EscPosState::NoStatus);
    EXPECT_EQ(device.probe(&cause), EscPosState::NoStatus);
    EXPECT_EQ(cause, QString());
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(printer.connections(), (std::vector<QByteArray>{kQueries.left(3), QByteArray()}));
    EXPECT_EQ(log.count(QStringLiteral("no contesta a las preguntas de estado")), 1) << log.toStdString();
}

TEST(EscPosDevice, ALookAtAPrinterThatCannotBeReachedIsAConnectionFailure) {
    EscPosDevice device(printerAt(tcp(Listener().port()), Queries::Never));
    QString cause;
    EXPECT_EQ(device.probe(&cause), EscPosState::NoConnection);
    EXPECT_TRUE(cause.startsWith(QStringLiteral("No se puede conectar con la impresora Cocina")))
        << cause.toStdString();
}
