#include "tds/TdsWire.h"

#include <QDateTime>
#include <cstring>

namespace tpv::tds {

namespace {

uint16_t le16(const QByteArray &b, int at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
uint32_t le32(const QByteArray &b, int at) { return le16(b, at) | (static_cast<uint32_t>(le16(b, at + 2)) << 16); }

QString utf16At(const QByteArray &b, int offset, int chars) {
    if (offset < 0 || chars < 0 || offset + chars * 2 > b.size()) return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(b.constData() + offset), chars);
}

// The windows-1252 characters that differ from Latin-1, at 0x80..0x9F.
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

QByteArray utf16le(const QString &s) {
    QByteArray out;
    out.reserve(s.size() * 2);
    for (QChar c : s) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

QByteArray spanishCollation() {
    // LCID 0x0C0A (Spanish, modern sort), case-insensitive, kana- and
    // width-insensitive, accent-sensitive; sort id 0 (a Windows collation).
    return QByteArray("\x0A\x0C\xD0\x00\x00", 5);
}

QByteArray toCp1252(const QString &text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i)
            if (kCp1252High[i] == u && u != 0) byte = static_cast<char>(0x80 + i);
        out.append(byte);
    }
    return out;
}

QByteArray preloginReply() {
    // VERSION, ENCRYPTION (not supported), INSTOPT, THREADID, MARS, then the data.
    QByteArray data;
    const uint8_t options[][2] = {{0, 6}, {1, 1}, {2, 1}, {3, 0}, {4, 1}};
    const int headerSize = 5 * 5 + 1;
    int offset = headerSize;
    for (const auto &o : options) {
        data.append(static_cast<char>(o[0]));
        data.append(static_cast<char>(offset >> 8));
        data.append(static_cast<char>(offset & 0xFF));
        data.append(static_cast<char>(0));
        data.append(static_cast<char>(o[1]));
        offset += o[1];
    }
    data.append('\xFF');
    data.append(QByteArray("\x10\x00\x07\xD0\x00\x00", 6));  // 16.0.2000
    data.append('\x02');                                     // ENCRYPT_NOT_SUP
    data.append('\x00');                                     // default instance
    data.append('\x00');                                     // no MARS
    return data;
}

std::optional<Login> readLogin7(const QByteArray &b) {
    if (b.size() < 94) return std::nullopt;
    Login l;
    l.packetSize = le32(b, 8);
    auto field = [&b](int at) { return utf16At(b, le16(b, at), le16(b, at + 2)); };
    l.host = field(36);
    l.user = field(40);
    // The password is sent with every byte's halves swapped and XORed with 0xA5.
    const int pwOffset = le16(b, 44), pwChars = le16(b, 46);
    if (pwOffset + pwChars * 2 > b.size()) return std::nullopt;
    QByteArray pw = b.mid(pwOffset, pwChars * 2);
    for (char &c : pw) {
        const auto x = static_cast<uint8_t>(static_cast<uint8_t>(c) ^ 0xA5);
        c = static_cast<char>(static_cast<uint8_t>((x << 4) | (x >> 4)));
    }
    l.password = utf16At(pw, 0, pwChars);
    l.app = field(48);
    l.server = field(52);
    l.library = field(60);
    l.language = field(64);
    l.database = field(68);
    return l;
}

QString readBatch(const QByteArray &b) {
    if (b.size() < 4) return {};
    const int headers = static_cast<int>(le32(b, 0));
    const int start = headers >= 4 && headers <= b.size() ? headers : 0;
    return utf16At(b, start, (static_cast<int>(b.size()) - start) / 2);
}

namespace {

// One RPC parameter's value, as FreeTDS sends the types it uses.
bool readValue(const QByteArray &b, int &at, QVariant &value) {
    if (at >= b.size()) return false;
    const auto type = static_cast<uint8_t>(b[at++]);
    auto need = [&](int n) { return at + n <= b.size(); };
    switch (type) {
        case 0x26:    // INTN
        case 0x68: {  // BITN
            if (!need(2)) return false;
            ++at;  // max length
            const int len = static_cast<uint8_t>(b[at++]);
            if (!need(len)) return false;
            qint64 v = 0;
            for (int i = len - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
            if (len == 1) v = static_cast<int8_t>(v) & 0xFF;
            if (len == 2) v = static_cast<int16_t>(v);
            if (len == 4) v = static_cast<int32_t>(v);
            value = len ? QVariant(v) : QVariant();
            at += len;
            return true;
        }
        case 0x6D: {  // FLTN
            if (!need(2)) return false;
            ++at;
            const int len = static_cast<uint8_t>(b[at++]);
            if (!need(len)) return false;
            if (len == 8) {
                double d;
                std::memcpy(&d, b.constData() + at, 8);
                value = d;
            } else if (len == 4) {
                float f;
                std::memcpy(&f, b.constData() + at, 4);
                value = static_cast<double>(f);
            }
            at += len;
            return true;
        }
        case 0xE7:    // NVARCHAR
        case 0xEF:    // NCHAR
        case 0xA7:    // BIGVARCHAR
        case 0xAF: {  // BIGCHAR
            const bool wide = type == 0xE7 || type == 0xEF;
            if (!need(7)) return false;
            const uint16_t maxLen = le16(b, at);
            at += 2 + 5;  // collation
            QByteArray raw;
            if (maxLen == 0xFFFF) {  // PLP: total length, then chunks
                if (!need(8)) return false;
                const bool isNull = le32(b, at) == 0xFFFFFFFF && le32(b, at + 4) == 0xFFFFFFFF;
                at += 8;
                if (isNull) {
                    value = QVariant();
                    return true;
                }
                while (true) {
                    if (!need(4)) return false;
                    const int chunk = static_cast<int>(le32(b, at));
                    at += 4;
                    if (chunk == 0) break;
                    if (!need(chunk)) return false;
                    raw += b.mid(at, chunk);
                    at += chunk;
                }
            } else {
                if (!need(2)) return false;
                const uint16_t len = le16(b, at);
                at += 2;
                if (len == 0xFFFF) {
                    value = QVariant();
                    return true;
                }
                if (!need(len)) return false;
                raw = b.mid(at, len);
                at += len;
            }
            value = wide ? utf16At(raw, 0, static_cast<int>(raw.size() / 2)) : QString::fromLatin1(raw);
            return true;
        }
        case 0x63:    // NTEXT
        case 0x23: {  // TEXT
            if (!need(4 + 5 + 4)) return false;
            at += 4 + 5;
            const int len = static_cast<int>(le32(b, at));
            at += 4;
            if (len < 0 || !need(len)) return false;
            value = type == 0x63 ? utf16At(b, at, len / 2) : QString::fromLatin1(b.mid(at, len));
            at += len;
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

std::optional<RpcCall> readRpc(const QByteArray &b) {
    if (b.size() < 4) return std::nullopt;
    int at = static_cast<int>(le32(b, 0));
    if (at < 4 || at > b.size()) at = 0;
    RpcCall call;
    if (at + 2 > b.size()) return std::nullopt;
    const uint16_t nameLen = le16(b, at);
    at += 2;
    if (nameLen == 0xFFFF) {
        call.procId = le16(b, at);
        at += 2;
    } else {
        call.name = utf16At(b, at, nameLen);
        at += nameLen * 2;
    }
    at += 2;  // option flags
    while (at < b.size()) {
        RpcParameter p;
        const int len = static_cast<uint8_t>(b[at++]);
        p.name = utf16At(b, at, len);
        at += len * 2;
        if (at >= b.size()) return std::nullopt;
        p.output = (static_cast<uint8_t>(b[at++]) & 0x01) != 0;
        if (!readValue(b, at, p.value)) return std::nullopt;
        call.parameters.push_back(p);
    }
    return call;
}

void Tokens::u16(uint16_t v) {
    u8(static_cast<uint8_t>(v & 0xFF));
    u8(static_cast<uint8_t>(v >> 8));
}
void Tokens::u32(uint32_t v) {
    u16(static_cast<uint16_t>(v & 0xFFFF));
    u16(static_cast<uint16_t>(v >> 16));
}
void Tokens::u64(uint64_t v) {
    u32(static_cast<uint32_t>(v & 0xFFFFFFFF));
    u32(static_cast<uint32_t>(v >> 32));
}
void Tokens::bVarchar(const QString &s) {
    u8(static_cast<uint8_t>(s.size()));
    data_ += utf16le(s);
}
void Tokens::usVarchar(const QString &s) {
    u16(static_cast<uint16_t>(s.size()));
    data_ += utf16le(s);
}

void Tokens::envChange(uint8_t type, const QString &newValue, const QString &oldValue) {
    u8(0xE3);
    u16(static_cast<uint16_t>(1 + 1 + newValue.size() * 2 + 1 + oldValue.size() * 2));
    u8(type);
    bVarchar(newValue);
    bVarchar(oldValue);
}

void Tokens::collationChange() {
    const QByteArray c = spanishCollation();
    u8(0xE3);
    u16(static_cast<uint16_t>(1 + 1 + c.size() + 1));
    u8(7);
    u8(static_cast<uint8_t>(c.size()));
    data_ += c;
    u8(0);
}

void Tokens::message(uint8_t token, int number, uint8_t state, uint8_t severity, const QString &text) {
    const QString server = QStringLiteral("TPVPRUEBAS");
    u8(token);
    u16(static_cast<uint16_t>(4 + 1 + 1 + 2 + text.size() * 2 + 1 + server.size() * 2 + 1 + 4));
    u32(static_cast<uint32_t>(number));
    u8(state);
    u8(severity);
    usVarchar(text);
    bVarchar(server);
    bVarchar(QString());
    u32(1);
}

void Tokens::loginAck() {
    const QString name = QStringLiteral("Microsoft SQL Server");
    u8(0xAD);
    u16(static_cast<uint16_t>(1 + 4 + 1 + name.size() * 2 + 4));
    u8(1);  // SQL_TSQL
    data_ += QByteArray("\x74\x00\x00\x04", 4);
    bVarchar(name);
    data_ += QByteArray("\x10\x00\x07\xD0", 4);  // 16.0.2000
}

void Tokens::done(uint8_t token, uint16_t status, uint16_t curcmd, uint64_t count) {
    u8(token);
    u16(status);
    u16(curcmd);
    u64(count);
}

void Tokens::typeInfo(const Column &c) {
    switch (c.type) {
        case ColumnType::Int:
            u8(0x26), u8(4);
            break;
        case ColumnType::SmallInt:
            u8(0x26), u8(2);
            break;
        case ColumnType::BigInt:
            u8(0x26), u8(8);
            break;
        case ColumnType::Float:
            u8(0x6D), u8(8);
            break;
        case ColumnType::DateTime:
            u8(0x6F), u8(8);
            break;
        case ColumnType::VarChar:
        case ColumnType::Char:
            u8(c.type == ColumnType::Char ? 0xAF : 0xA7);
            u16(static_cast<uint16_t>(c.size));
            data_ += spanishCollation();
            break;
    }
}

void Tokens::columns(const std::vector<Column> &columns) {
    u8(0x81);
    u16(static_cast<uint16_t>(columns.size()));
    for (const Column &c : columns) {
        u32(0);       // user type
        u16(0x0009);  // nullable, updatable unknown
        typeInfo(c);
        bVarchar(c.name);
    }
}

void Tokens::row(const std::vector<Column> &columns, const std::vector<QVariant> &values) {
    u8(0xD1);
    for (size_t i = 0; i < columns.size(); ++i) {
        const Column &c = columns[i];
        const QVariant &v = values[i];
        switch (c.type) {
            case ColumnType::Int:
            case ColumnType::SmallInt:
            case ColumnType::BigInt: {
                bool ok = false;
                const qint64 n = v.toLongLong(&ok);
                const int len = c.type == ColumnType::Int ? 4 : c.type == ColumnType::SmallInt ? 2 : 8;
                if (v.isNull() || !ok) {
                    u8(0);
                    break;
                }
                u8(static_cast<uint8_t>(len));
                for (int k = 0; k < len; ++k) u8(static_cast<uint8_t>((static_cast<uint64_t>(n) >> (8 * k)) & 0xFF));
                break;
            }
            case ColumnType::Float: {
                bool ok = false;
                const double d = v.toDouble(&ok);
                if (v.isNull() || !ok) {
                    u8(0);
                    break;
                }
                u8(8);
                uint64_t bits;
                std::memcpy(&bits, &d, 8);
                u64(bits);
                break;
            }
            case ColumnType::DateTime: {
                bool ok = false;
                const double days = v.toDouble(&ok);
                if (v.isNull() || !ok || v.typeId() == QMetaType::QString) {
                    u8(0);
                    break;
                }
                const QDateTime t = fromServerDays(days);
                const QDateTime midnight(t.date(), QTime(0, 0));
                u8(8);
                u32(static_cast<uint32_t>(QDate(1900, 1, 1).daysTo(t.date())));
                u32(static_cast<uint32_t>(qRound64(midnight.msecsTo(t) * 0.3)));
                break;
            }
            case ColumnType::VarChar:
            case ColumnType::Char: {
                if (v.isNull()) {
                    u16(0xFFFF);
                    break;
                }
                QByteArray text = toCp1252(v.toString()).left(c.size);
                // char(n) is always n characters long, blank-padded.
                if (c.type == ColumnType::Char) text = text.leftJustified(c.size, ' ');
                u16(static_cast<uint16_t>(text.size()));
                data_ += text;
                break;
            }
        }
    }
}

void Tokens::returnStatus(int32_t value) {
    u8(0x79);
    u32(static_cast<uint32_t>(value));
}

void Tokens::returnInt(uint16_t ordinal, const QString &name, int32_t value) {
    u8(0xAC);
    u16(ordinal);
    bVarchar(name);
    u8(0x01);  // output parameter
    u32(0);    // user type
    u16(0);    // flags
    u8(0x26), u8(4);
    u8(4);
    u32(static_cast<uint32_t>(value));
}

}  // namespace tpv::tds
