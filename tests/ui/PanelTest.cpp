#include "support/TestSupport.h"

#include "compat/Error.h"
#include "ui/PrinterPanel.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tpv;
using namespace tpv::test;

namespace {

class Panel : public ServerTest {
protected:
    void preset(const QString &printer, const QByteArray &json) {
        QFile f(QDir(printersDir).filePath(printer + QStringLiteral("/printer.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(json);
    }
    bool anyMarked() {
        const PrinterPanel &p = f->panel;
        for (const TextField *t : {&p.txtWidth, &p.txtHeight, &p.txtCopies, &p.txtScaleLeft, &p.txtScaleTop,
                                   &p.txtScaleWidth, &p.txtScaleHeight, &p.txtZoom})
            if (t->DataChanged) return true;
        for (const ValueList *v :
             {&p.cboPaperSize, &p.cboOrientation, &p.cboColorMode, &p.cboDuplex, &p.cboPaperBin, &p.cboPrintQuality})
            if (v->DataChanged) return true;
        return false;
    }
    // Makes printer `name` current as order printing does, with portrait.
    void orderSequence(const QString &name) {
        f->panel.cboPrinters.setText(name);
        cmdMakeCurrent_Click(f->printerPanel());
        f->panel.cboOrientation.setListIndex(0);
        cmdSet_Click(f->printerPanel());
    }
};

}  // namespace

TEST_F(Panel, ValueListsHoldEveryEntryWithItsValueInOrder) {
    start();
    const PrinterPanel &p = f->panel;
    ASSERT_EQ(p.cboPaperSize.listCount(), 42);
    EXPECT_EQ(p.cboPaperSize.list(8), QStringLiteral("vbPRPSA4"));
    EXPECT_EQ(p.cboPaperSize.itemData(27), 29);
    EXPECT_EQ(p.cboPaperSize.itemData(28), 30);
    EXPECT_EQ(p.cboPaperSize.itemData(29), 28);
    EXPECT_EQ(p.cboPaperSize.list(41), QStringLiteral("vbPRPSUser"));
    EXPECT_EQ(p.cboPaperSize.itemData(41), 256);
    ASSERT_EQ(p.cboPaperBin.listCount(), 12);
    EXPECT_EQ(p.cboPaperBin.list(7), QStringLiteral("Tracción"));
    EXPECT_EQ(p.cboPaperBin.itemData(11), 14);
    EXPECT_EQ(p.cboOrientation.list(0), QStringLiteral("Vertical"));
    EXPECT_EQ(p.cboOrientation.itemData(0), 1);
    EXPECT_EQ(p.cboDuplex.itemData(2), 3);
    EXPECT_EQ(p.cboPrintQuality.itemData(3), -4);
    EXPECT_EQ(p.cboColorMode.list(1), QStringLiteral("Color"));
}

TEST_F(Panel, StartUpShowsTheDefaultPrinterWithNoFieldMarkedChanged) {
    preset(QStringLiteral("Cocina"), R"({"PaperSize": 28, "PrintQuality": 600, "PaperBin": 12})");
    start();
    const PrinterPanel &p = f->panel;
    EXPECT_EQ(p.cboPrinters.text(), QStringLiteral("Cocina"));
    EXPECT_EQ(p.cboPaperSize.text(), QStringLiteral("vbPRPSEnvC5"));
    EXPECT_EQ(p.cboPaperSize.listIndex(), 29);
    EXPECT_EQ(p.cboPrintQuality.listIndex(), -1);
    EXPECT_EQ(p.cboPrintQuality.text(), QStringLiteral("600"));
    EXPECT_EQ(p.cboPaperBin.text(), QStringLiteral("12"));
    EXPECT_FALSE(anyMarked());
}

TEST_F(Panel, PaperSizeWithoutEntryShowsAsTextAndGetItemReturnsIt) {
    preset(QStringLiteral("Barra"), R"({"PaperSize": 70})");
    start();
    f->panel.cboPrinters.setText(QStringLiteral("Barra"));
    EXPECT_EQ(f->panel.cboPaperSize.listIndex(), -1);
    EXPECT_EQ(f->panel.cboPaperSize.text(), QStringLiteral("70"));
    EXPECT_EQ(GetItem(f->panel.cboPaperSize), 70);
    EXPECT_FALSE(anyMarked());
}

TEST_F(Panel, MarksAreSetByAnyChangeButNotByWritingTheSameContent) {
    start();
    PrinterPanel &p = f->panel;
    p.txtCopies.setText(p.txtCopies.text());
    p.cboOrientation.setListIndex(p.cboOrientation.listIndex());
    EXPECT_FALSE(anyMarked());
    p.txtZoom.setText(QStringLiteral("50"));
    EXPECT_TRUE(p.txtZoom.DataChanged);
    SelectItem(p.cboDuplex, 3);
    EXPECT_TRUE(p.cboDuplex.DataChanged);
    ShowPrinterInfo(f->printerPanel(), f->printers.current());
    EXPECT_FALSE(anyMarked());
}

TEST_F(Panel, PrinterListRefusesANameThatIsNoEntrysWithError383) {
    start();
    try {
        f->panel.cboPrinters.setText(QStringLiteral("Terraza"));
        FAIL() << "accepted a printer that is not installed";
    } catch (const TpvError &e) {
        EXPECT_EQ(e.number(), err::NotInList);
    }
    EXPECT_EQ(f->panel.cboPrinters.text(), QStringLiteral("Cocina"));
}

TEST_F(Panel, OrderSequenceTurnsALandscapePrinterToPortraitAndLeavesAPortraitOneUntouched) {
    preset(QStringLiteral("Barra"), R"({"Orientation": 2})");
    start();
    orderSequence(QStringLiteral("Barra"));
    EXPECT_EQ(f->printers.get(PrinterProperty::Orientation).toInt32(), 1);
    EXPECT_TRUE(f->printers.writeLog().contains(QStringLiteral("Orientation=1")));
    f->printers.print(QStringLiteral("x"));
    f->printers.endDoc();
    QFile json(QDir(printersDir).filePath(QStringLiteral("Barra/000001.json")));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(json.readAll()).object().value(QStringLiteral("Orientation")).toInt(), 1);
    const int writes = f->printers.writeLog().size();
    orderSequence(QStringLiteral("Cocina"));
    EXPECT_EQ(f->printers.writeLog().size(), writes);
    // Back on the bar printer, it is still portrait.
    orderSequence(QStringLiteral("Barra"));
    EXPECT_EQ(f->printers.get(PrinterProperty::Orientation).toInt32(), 1);
    EXPECT_EQ(f->panel.cboOrientation.text(), QStringLiteral("Vertical"));
}

TEST_F(Panel, CopiesApplyOnlyWhenPositiveAndAJunkFieldChangesNothingElse) {
    start();
    PrinterPanel &p = f->panel;
    p.txtCopies.setText(QStringLiteral("0"));
    cmdSet_Click(f->printerPanel());
    EXPECT_EQ(f->printers.get(PrinterProperty::Copies).toInt32(), 1);
    p.txtCopies.setText(QStringLiteral("-3"));
    cmdSet_Click(f->printerPanel());
    EXPECT_EQ(f->printers.get(PrinterProperty::Copies).toInt32(), 1);
    p.txtCopies.setText(QStringLiteral("2"));
    p.txtWidth.setText(QStringLiteral("ancho"));
    p.txtZoom.setText(QStringLiteral("0.4"));
    p.cboPaperBin.setTypedText(QStringLiteral("13"));
    cmdSet_Click(f->printerPanel());
    EXPECT_EQ(f->printers.get(PrinterProperty::Copies).toInt32(), 2);
    EXPECT_EQ(f->printers.get(PrinterProperty::Width).toInt32(), 11906);
    EXPECT_EQ(f->printers.get(PrinterProperty::Zoom).toInt32(), 0);
    EXPECT_EQ(f->printers.get(PrinterProperty::PaperBin).toInt32(), 13);
    EXPECT_TRUE(dialogs.shown().empty());
    // After applying, the panel shows what the printer took.
    EXPECT_EQ(p.txtWidth.text(), QStringLiteral("11906"));
    EXPECT_FALSE(anyMarked());
}

TEST_F(Panel, ARefusedPropertyIsSkippedAndTheOthersAreStillApplied) {
    preset(QStringLiteral("Cocina"), R"({"Refused": ["Duplex"]})");
    start();
    SelectItem(f->panel.cboDuplex, 2);
    f->panel.txtCopies.setText(QStringLiteral("3"));
    cmdSet_Click(f->printerPanel());
    EXPECT_EQ(f->printers.get(PrinterProperty::Duplex).toInt32(), 1);
    EXPECT_EQ(f->printers.get(PrinterProperty::Copies).toInt32(), 3);
    EXPECT_EQ(f->panel.cboDuplex.text(), QStringLiteral("Simple"));
}

TEST_F(Panel, ApplyingToAPrinterThatIsNotCurrentAsksToMakeItCurrentFirst) {
    start();
    f->panel.cboPrinters.setText(QStringLiteral("Postres"));
    f->panel.txtCopies.setText(QStringLiteral("4"));
    cmdSet_Click(f->printerPanel());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("En primer lugar, deberá convertir a esta impresora en la actual"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(f->printers.get(PrinterProperty::Copies).toInt32(), 1);
    EXPECT_EQ(f->printers.get(PrinterProperty::DeviceName).toText(), QStringLiteral("Cocina"));
}
