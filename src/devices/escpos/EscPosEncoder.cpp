#include "devices/escpos/EscPosEncoder.h"

#include "devices/escpos/EscPosCodePage.h"

namespace tpv {

namespace {
constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;
constexpr char DoubleHeight = 0x01;
constexpr char DoubleWidthAndHeight = 0x11;

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray out;
    for (int b : list) out.append(static_cast<char>(b));
    return out;
}

// How one line looks in the kitchen style: its GS ! size and whether it is
// printed white on black.
struct LineLook {
    char size;
    bool reverse;
};

// Characters of a line at double width on an 80 mm roll whose font prints
// 42 a line (48 on others): a longer mark would break onto a second line.
constexpr qsizetype kDoubleWidthColumns = 21;

LineLook kitchenLook(const DocumentLine &line, char fontSize) {
    switch (line.role) {
        case LineRole::TableOrder:
            return {static_cast<char>(fontSize | DoubleHeight), false};
        case LineRole::Mark:
            // A mark that fits stands out in double width and height; a
            // longer one ("*** POSIBLE REPETICIÓN ***") in double height, on
            // one line.
            if (line.text.size() > kDoubleWidthColumns) return {static_cast<char>(fontSize | DoubleHeight), false};
            return {static_cast<char>(fontSize | DoubleWidthAndHeight), false};
        case LineRole::CancelledDish:
        case LineRole::CancelledExtra:
            return {fontSize, true};
        default:
            return {fontSize, false};
    }
}

QByteArray encodeLine(QString text, int page) {
    // A line end inside a line's text prints as the line end it is.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return escPosEncodeText(text, page);
}

// Each line in its look; the size changes only where a line needs another.
QByteArray kitchenText(const Document &document, char fontSize, int page) {
    QByteArray out;
    char size = fontSize;
    const auto &lines = document.lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += '\n';
        const DocumentLine &line = lines[i];
        if (line.text.isEmpty()) continue;
        const LineLook look = kitchenLook(line, fontSize);
        if (look.size != size) out += bytes({GS, '!', look.size});
        size = look.size;
        if (look.reverse) out += bytes({GS, 'B', 1});
        out += encodeLine(line.text, page);
        if (look.reverse) out += bytes({GS, 'B', 0});
    }
    return out;
}

}  // namespace

char escPosSizeByte(double sizePt) {
    if (sizePt >= 18) return DoubleWidthAndHeight;
    if (sizePt >= 14) return DoubleHeight;
    return 0x00;
}

QByteArray escPosTicket(const Document &document, const EscPosPrinterConfig &cfg, const EscPosFont &font) {
    // A page that slipped past the configuration check still prints, in 858.
    const int page = escPosCodePageSupported(cfg.codePage) ? cfg.codePage : 858;
    const char fontSize = escPosSizeByte(font.sizePt);
    QByteArray out;
    out += bytes({ESC, '@'});
    out += bytes({ESC, 't', cfg.selector()});
    if (font.bold) out += bytes({ESC, 'E', 1});
    out += bytes({GS, '!', fontSize});

    if (cfg.style == EscPosPrinterConfig::Style::Kitchen)
        out += kitchenText(document, fontSize, page);
    else
        out += encodeLine(document.text(), page);

    out += bytes({ESC, 'E', 0});
    switch (cfg.alert) {
        case EscPosPrinterConfig::Alert::Buzzer:
            out += bytes({ESC, 'B', 3, 2});
            break;
        case EscPosPrinterConfig::Alert::Drawer:
            out += bytes({ESC, 'p', 0, 25, 250});
            break;
        case EscPosPrinterConfig::Alert::None:
            break;
    }
    switch (cfg.cut) {
        case EscPosPrinterConfig::Cut::Partial:
            out += bytes({GS, 'V', 66, 0});
            break;
        case EscPosPrinterConfig::Cut::Full:
            out += bytes({GS, 'V', 65, 0});
            break;
        case EscPosPrinterConfig::Cut::None:
            break;
    }
    return out;
}

QByteArray escPosTicket(const QString &documentText, const EscPosPrinterConfig &cfg, const EscPosFont &font) {
    return escPosTicket(Document::fromText(documentText), cfg, font);
}

}  // namespace tpv
