#pragma once
// Start-up, activation and shutdown of the main window, and the local work
// tables they keep.
#include <memory>

namespace tpv {
class FrmPpal;
class InstanceLock;

// The load of the window. Ends the program (ProgramEnded) on a second
// instance, a missing configuration file or no installed printer.
void Form_Load(FrmPpal &f, InstanceLock &lock);
void Form_Activate(FrmPpal &f);
// Closing the window: true when the operator confirmed and the program ends.
bool Form_Unload(FrmPpal &f);

void crear_tablas_trabajo(FrmPpal &f);
void limpiar_arg7(FrmPpal &f);

// Filled by the printer panel and the ticket font.
void InitControls(FrmPpal &f);
void cargar_fuente(FrmPpal &f);

// From the project version in CMakeLists.txt (cmake/Packaging.cmake).
constexpr const char *kVersion = TPV_VERSION_CAPTION;
}  // namespace tpv
