#include "devices/escpos/EscPosCodePage.h"

#include <QHash>
#include <array>
#include <iconv.h>
#include <map>
#include <mutex>

namespace tpv {

namespace {

// The upper half of one page: what each byte 0x80..0xFF means, and back.
// The lower half of every page used here is ASCII.
struct CodePageTable {
    std::array<char32_t, 128> upper{};  // 0 where the page leaves the byte undefined
    QHash<char32_t, char> reverse;
};

const char *iconvName(int codePage) {
    switch (codePage) {
        case 437:
            return "CP437";
        case 850:
            return "CP850";
        case 858:
            return "CP858";
        case 1252:
            return "CP1252";
        default:
            return nullptr;
    }
}

// Asks iconv what one byte of the page is, as a UTF-32 code point.
char32_t decodeByte(iconv_t cd, unsigned char byte) {
    char in[1] = {static_cast<char>(byte)};
    char32_t out[2] = {0, 0};
    char *inp = in;
    char *outp = reinterpret_cast<char *>(out);
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) return 0;
    return sizeof out - outLeft == sizeof(char32_t) ? out[0] : 0;
}

CodePageTable buildTable(int codePage) {
    CodePageTable t;
    const char *name = iconvName(codePage);
    if (!name) return t;
    // UTF-32 in host byte order, without a byte order mark.
    iconv_t cd = iconv_open(Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-32LE" : "UTF-32BE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return t;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char32_t cp = decodeByte(cd, static_cast<unsigned char>(b));
        t.upper[b - 0x80] = cp;
        // Bytes standing for C1 controls carry no printable character.
        if (cp >= 0xA0 && !t.reverse.contains(cp)) t.reverse.insert(cp, static_cast<char>(b));
    }
    iconv_close(cd);
    return t;
}

const CodePageTable &table(int codePage) {
    static std::mutex mutex;
    static std::map<int, CodePageTable> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(codePage);
    if (it == tables.end()) it = tables.emplace(codePage, buildTable(codePage)).first;
    return it->second;
}

}  // namespace

bool escPosCodePageSupported(int codePage) { return escPosCodePageSelector(codePage) >= 0; }

int escPosCodePageSelector(int codePage) {
    switch (codePage) {
        case 858:
            return 19;
        case 850:
            return 2;
        case 1252:
            return 16;
        default:
            return -1;
    }
}

QByteArray escPosEncodeText(QStringView text, int codePage) {
    const CodePageTable &t = table(codePage);
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (cp == '\n' || cp == '\t' || (cp >= 0x20 && cp < 0x7F)) {
            out.append(static_cast<char>(cp));
            continue;
        }
        const auto it = t.reverse.constFind(cp);
        out.append(it == t.reverse.constEnd() ? '?' : it.value());
    }
    return out;
}

QString escPosDecodeText(QByteArrayView bytes, int codePage) {
    const CodePageTable &t = table(codePage);
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.append(QChar(b));
            continue;
        }
        const char32_t cp = t.upper[b - 0x80];
        if (cp == 0)
            out.append(QChar(QChar::ReplacementCharacter));
        else
            out.append(QString::fromUcs4(&cp, 1));
    }
    return out;
}

}  // namespace tpv
