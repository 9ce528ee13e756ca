#pragma once
// Draws a ticket text on a paged device (a CUPS printer, a PDF) in the font
// and page settings of a printer's properties, one line per CR LF.
#include "devices/Printers.h"

class QPagedPaintDevice;
class QPainter;

namespace tpv {

// Applies paper size and orientation to the device (error when it refuses).
void applyPage(QPagedPaintDevice &device, const PrinterState &printer);
// Draws the text with an active painter on the device; new pages as needed.
void paintTicket(QPainter &painter, QPagedPaintDevice &device, const PrinterState &printer, const QString &text);

}  // namespace tpv
