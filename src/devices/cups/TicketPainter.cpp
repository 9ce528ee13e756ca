#include "devices/cups/TicketPainter.h"

#include "devices/cups/CupsPrinters.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

namespace tpv {

void applyPage(QPagedPaintDevice &device, const PrinterState &printer) {
    const int code = printer.values.value(PrinterProperty::PaperSize).toInt32();
    const int id = qtPageSizeId(code);
    if (id != QPageSize::Custom) device.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(id)));
    device.setPageOrientation(printer.values.value(PrinterProperty::Orientation).toInt32() == 2
                                  ? QPageLayout::Landscape
                                  : QPageLayout::Portrait);
}

void paintTicket(QPainter &painter, QPagedPaintDevice &device, const PrinterState &printer, const QString &text) {
    QFont font(printer.values.value(PrinterProperty::FontName).toText());
    font.setPointSizeF(std::max(1.0, printer.values.value(PrinterProperty::FontSize).toDouble()));
    font.setBold(printer.values.value(PrinterProperty::FontBold).toBool());
    painter.setFont(font);
    const QFontMetrics fm(font, &device);
    const int pageHeight = device.pageLayout().paintRectPixels(device.logicalDpiY()).height();
    int y = fm.ascent();
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (const QString &line : lines) {
        if (y > pageHeight) {
            device.newPage();
            y = fm.ascent();
        }
        painter.drawText(0, y, line);
        y += fm.lineSpacing();
    }
}

}  // namespace tpv
