#pragma once
// The bytes of one ticket for a kitchen thermal printer: reset, code page,
// bold and size from the ticket font, the text (in the kitchen style, each
// line emphasised by the part it plays), then buzzer and cut as the printer
// is configured.
#include "ticket/Document.h"
#include "devices/escpos/EscPosConfig.h"

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

// The document as the printer layer ends it: its lines, the last one being
// where the line end that printing adds leaves off. Every line end becomes
// one LF; a character the code page lacks becomes '?'. With estilo=sencillo
// the whole ticket is in the font's size; with estilo=cocina the table and
// order line is in double height, a cancelled dish or its extra in reverse,
// and a mark (reprint, backup) in double width and height.
QByteArray escPosTicket(const Document &document, const EscPosPrinterConfig &cfg, const EscPosFont &font);
// The same for a document made of that text (lines separated by CR LF).
QByteArray escPosTicket(const QString &documentText, const EscPosPrinterConfig &cfg, const EscPosFont &font);

}  // namespace tpv
