#pragma once
// The ticket font: stored in FonTPV of the work file, applied to the current
// printer at every activation, chosen from the "Tipo Letra" menu.
namespace tpv {
class FrmPpal;

// cargar_fuente is declared with the start-up sequence that calls it.
void tl_Click(FrmPpal &f);

// Font dialog flags: list the printer's fonts, accept only existing fonts.
constexpr int kFontDialogFlags = 65538;
}  // namespace tpv
