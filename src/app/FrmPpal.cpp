#include "app/FrmPpal.h"

#include "platform/Error.h"

#include "platform/Console.h"

namespace tpv {

Connection &conn(const std::unique_ptr<Connection> &cn) {
    if (!cn) throw TpvError(91, QStringLiteral("No hay conexión con el servidor de datos"));
    return *cn;
}

FrmPpal::FrmPpal(Dialogs &d, PrinterLayer &p, Clock &c, ConnectionOptions o)
    : dialogs(d), printers(p), clock(c), C(o), dbOptions(std::move(o)) {
    // Outside the visible part of the window until a done job is clicked.
    FraPre.setVisible(false);
}

QString FrmPpal::confConnectionString() {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\\tesmarin\\tpv\\ConfGarnet.mdb");
}

QString FrmPpal::workConnectionString() {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\\tesmarin\\tpv\\wdbServer.mdb");
}

QString FrmPpal::serverConnectionString() const {
    return QStringLiteral("Provider=SQLOLEDB.1;Data Source =") + g.Ip + QStringLiteral(";Initial Catalog=") +
           g.CatalogoIni + QStringLiteral(";User ID=tesmarin;Password=KOVU7");
}

void FrmPpal::clearAllDataChanged() {
    lineasp.DataChanged = false;
    auto &p = panel;
    for (TextField *t : {&p.txtWidth, &p.txtHeight, &p.txtCopies, &p.txtScaleLeft, &p.txtScaleTop,
                         &p.txtScaleWidth, &p.txtScaleHeight, &p.txtZoom})
        t->DataChanged = false;
    for (ValueList *v : {&p.cboPrinters, &p.cboPaperSize, &p.cboOrientation, &p.cboColorMode, &p.cboDuplex,
                         &p.cboPaperBin, &p.cboPrintQuality})
        v->DataChanged = false;
    p.chkTrackDefault.DataChanged = false;
}

void FrmPpal::endProgram(int exitCode) { throw ProgramEnded{exitCode}; }

void FrmPpal::report(const QString &text) {
    ++reportCount_;
    lbEstado.setCaption(text);
    if (text == lastReported_) return;
    lastReported_ = text;
    writeErrorLine(text);
}

void FrmPpal::clearReport() {
    if (!lastReported_.isEmpty() && !lbEstado.caption().isEmpty()) {
        writeErrorLine(QStringLiteral("Funcionamiento normal restablecido"));
    }
    lastReported_.clear();
    lbEstado.setCaption(QString());
}

void FrmPpal::showUnhandled(const TpvError &e) {
    dialogs.message(QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()), appTitle(), MsgIcon::Critical);
}

}  // namespace tpv
