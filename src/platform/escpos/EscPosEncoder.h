#pragma once
// The bytes of one ticket for a kitchen thermal printer: reset, code page,
// bold and size from the ticket font, the text, then buzzer and cut as the
// printer is configured.
#include "platform/escpos/EscPosConfig.h"

#include <QByteArray>
#include <QString>

namespace tpv {

struct EscPosFont {
    bool bold = false;
    double sizePt = 9;
};

// GS ! n for a font size: normal below 14 pt, double height from 14 pt,
// double width and height from 18 pt.
char escPosSizeByte(double sizePt);

// documentText is the document as the printer layer ends it: lines separated
// by CR LF and ending with the CR LF that printing adds. Every CR LF becomes
// one LF; a character the code page lacks becomes '?'.
QByteArray escPosTicket(const QString &documentText, const EscPosPrinterConfig &cfg, const EscPosFont &font);

}  // namespace tpv
