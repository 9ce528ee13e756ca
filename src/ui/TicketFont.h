#pragma once
// The ticket font: stored in FonTPV of the work file, applied to the current
// printer at every activation, chosen from the "Tipo Letra" menu.
#include "kitchen/Global.h"

namespace tpv {
class DataControl;
class Dialogs;
class PrinterLayer;
class StatusReport;

struct FontContext {
    const Global &g;
    PrinterLayer &printers;
    DataControl &C;
    Dialogs &dialogs;
    StatusReport &status;
};

void cargar_fuente(const FontContext &f);
void tl_Click(const FontContext &f);

// Font dialog flags: list the printer's fonts, accept only existing fonts.
constexpr int kFontDialogFlags = 65538;
}  // namespace tpv
