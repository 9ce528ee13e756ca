#include "devices/escpos/EscPosDecoder.h"

#include "devices/escpos/EscPosCodePage.h"

namespace tpv {

namespace {
constexpr char DLE = 0x10;
constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;

// Parameter bytes of the ESC commands a kitchen ticket may carry.
int escParameters(char c) {
    switch (c) {
        case '@':
        case '2':
            return 0;
        case 't':
        case 'E':
        case '!':
        case '-':
        case 'a':
        case 'd':
        case 'J':
        case 'G':
        case 'M':
        case '3':
        case 'R':
        case '{':
        case 'V':
        case 'r':
        case 'e':
            return 1;
        case 'B':
            return 2;
        case 'p':
            return 3;
        default:
            return 0;
    }
}

int gsParameters(char c) {
    switch (c) {
        case '!':
        case 'B':
        case 'h':
        case 'w':
        case 'H':
        case 'f':
        case 'r':
            return 1;
        case 'L':
        case 'W':
            return 2;
        default:
            return 0;
    }
}
}  // namespace

qsizetype escPosItemLength(QByteArrayView b, qsizetype pos) {
    const qsizetype left = b.size() - pos;
    if (left <= 0) return 0;
    const char c = b[pos];
    if (c != ESC && c != GS && c != DLE) return 1;
    if (left < 2) return 0;
    const char cmd = b[pos + 1];
    qsizetype length;
    if (c == DLE)
        length = cmd == 0x04 || cmd == 0x05 ? 3 : 1;  // DLE EOT n, DLE ENQ n
    else if (c == ESC)
        length = 2 + escParameters(cmd);
    else if (cmd == 'V') {
        if (left < 3) return 0;
        const auto m = static_cast<unsigned char>(b[pos + 2]);
        length = m == 65 || m == 66 ? 4 : 3;  // GS V 65/66 carry a feed before the cut
    } else
        length = 2 + gsParameters(cmd);
    return length <= left ? length : 0;
}

bool escPosIsCut(QByteArrayView b, qsizetype pos) { return b.size() - pos >= 3 && b[pos] == GS && b[pos + 1] == 'V'; }

EscPosTables EscPosTables::standard() {
    EscPosTables t;
    for (int page : {437, 850, 858, 1252}) t.pageOf.insert(page == 437 ? 0 : escPosCodePageSelector(page), page);
    return t;
}

QString escPosDecodeTicket(QByteArrayView ticket, const EscPosTables &tables) {
    QString text;
    QByteArray run;  // text bytes waiting to be decoded in the current page
    int page = 437;
    qsizetype pos = 0;
    while (pos < ticket.size()) {
        qsizetype n = escPosItemLength(ticket, pos);
        if (n == 0) break;  // a command cut short by the end of the ticket
        const char c = ticket[pos];
        if (n == 1 && c != ESC && c != GS && c != DLE) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x20 || c == '\n' || c == '\t') run.append(c);
        } else if (c == ESC && (ticket[pos + 1] == 't' || ticket[pos + 1] == '@')) {
            // ESC @ puts the printer back in its first page; ESC t n selects one.
            text += escPosDecodeText(run, page);
            run.clear();
            const int selected =
                ticket[pos + 1] == '@' ? 437 : tables.pageOf.value(static_cast<unsigned char>(ticket[pos + 2]), 0);
            if (selected) page = selected;
        }
        pos += n;
    }
    text += escPosDecodeText(run, page);
    return text;
}

}  // namespace tpv
