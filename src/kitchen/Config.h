#pragma once
// The configuration row of ConfGarnet.mdb, the server connections, the
// business date and the printer-connection list, and the blank-lines
// setting the operator changes with UpDown1.
#include "kitchen/Global.h"

namespace tpv {
class Dialogs;
class Label;
class TextField;

// The two labels the configuration reading fills.
struct ConfigLabels {
    Label &lbServidor;
    Label &lbCatalogo;
};

void actualizar_estructura_confi(const Global &g);
// Ends the program (ProgramEnded) when the configuration file is missing.
// A row whose values cannot be read whole (a missing column, a null, a
// number beyond 16 bits) keeps what was read before it and is an error that
// names the column, its value and how to correct it. No row at all is noted
// in g.configurationMissing.
void leer_configuracion(Global &g, ConfigLabels labels, Dialogs &dialogs);
void abrir_conexiones(Global &g);
// Error err::CannotOpen when a server connection's file was replaced or
// removed since it was opened (see Connection::checkSource).
void checkConnectionSources(Global &g);
// The blank lines after each ticket as the window's field holds them. A text
// that is no whole number is error 13, one beyond -32768 to 32767 error 6;
// the message says what the field holds and where to correct it.
int16_t blankLinesOfField(const QString &fieldText);
void coger_fecha_tpv(Global &g, BusinessDate &day);
// True for eight digits that are a date, year first (20261207).
bool isBusinessDate(const QString &fecha);
void cargar_impresoras(Global &g);
void actualizar_configuracion(const Global &g);
// The two buttons of UpDown1.
void UpDown1_DownClick(Global &g, TextField &lineasp);
void UpDown1_UpClick(Global &g, TextField &lineasp);
}  // namespace tpv
