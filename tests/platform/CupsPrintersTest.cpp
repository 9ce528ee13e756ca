// The real printer path: a ticket printed through CUPS and read back from
// what the queue received. Needs the private scheduler that
// scripts/cups-test-env.sh starts (the test command does).
#include "platform/CupsPrinters.h"
#include "platform/Error.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace tpv;

namespace {

QString env(const char *name) { return qEnvironmentVariable(name); }

int indexOf(const PrinterLayer &p, const QString &name) {
    for (int i = 0; i < p.count(); ++i)
        if (p.installed(i).get(PrinterProperty::DeviceName).toText() == name) return i;
    return -1;
}

// Waits until the queue has written a whole PDF, then returns its text.
// The queue's backend renames the file into place once it is whole.
QString receivedText(const QString &path) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 30000 && !QFileInfo::exists(path)) QThread::msleep(100);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

TEST(CupsPrinters, ATicketPrintedThroughCupsArrivesWithItsText) {
    const QString queue = env("TPV_CUPS_TEST_PRINTER");
    if (queue.isEmpty()) GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    CupsPrinters printers;
    const int i = indexOf(printers, queue);
    ASSERT_GE(i, 0) << "la cola de pruebas no aparece entre las impresoras instaladas";
    EXPECT_EQ(printers.get(PrinterProperty::DeviceName).toText(), queue) << "la predeterminada es la primera actual";
    printers.makeCurrent(i);
    printers.set(PrinterProperty::FontName, QStringLiteral("Liberation Mono"));
    printers.set(PrinterProperty::FontSize, 10.0);
    QFile::remove(env("TPV_CUPS_TEST_OUTPUT"));
    printers.print(QStringLiteral("Fecha 07/12/2026     Tpv 1\r\nMesa 4 Comanda N.  12\r\n\r\n2 Caña\r\n1 Entrecot\r\n     /Poco hecho"));
    printers.endDoc();
    // The PDF's text comes back with its own spacing: compare words.
    const QString text = receivedText(env("TPV_CUPS_TEST_OUTPUT")).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Mesa 4 Comanda N. 12"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2 Caña"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/Poco hecho"))) << text.toStdString();
}

TEST(CupsPrinters, AQueueRemovedAfterStartUpIsAnErrorNotAPrintOnTheDefault) {
    const QString queue = env("TPV_CUPS_TEST_PRINTER");
    if (queue.isEmpty()) GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    ASSERT_EQ(QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-p"), QStringLiteral("TPVEfimera"), QStringLiteral("-E"),
                                                            QStringLiteral("-v"), QStringLiteral("tpvfile:/dev/null"),
                                                            QStringLiteral("-m"), QStringLiteral("raw")}),
              0);
    CupsPrinters printers;
    const int i = indexOf(printers, QStringLiteral("TPVEfimera"));
    ASSERT_GE(i, 0);
    QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), QStringLiteral("TPVEfimera")});
    printers.makeCurrent(i);
    printers.print(QStringLiteral("no debe salir"));
    EXPECT_THROW(printers.endDoc(), TpvError);
}

TEST(CupsPrinters, PanelPaperCodesMapToPageSizesBothWays) {
    EXPECT_EQ(paperSizeCode(QPageSize::A4), 9);
    EXPECT_EQ(qtPageSizeId(28), QPageSize::EnvelopeC5);
    EXPECT_EQ(qtPageSizeId(256), QPageSize::Custom);
}
