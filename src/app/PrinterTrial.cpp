#include "app/PrinterTrial.h"

#include "kitchen/Global.h"
#include "ui/TicketFont.h"
#include "compat/Controls.h"
#include "sql/DataControl.h"
#include "compat/Dialogs.h"
#include "compat/Error.h"
#include "devices/Printers.h"
#include "kitchen/StatusReport.h"

#include <QDir>

namespace tpv {

namespace {

const EscPosPrinterConfig *findThermal(const std::vector<EscPosPrinterConfig> &declared, const QString &name) {
    for (const EscPosPrinterConfig &p : declared)
        if (p.name == name) return &p;
    return nullptr;
}

int findPrinter(const PrinterLayer &printers, const QString &name) {
    for (int i = 0; i < printers.count(); ++i)
        if (printers.installed(i).name() == name) return i;
    return -1;
}

// The stored ticket font, applied to the current printer as at every start
// of the program. The work file is never created nor changed here: without
// a bound data control, a missing font table is left missing.
void applyStoredFont(PrinterLayer &printers, const QString &dataDir) {
    Global g;
    g.db.dataDir = dataDir;
    DataControl unbound(g.db);
    HeadlessDialogs dialogs(false);
    Label statusLine;
    StatusReport status(statusLine);
    cargar_fuente(FontContext{g, printers, unbound, dialogs, status});
}

QString fontText(const PrinterState &printer) {
    const double size = printer.values.value(PrinterProperty::FontSize).toDouble();
    return QStringLiteral("%1 %2, %3")
        .arg(printer.values.value(PrinterProperty::FontName).toText(), QString::number(size),
             printer.values.value(PrinterProperty::FontBold).toBool() ? QStringLiteral("en negrita")
                                                                      : QStringLiteral("sin negrita"));
}

QStringList stateAdvice(const PrinterStatus &status, bool thermal) {
    QStringList said;
    if (status.known()) said << QStringLiteral("Estado: %1.").arg(statusLabel(status));
    if (status.condition == PrinterCondition::LowPaper) said << QStringLiteral("Queda poco rollo: cámbielo pronto.");
    if (status.condition == PrinterCondition::NoStatus)
        said << QStringLiteral(
            "La impresora no contesta a las preguntas de estado: no se sabe si el ticket ha salido; mírelo en la "
            "impresora. Con estado=auto se le seguirá escribiendo sin preguntar; con estado=si fallaría cada ticket.");
    if (thermal)
        said << QStringLiteral(
            "Compruebe que las tildes, la ñ y el € salen bien; si no, ponga en tabla= el número ESC t de esa página "
            "en esta impresora (véase la tabla del README).");
    return said;
}

}  // namespace

Document testTicket(const QString &printerName, const QString &driverName, const EscPosPrinterConfig *thermal,
                    const QString &fontText, QTime now) {
    Document d;
    d.title = QStringLiteral("Lector TPV: prueba de %1").arg(printerName);
    d.addLine(LineRole::Header, QStringLiteral("PRUEBA DE IMPRESORA"));
    d.addLine(LineRole::Plain, QStringLiteral("Impresora: %1").arg(printerName));
    if (thermal) {
        d.addLine(LineRole::Plain, QStringLiteral("Conexión: %1").arg(thermal->connection));
        QString page = QStringLiteral("Página de códigos %1: ESC t %2").arg(thermal->codePage).arg(thermal->selector());
        if (thermal->table >= 0) page += QStringLiteral(" (tabla=%1)").arg(thermal->table);
        d.addLine(LineRole::Plain, page);
        d.addLine(LineRole::Plain,
                  QStringLiteral("Corte %1, aviso %2, estado %3")
                      .arg(cutName(thermal->cut), alertName(thermal->alert), stateQueriesName(thermal->stateQueries)));
        d.addLine(LineRole::Plain, QStringLiteral("Estilo %1").arg(styleName(thermal->style)));
    } else {
        d.addLine(LineRole::Plain, QStringLiteral("Controlador: %1").arg(driverName));
    }
    d.addLine(LineRole::Plain, QStringLiteral("Letra: %1").arg(fontText));
    d.addLine(LineRole::Blank, QString());

    d.addLine(LineRole::SectionTitle, QStringLiteral("----------- Letras -----------"));
    d.addLine(LineRole::Plain, QStringLiteral("á é í ó ú   Á É Í Ó Ú"));
    d.addLine(LineRole::Plain, QStringLiteral("ñ Ñ   ü Ü   ç Ç   ¿ ¡   €   º ª"));
    d.addLine(LineRole::Plain, QStringLiteral("à è ò ï   À È Ò Ï"));
    d.addLine(LineRole::Plain, QStringLiteral("¿Añadir café? ¡Jamón y piña! 9,50 €"));
    d.addLine(LineRole::Blank, QString());

    d.addLine(LineRole::SectionTitle, QStringLiteral("------ Líneas de comanda ------"));
    d.addLine(LineRole::TableOrder, QStringLiteral("Mesa 0  Comanda 0 (prueba)"));
    d.addLine(LineRole::Dish, QStringLiteral("  1 Plato de prueba"));
    d.addLine(LineRole::Extra, QStringLiteral("      Guarnición de prueba"));
    d.addLine(LineRole::CancelledDish, QStringLiteral(" -1 Plato anulado de prueba"));
    d.addLine(LineRole::Mark, QStringLiteral("*** PRUEBA ***"));
    if (thermal && thermal->style == EscPosPrinterConfig::Style::Kitchen) {
        d.addLine(LineRole::Plain, QStringLiteral("Mesa y comanda en doble alto; anulado"));
        d.addLine(LineRole::Plain, QStringLiteral("en negativo; marcas en doble ancho y alto."));
    } else if (thermal) {
        d.addLine(LineRole::Plain, QStringLiteral("Estilo sencillo: todo en un tamaño."));
    }
    d.addLine(LineRole::Blank, QString());
    d.addLine(LineRole::Footer, QStringLiteral("Hora de la prueba: %1").arg(now.toString(QStringLiteral("HH:mm:ss"))));
    if (thermal) {
        const bool alert = thermal->alert != EscPosPrinterConfig::Alert::None;
        const bool cut = thermal->cut != EscPosPrinterConfig::Cut::None;
        if (alert || cut)
            d.addLine(LineRole::Plain, QStringLiteral("Tras esta línea: %1")
                                           .arg(alert && cut ? QStringLiteral("aviso y corte.")
                                                : alert      ? QStringLiteral("aviso.")
                                                             : QStringLiteral("corte.")));
    }
    return d;
}

PrinterTrialResult runPrinterTest(PrinterLayer &printers, const QString &name, const QString &dataDir, QTime now) {
    PrinterTrialResult r;
    const int index = findPrinter(printers, name);
    if (index < 0) {
        QStringList names;
        for (int i = 0; i < printers.count(); ++i) names << printers.installed(i).name();
        r.said << QStringLiteral("No hay ninguna impresora llamada «%1». Impresoras instaladas: %2.")
                      .arg(name, names.isEmpty() ? QStringLiteral("ninguna") : names.join(QStringLiteral(", ")));
        return r;
    }
    const std::vector<EscPosPrinterConfig> declared =
        readEscPosPrinters(QDir(dataDir).filePath(QStringLiteral("impresoras.ini"))).printers;
    const EscPosPrinterConfig *thermal = findThermal(declared, name);
    try {
        printers.makeCurrent(index);
        applyStoredFont(printers, dataDir);
        const PrinterState &printer = printers.current();
        printers.print(testTicket(name, printer.values.value(PrinterProperty::DriverName).toText(), thermal,
                                  fontText(printer), now));
        printers.endDoc();
    } catch (const TpvError &e) {
        r.said << QStringLiteral("La impresora %1 no ha recibido el ticket de prueba: %2").arg(name, e.description());
        return r;
    }
    r.delivered = true;
    r.said << QStringLiteral("La impresora %1 ha recibido el ticket de prueba.").arg(name);
    r.said << stateAdvice(printers.states()[static_cast<size_t>(index)].status, thermal != nullptr);
    return r;
}

}  // namespace tpv
