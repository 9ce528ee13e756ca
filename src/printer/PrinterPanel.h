#pragma once
// The printer panel: value lists tied to numeric values, the display of a
// printer's properties, making a printer current and applying the changed
// fields to it.
#include "platform/Printers.h"

#include <cstdint>

namespace tpv {
class FrmPpal;
class ValueList;

void AddItem(ValueList &cbo, const QString &text, int32_t value);
void SelectItem(ValueList &cbo, int32_t value);
int32_t GetItem(const ValueList &cbo);

// InitControls (declared with the start-up) fills the panel.
void ShowPrinterInfo(FrmPpal &f, const PrinterState &prn);
void cmdMakeCurrent_Click(FrmPpal &f);
void cmdSet_Click(FrmPpal &f);
void cboPrinters_Click(FrmPpal &f);
void chkTrackDefault_Click(FrmPpal &f);

// Adds printers installed since start-up to the printer list; true when any
// was added.
bool refreshInstalledPrinters(FrmPpal &f);

// A single-precision number as the printer layer writes it.
QString singleToText(float v);
}  // namespace tpv
