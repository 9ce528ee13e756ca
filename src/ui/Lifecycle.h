#pragma once
// Start-up, activation and shutdown of the main window, and the local work
// tables they keep.
namespace tpv {
class DataControl;
class FrmPpal;
class InstanceLock;
struct Global;

// The load of the window. Ends the program (ProgramEnded) on a second
// instance, a missing configuration file or no installed printer.
void Form_Load(FrmPpal &f, InstanceLock &lock);
void Form_Activate(FrmPpal &f);
// Closing the window: true when the operator confirmed and the program ends;
// the poll timer is then stopped for good, so no tick runs after the answer.
bool Form_Unload(FrmPpal &f);

void crear_tablas_trabajo(DataControl &C);
void limpiar_arg7(Global &g);
}  // namespace tpv
