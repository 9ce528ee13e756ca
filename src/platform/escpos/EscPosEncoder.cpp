#include "platform/escpos/EscPosEncoder.h"

#include "platform/escpos/EscPosCodePage.h"

namespace tpv {

namespace {
constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;

QByteArray bytes(std::initializer_list<int> list) {
    QByteArray out;
    for (int b : list) out.append(static_cast<char>(b));
    return out;
}
}  // namespace

char escPosSizeByte(double sizePt) {
    if (sizePt >= 18) return 0x11;
    if (sizePt >= 14) return 0x01;
    return 0x00;
}

QByteArray escPosTicket(const QString &documentText, const EscPosPrinterConfig &cfg, const EscPosFont &font) {
    // A page that slipped past the configuration check still prints, in 858.
    const int page = escPosCodePageSupported(cfg.codePage) ? cfg.codePage : 858;
    QByteArray out;
    out += bytes({ESC, '@'});
    out += bytes({ESC, 't', escPosCodePageSelector(page)});
    if (font.bold) out += bytes({ESC, 'E', 1});
    out += bytes({GS, '!', escPosSizeByte(font.sizePt)});

    QString text = documentText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out += escPosEncodeText(text, page);

    out += bytes({ESC, 'E', 0});
    if (cfg.buzzer) out += bytes({ESC, 'B', 3, 2});
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

}  // namespace tpv
