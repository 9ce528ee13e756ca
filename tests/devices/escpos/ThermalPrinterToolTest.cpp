// The virtual kitchen printer (tpv-impresora-termica) as tests and the demo
// use it: started as a process on a port the system chooses.
#include "support/LoopbackSupport.h"
#include "support/StatusText.h"
#include "compat/Error.h"
#include "devices/escpos/EscPosDevice.h"
#include "devices/escpos/EscPosEncoder.h"
#include "devices/escpos/EscPosPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tpv;

namespace {

class ThermalPrinterTool : public ::testing::Test {
protected:
    // Starts the virtual printer with those options (on that port: 0 lets
    // the system choose) and points cfg at it.
    void start(const QStringList &options = {}, int onPort = 0) {
        QString said;
        port = test::startThermalPrinter(tool, dir.path(), &said, options, onPort);
        ASSERT_NE(port, 0) << said.toStdString();
        cfg.name = QStringLiteral("Cocina");
        cfg.connection = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    }
    void stop() {
        tool.terminate();
        EXPECT_TRUE(tool.waitForFinished(10000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), 0);
    }
    void TearDown() override {
        if (tool.state() != QProcess::NotRunning) stop();
    }
    void setState(const char *word) {
        QFile f(dir.filePath(QStringLiteral("estado")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(word);
    }
    QString failureOf(const QByteArray &ticket) {
        try {
            EscPosDevice(cfg).deliver(ticket);
        } catch (const TpvError &e) {
            return e.description();
        }
        return {};
    }
    // The tool stores a ticket once it has read the cut; the device does not
    // wait for that, so the test waits for the file to appear.
    QByteArray waitForFile(const QString &name) {
        QFile f(dir.filePath(name));
        for (int i = 0; i < 500 && !f.exists(); ++i) QThread::msleep(10);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }
    QStringList stored() const {
        return QDir(dir.path()).entryList({QStringLiteral("*.txt"), QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir dir;
    QProcess tool;
    int port = 0;
    EscPosPrinterConfig cfg;
};

}  // namespace

TEST_F(ThermalPrinterTool, StoresEachTicketAsUtf8TextDecodedInItsPageAndTheRawBytes) {
    start();
    const QString text = QStringLiteral("Mesa 4 · Terraza\r\n2 Cañas\r\n1 Café 1,50 €\r\n¿Sin hielo?\r\n");
    cfg.codePage = 1252;
    const QByteArray first = escPosTicket(text, cfg, EscPosFont{true, 18});
    ASSERT_EQ(failureOf(first), QString());
    EXPECT_EQ(QString::fromUtf8(waitForFile(QStringLiteral("000001.txt"))),
              QStringLiteral("Mesa 4 · Terraza\n2 Cañas\n1 Café 1,50 €\n¿Sin hielo?\n"));
    EXPECT_EQ(waitForFile(QStringLiteral("000001.bin")), first);

    cfg.codePage = 858;
    cfg.cut = EscPosPrinterConfig::Cut::None;  // the ticket then ends when the connection closes
    ASSERT_EQ(failureOf(escPosTicket(QStringLiteral("Ración de jamón\r\n"), cfg, {})), QString());
    EXPECT_EQ(QString::fromUtf8(waitForFile(QStringLiteral("000002.txt"))), QStringLiteral("Ración de jamón\n"));
}

TEST_F(ThermalPrinterTool, StateFileIsReadBeforeEveryAnswer) {
    start();
    cfg.stateQueries = EscPosPrinterConfig::StateQueries::Always;
    const QByteArray ticket = escPosTicket(QStringLiteral("X\r\n"), cfg, {});
    const struct {
        const char *word;
        const char *cause;
    } cases[] = {
        {"sinpapel", "La impresora Cocina no tiene papel"},
        {"tapa", "La impresora Cocina tiene la tapa abierta"},
        {"fueradelinea", "La impresora Cocina está fuera de línea"},
        {"error", "La impresora Cocina tiene un error"},
        {"mudo", "La impresora Cocina no responde"},
    };
    for (const auto &c : cases) {
        setState(c.word);
        EXPECT_EQ(failureOf(ticket).toStdString(), c.cause) << c.word;
    }
    EXPECT_TRUE(stored().isEmpty()) << stored().join(QLatin1Char(' ')).toStdString();
    setState("lista\n");
    EXPECT_EQ(failureOf(ticket), QString());
    EXPECT_EQ(waitForFile(QStringLiteral("000001.bin")), ticket);
}

TEST_F(ThermalPrinterTool, PrinterNumberingItsPagesOtherwisePrintsTheAccentsOnlyWithItsTabla) {
    start({QStringLiteral("--tablas"), QStringLiteral("858=6,850=1,1252=8")});
    const QString text = QStringLiteral("Caña, jamón y café: 9,50 €\r\n");
    ASSERT_EQ(failureOf(escPosTicket(text, cfg, {})), QString());
    const QString wrong = QString::fromUtf8(waitForFile(QStringLiteral("000001.txt")));
    EXPECT_NE(wrong, QStringLiteral("Caña, jamón y café: 9,50 €\n")) << "ESC t 19 is no page on this printer";
    cfg.table = 6;
    ASSERT_EQ(failureOf(escPosTicket(text, cfg, {})), QString());
    EXPECT_EQ(QString::fromUtf8(waitForFile(QStringLiteral("000002.txt"))),
              QStringLiteral("Caña, jamón y café: 9,50 €\n"));
}

TEST_F(ThermalPrinterTool, SlowPrinterWithASmallBufferGetsTheWholeLongTicket) {
    start({QStringLiteral("--bufer"), QStringLiteral("256"), QStringLiteral("--pausa"), QStringLiteral("2")});
    QString text;
    for (int i = 1; i <= 400; ++i) text += QStringLiteral("%1 Ración de croquetas caseras\r\n").arg(i);
    const QByteArray ticket = escPosTicket(text, cfg, {});
    ASSERT_GT(ticket.size(), 12000);
    EXPECT_EQ(failureOf(ticket), QString());
    EXPECT_EQ(waitForFile(QStringLiteral("000001.bin")), ticket);
}

TEST_F(ThermalPrinterTool, PrinterSwitchedOffAndOnIsReachedAgainAtTheNextTick) {
    start();
    const auto device = makeEscPosPrinterDevice(cfg);
    const PrinterState state = escPosPrinterState(cfg);
    const Document ticket = Document::fromText(QStringLiteral("1 Caña\r\n"));
    EXPECT_NO_THROW(device->deliver(state, ticket));
    ASSERT_FALSE(waitForFile(QStringLiteral("000001.bin")).isEmpty());

    stop();  // switched off
    EXPECT_THROW(device->deliver(state, ticket), TpvError);
    EXPECT_EQ(statusText(device->status(state)), QStringLiteral("Sin conexión"));

    start({}, port);  // and on again, at the same address
    device->newTick();
    EXPECT_NO_THROW(device->deliver(state, ticket));
    EXPECT_FALSE(waitForFile(QStringLiteral("000002.bin")).isEmpty());
    EXPECT_EQ(statusText(device->status(state)), QStringLiteral("Lista"));
}
