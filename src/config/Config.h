#pragma once
// The configuration row of ConfGarnet.mdb, the server connections, the
// business date and the printer-connection list.
namespace tpv {
class FrmPpal;

void actualizar_estructura_confi(FrmPpal &f);
void leer_configuracion(FrmPpal &f);
void abrir_conexiones(FrmPpal &f);
void coger_fecha_tpv(FrmPpal &f);
void cargar_impresoras(FrmPpal &f);
void actualizar_configuracion(FrmPpal &f);
// The two buttons of UpDown1.
void UpDown1_DownClick(FrmPpal &f);
void UpDown1_UpClick(FrmPpal &f);
}  // namespace tpv
