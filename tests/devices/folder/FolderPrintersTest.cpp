#include "compat/Error.h"
#include "devices/folder/FolderPrinters.h"
#include "devices/Printers.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tpv;

namespace {
void write(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
}  // namespace

TEST(FolderPrinters, PrintersAreListedInByteOrderAndTheDefaultFileChoosesTheCurrent) {
    QTemporaryDir tmp;
    for (const char *n : {"barra", "Cocina", "Barra"}) QDir(tmp.path()).mkdir(QString::fromLatin1(n));
    write(tmp.filePath(QStringLiteral("default")), "Cocina\n");
    FolderPrinters p(tmp.path());
    ASSERT_EQ(p.count(), 3);
    EXPECT_EQ(p.installed(0).get(PrinterProperty::DeviceName).toText(), QStringLiteral("Barra"));
    EXPECT_EQ(p.installed(1).get(PrinterProperty::DeviceName).toText(), QStringLiteral("Cocina"));
    EXPECT_EQ(p.installed(2).get(PrinterProperty::DeviceName).toText(), QStringLiteral("barra"));
    EXPECT_EQ(p.get(PrinterProperty::DeviceName).toText(), QStringLiteral("Cocina"));
}

TEST(FolderPrinters, DocumentsAreNumberedAndCarryTheTextAndThePropertiesInForce) {
    QTemporaryDir tmp;
    QDir(tmp.path()).mkdir(QStringLiteral("Cocina"));
    write(tmp.filePath(QStringLiteral("Cocina/printer.json")),
          R"({"Orientation": 2, "PaperSize": 28, "PrintQuality": 600})");
    FolderPrinters p(tmp.path());
    EXPECT_EQ(p.get(PrinterProperty::Orientation).toInt32(), 2);
    p.set(PrinterProperty::Orientation, 1);
    p.set(PrinterProperty::FontName, QStringLiteral("Courier"));
    p.print(QStringLiteral("a\r\nb"));
    p.endDoc();
    p.print(QStringLiteral("c"));
    p.endDoc();
    const QStringList docs = FolderPrinters::documents(tmp.filePath(QStringLiteral("Cocina")));
    ASSERT_EQ(docs.size(), 2);
    EXPECT_TRUE(docs[0].endsWith(QLatin1String("000001.txt")));
    QFile t(docs[0]);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll(), QByteArray("a\r\nb\r\n"));
    QFile j(tmp.filePath(QStringLiteral("Cocina/000002.json")));
    ASSERT_TRUE(j.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(j.readAll()).object();
    EXPECT_EQ(o.value(QStringLiteral("Orientation")).toInt(), 1);
    EXPECT_EQ(o.value(QStringLiteral("PaperSize")).toInt(), 28);
    EXPECT_EQ(o.value(QStringLiteral("FontName")).toString(), QStringLiteral("Courier"));
}

TEST(FolderPrinters, RefusedAndInvalidPropertiesAreErrorsAndChangeNothing) {
    QTemporaryDir tmp;
    QDir(tmp.path()).mkdir(QStringLiteral("P"));
    write(tmp.filePath(QStringLiteral("P/printer.json")), R"({"Refused": ["Duplex"]})");
    FolderPrinters p(tmp.path());
    EXPECT_THROW(p.set(PrinterProperty::Duplex, 2), TpvError);
    EXPECT_THROW(p.set(PrinterProperty::Orientation, 7), TpvError);
    EXPECT_THROW(p.set(PrinterProperty::DeviceName, QStringLiteral("X")), TpvError);
    EXPECT_EQ(p.get(PrinterProperty::Duplex).toInt32(), 1);
    EXPECT_EQ(p.get(PrinterProperty::Orientation).toInt32(), 1);
    EXPECT_THROW(p.makeCurrent(5), TpvError);
}

TEST(FolderPrinters, MakingAnotherPrinterCurrentCarriesTheFontOver) {
    QTemporaryDir tmp;
    QDir(tmp.path()).mkdir(QStringLiteral("A"));
    QDir(tmp.path()).mkdir(QStringLiteral("B"));
    write(tmp.filePath(QStringLiteral("B/printer.json")), R"({"Orientation": 2})");
    FolderPrinters p(tmp.path());
    p.set(PrinterProperty::FontSize, 12.0);
    p.set(PrinterProperty::FontBold, true);
    p.makeCurrent(1);
    EXPECT_EQ(p.get(PrinterProperty::FontSize).toDouble(), 12.0);
    EXPECT_TRUE(p.get(PrinterProperty::FontBold).toBool());
    EXPECT_EQ(p.get(PrinterProperty::Orientation).toInt32(), 2);
    // What was set on a printer stays with it when another becomes current.
    p.set(PrinterProperty::Orientation, 1);
    p.makeCurrent(0);
    EXPECT_EQ(p.installed(1).get(PrinterProperty::Orientation).toInt32(), 1);
    p.makeCurrent(1);
    EXPECT_EQ(p.get(PrinterProperty::Orientation).toInt32(), 1);
}

TEST(FolderPrinters, AVanishedPrinterFolderFailsTheDocument) {
    QTemporaryDir tmp;
    QDir(tmp.path()).mkdir(QStringLiteral("A"));
    FolderPrinters p(tmp.path());
    QDir(tmp.filePath(QStringLiteral("A"))).removeRecursively();
    p.print(QStringLiteral("x"));
    EXPECT_THROW(p.endDoc(), TpvError);
}
