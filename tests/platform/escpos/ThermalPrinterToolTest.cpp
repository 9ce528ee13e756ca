// The virtual kitchen printer (tpv-impresora-termica) as tests and the demo
// use it: started as a process on a port the system chooses.
#include "platform/escpos/LoopbackSupport.h"
#include "platform/Error.h"
#include "platform/escpos/EscPosDevice.h"
#include "platform/escpos/EscPosEncoder.h"

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
    void SetUp() override {
        QString said;
        const int port = test::startThermalPrinter(tool, dir.path(), &said);
        ASSERT_NE(port, 0) << said.toStdString();
        cfg.name = QStringLiteral("Cocina");
        cfg.connection = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    }
    void TearDown() override {
        tool.terminate();
        EXPECT_TRUE(tool.waitForFinished(10000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), 0);
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
    EscPosPrinterConfig cfg;
};

}  // namespace

TEST_F(ThermalPrinterTool, StoresEachTicketAsUtf8TextDecodedInItsPageAndTheRawBytes) {
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
