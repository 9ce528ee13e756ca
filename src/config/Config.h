#pragma once
// The configuration row of ConfGarnet.mdb, the server connections, the
// business date and the printer-connection list, and the blank-lines
// setting the operator changes with UpDown1.
#include "config/Global.h"

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
void leer_configuracion(Global &g, ConfigLabels labels, Dialogs &dialogs);
void abrir_conexiones(Global &g);
// Error err::CannotOpen when a server connection's file was replaced or
// removed since it was opened (see Connection::checkSource).
void comprobar_conexiones(Global &g);
// The blank lines after each ticket as the window's field holds them. A text
// that is no whole number is error 13, one beyond -32768 to 32767 error 6;
// the message says what the field holds and where to correct it.
int16_t lineas_pie(const QString &fieldText);
void coger_fecha_tpv(Global &g, BusinessDate &day);
void cargar_impresoras(Global &g);
void actualizar_configuracion(const Global &g);
// The two buttons of UpDown1.
void UpDown1_DownClick(Global &g, TextField &lineasp);
void UpDown1_UpClick(Global &g, TextField &lineasp);
}  // namespace tpv
