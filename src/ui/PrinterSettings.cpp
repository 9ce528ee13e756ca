// Displaying a printer in the panel, making a printer current and applying
// the changed panel fields to the current printer.
#include "compat/Dialogs.h"
#include "compat/Error.h"
#include "ui/PrinterPanel.h"

#include <QLocale>
#include <functional>

namespace tpv {

namespace {

// Runs one step; a failure leaves that step's field or property as it was.
void skipFailure(const std::function<void()> &step) {
    try {
        step();
    } catch (const TpvError &) {
    }
}

}  // namespace

QString appTitle() { return QStringLiteral("Lector TPV_Garnet"); }

void PrinterPanel::clearDataChanged() {
    for (TextField *t :
         {&txtWidth, &txtHeight, &txtCopies, &txtScaleLeft, &txtScaleTop, &txtScaleWidth, &txtScaleHeight, &txtZoom})
        t->DataChanged = false;
    for (ValueList *v :
         {&cboPrinters, &cboPaperSize, &cboOrientation, &cboColorMode, &cboDuplex, &cboPaperBin, &cboPrintQuality})
        v->DataChanged = false;
    chkTrackDefault.DataChanged = false;
}

QString singleToText(float v) {
    const double d = static_cast<double>(v);
    if (d == static_cast<double>(static_cast<int64_t>(d))) return QString::number(static_cast<int64_t>(d));
    QLocale l = QLocale::system();
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(d, 'g', 7);
}

void ShowPrinterInfo(const PanelContext &c, const PrinterState &prn) {
    PrinterPanel &p = c.panel;
    using P = PrinterProperty;
    skipFailure([&] { p.lblDriverName.setCaption(prn.get(P::DriverName).toText()); });
    skipFailure([&] { p.lblPort.setCaption(prn.get(P::Port).toText()); });
    skipFailure([&] { p.txtWidth.setText(QString::number(prn.get(P::Width).toInt32())); });
    skipFailure([&] { p.txtHeight.setText(QString::number(prn.get(P::Height).toInt32())); });
    skipFailure([&] { p.txtScaleLeft.setText(singleToText(prn.get(P::ScaleLeft).toSingle())); });
    skipFailure([&] { p.txtScaleTop.setText(singleToText(prn.get(P::ScaleTop).toSingle())); });
    skipFailure([&] { p.txtScaleWidth.setText(singleToText(prn.get(P::ScaleWidth).toSingle())); });
    skipFailure([&] { p.txtScaleHeight.setText(singleToText(prn.get(P::ScaleHeight).toSingle())); });
    skipFailure([&] { p.txtZoom.setText(QString::number(prn.get(P::Zoom).toInt32())); });
    skipFailure([&] { SelectItem(p.cboPaperSize, prn.get(P::PaperSize).toInt16()); });
    skipFailure([&] { SelectItem(p.cboOrientation, prn.get(P::Orientation).toInt16()); });
    skipFailure([&] { SelectItem(p.cboColorMode, prn.get(P::ColorMode).toInt16()); });
    skipFailure([&] { p.txtCopies.setText(QString::number(prn.get(P::Copies).toInt16())); });
    skipFailure([&] { SelectItem(p.cboDuplex, prn.get(P::Duplex).toInt16()); });
    skipFailure([&] { SelectItem(p.cboPaperBin, prn.get(P::PaperBin).toInt16()); });
    skipFailure([&] { SelectItem(p.cboPrintQuality, prn.get(P::PrintQuality).toInt16()); });
    if (c.clearAllDataChanged)
        c.clearAllDataChanged();
    else
        p.clearDataChanged();
}

void cboPrinters_Click(const PanelContext &c) {
    const int i = c.panel.cboPrinters.listIndex();
    if (i < 0) return;
    ShowPrinterInfo(c, c.printers.installed(i));
}

void cmdMakeCurrent_Click(const PanelContext &c) { c.printers.makeCurrent(c.panel.cboPrinters.listIndex()); }

void chkTrackDefault_Click(const PanelContext &c) {
    c.printers.set(PrinterProperty::TrackDefault, c.panel.chkTrackDefault.value() == 1);
}

void cmdSet_Click(const PanelContext &c) {
    PrinterPanel &p = c.panel;
    PrinterLayer &prn = c.printers;
    using P = PrinterProperty;
    const int i = p.cboPrinters.listIndex();
    if (prn.installed(i).get(P::DeviceName).toText() != prn.get(P::DeviceName).toText()) {
        c.dialogs.message(QStringLiteral("En primer lugar, deberá convertir a esta impresora en la actual"), appTitle(),
                          MsgIcon::Exclamation);
        return;
    }
    auto text32 = [](const TextField &t) { return roundToInt32(textToDouble(t.text())); };
    auto list16 = [](const ValueList &c) { return Variant(static_cast<int64_t>(roundToInt16(GetItem(c)))); };

    skipFailure([&] {
        if (p.txtWidth.DataChanged) prn.set(P::Width, text32(p.txtWidth));
    });
    skipFailure([&] {
        if (p.txtHeight.DataChanged) prn.set(P::Height, text32(p.txtHeight));
    });
    skipFailure([&] {
        if (p.cboPaperSize.DataChanged) prn.set(P::PaperSize, list16(p.cboPaperSize));
    });
    skipFailure([&] {
        if (p.cboOrientation.DataChanged) prn.set(P::Orientation, list16(p.cboOrientation));
    });
    skipFailure([&] {
        if (p.cboColorMode.DataChanged) prn.set(P::ColorMode, list16(p.cboColorMode));
    });
    skipFailure([&] {
        if (p.txtCopies.DataChanged && textToDouble(p.txtCopies.text()) > 0)
            prn.set(P::Copies, roundToInt16(textToDouble(p.txtCopies.text())));
    });
    for (ValueList *c : {&p.cboDuplex, &p.cboPaperBin, &p.cboPrintQuality}) {
        const P property = c == &p.cboDuplex ? P::Duplex : c == &p.cboPaperBin ? P::PaperBin : P::PrintQuality;
        skipFailure([&] {
            if (c->DataChanged && GetItem(*c) != 0) prn.set(property, list16(*c));
        });
    }
    const std::pair<TextField *, P> scales[] = {{&p.txtScaleLeft, P::ScaleLeft},
                                                {&p.txtScaleTop, P::ScaleTop},
                                                {&p.txtScaleWidth, P::ScaleWidth},
                                                {&p.txtScaleHeight, P::ScaleHeight}};
    for (const auto &[field, property] : scales) {
        skipFailure([&] {
            if (field->DataChanged) prn.set(property, static_cast<double>(Variant(field->text()).toSingle()));
        });
    }
    skipFailure([&] {
        if (p.txtZoom.DataChanged && text32(p.txtZoom) != 0) prn.set(P::Zoom, text32(p.txtZoom));
    });
    ShowPrinterInfo(c, prn.current());
}

}  // namespace tpv
