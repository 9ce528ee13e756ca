#pragma once
// lector-tpv --probar-impresora NOMBRE: a test ticket on one installed
// printer of any kind (folder, CUPS or kitchen thermal), so that an
// installer sees before service whether the printer takes tickets, prints
// every Spanish letter, and how the kitchen style looks on it.
#include "ticket/Document.h"
#include "devices/escpos/EscPosConfig.h"

#include <QStringList>
#include <QTime>

namespace tpv {

class PrinterLayer;

// The test ticket: every Spanish letter with its accents, ñ Ñ ç Ç ü ¿ ¡ €,
// the ticket font, one line of each kind a kitchen ticket has (the table and
// order line, a dish, an extra, a cancelled dish, a mark), and for a thermal
// printer its code page with the ESC t number, its style, cut and buzzer.
// fontText says the ticket font ("Arial 9, sin negrita").
Document testTicket(const QString &printerName, const QString &driverName, const EscPosPrinterConfig *thermal,
                    const QString &fontText, QTime now);

struct PrinterTrialResult {
    bool delivered = false;
    QStringList said;  // the verdict, in Spanish, a line each
};

// Prints the test ticket on the installed printer named NAME, in the ticket
// font stored in dataDir's work file when there is one (Arial 9 otherwise),
// and says whether the printer took it and what it reported. Needs nothing
// of dataDir but impresoras.ini; the work file is only read.
PrinterTrialResult runPrinterTest(PrinterLayer &printers, const QString &name, const QString &dataDir, QTime now);

}  // namespace tpv
