#pragma once
// The printer panel: value lists tied to numeric values, the display of a
// printer's properties, making a printer current and applying the changed
// fields to it.
#include "compat/Controls.h"
#include "devices/Printers.h"

#include <cstdint>
#include <functional>

namespace tpv {
class Dialogs;

// The panel's controls.
struct PrinterPanel {
    ValueList cboPrinters{true};
    Label lblDriverName, lblPort;
    TextField txtWidth, txtHeight;
    ValueList cboPaperSize, cboOrientation, cboColorMode;
    TextField txtCopies;
    ValueList cboDuplex, cboPaperBin, cboPrintQuality;
    TextField txtScaleLeft, txtScaleTop, txtScaleWidth, txtScaleHeight, txtZoom;
    CheckBox chkTrackDefault{QStringLiteral("&Arrastre predeterminado")};
    Frame frame;

    // Clears the DataChanged mark of every control of the panel.
    void clearDataChanged();
};

// What the panel's procedures touch. A display clears the marks of every
// control of the window, not only the panel's: `clearAllDataChanged` does.
struct PanelContext {
    PrinterPanel &panel;
    PrinterLayer &printers;
    Dialogs &dialogs;
    std::function<void()> clearAllDataChanged;
};

void AddItem(ValueList &cbo, const QString &text, int32_t value);
void SelectItem(ValueList &cbo, int32_t value);
int32_t GetItem(const ValueList &cbo);

// Fills the panel at start-up; ends the program (ProgramEnded) when no
// printer is installed.
void InitControls(const PanelContext &p);
void ShowPrinterInfo(const PanelContext &p, const PrinterState &prn);
void cmdMakeCurrent_Click(const PanelContext &p);
void cmdSet_Click(const PanelContext &p);
void cboPrinters_Click(const PanelContext &p);
void chkTrackDefault_Click(const PanelContext &p);

// Adds printers installed since start-up to the printer list; true when any
// was added.
bool refreshInstalledPrinters(const PanelContext &p);

// A single-precision number as the printer layer writes it.
QString singleToText(float v);

// The title of the program's own message boxes.
QString appTitle();
}  // namespace tpv
