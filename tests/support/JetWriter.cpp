#include "support/JetWriter.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace tpv::test::jet {

namespace {

constexpr int kPage = 4096;

void put16(QByteArray &b, int at, uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(QByteArray &b, int at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
void append16(QByteArray &b, uint32_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
}
void append32(QByteArray &b, uint32_t v) {
    append16(b, v & 0xFFFF);
    append16(b, v >> 16);
}

QByteArray ucs2(const QString &s) {
    QByteArray out;
    for (QChar c : s) append16(out, c.unicode());
    return out;
}

bool isFixed(Type t) { return t != Type::Text && t != Type::Ole; }
int fixedSize(Type t) {
    switch (t) {
        case Type::Boolean:
            return 0;  // its value lives in the null mask
        case Type::Integer:
            return 2;
        case Type::Long:
            return 4;
        case Type::Double:
            return 8;
        default:
            return 0;
    }
}

// The database page is "encrypted" from 0x18 on with RC4 and a fixed key:
// zeros written through it read back as zeros (no database key, no
// password, no code page).
void rc4Header(QByteArray &page) {
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i) s[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[static_cast<size_t>(i)] + key[i % 4]) & 0xFF;
        std::swap(s[static_cast<size_t>(i)], s[static_cast<size_t>(j)]);
    }
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[static_cast<size_t>(i)]) & 0xFF;
        std::swap(s[static_cast<size_t>(i)], s[static_cast<size_t>(j)]);
        const uint8_t k = s[static_cast<size_t>((s[static_cast<size_t>(i)] + s[static_cast<size_t>(j)]) & 0xFF)];
        page[0x18 + n] = static_cast<char>(static_cast<uint8_t>(page[0x18 + n]) ^ k);
    }
}

// One row: column count, fixed columns, variable columns, the end of the
// data, the variable columns' offsets in reverse, their count, the null mask.
QByteArray rowBytes(const Table &t, const std::vector<QVariant> &values) {
    const int n = static_cast<int>(t.columns.size());
    QByteArray fixed, var;
    std::vector<int> varStarts;
    QByteArray mask((n + 7) / 8, '\0');
    int fixedLength = 0;
    for (const Column &c : t.columns) fixedLength += fixedSize(c.type);
    fixed.fill('\0', fixedLength);
    int fixedAt = 0;
    for (int i = 0; i < n; ++i) {
        const Column &c = t.columns[static_cast<size_t>(i)];
        const QVariant &v = values[static_cast<size_t>(i)];
        const bool present = !v.isNull();
        if (c.type == Type::Boolean) {
            if (present && v.toBool()) mask[i / 8] = static_cast<char>(mask[i / 8] | (1 << (i % 8)));
            continue;
        }
        if (present) mask[i / 8] = static_cast<char>(mask[i / 8] | (1 << (i % 8)));
        if (isFixed(c.type)) {
            if (present) {
                if (c.type == Type::Integer) put16(fixed, fixedAt, static_cast<uint32_t>(v.toInt()));
                if (c.type == Type::Long) put32(fixed, fixedAt, static_cast<uint32_t>(v.toLongLong()));
                if (c.type == Type::Double) {
                    const double d = v.toDouble();
                    std::memcpy(fixed.data() + fixedAt, &d, 8);
                }
            }
            fixedAt += fixedSize(c.type);
            continue;
        }
        varStarts.push_back(2 + fixedLength + static_cast<int>(var.size()));
        if (present && c.type == Type::Text) var += ucs2(v.toString());
    }
    QByteArray row;
    append16(row, static_cast<uint32_t>(n));
    row += fixed;
    row += var;
    const int eod = static_cast<int>(row.size());
    append16(row, static_cast<uint32_t>(eod));
    for (auto it = varStarts.rbegin(); it != varStarts.rend(); ++it) append16(row, static_cast<uint32_t>(*it));
    append16(row, static_cast<uint32_t>(varStarts.size()));
    row += mask;
    return row;
}

// A data page of a table (or of usage maps, with tdef 0): rows from the end.
QByteArray dataPage(uint32_t tdefPage, const std::vector<QByteArray> &rows) {
    QByteArray page(kPage, '\0');
    page[0] = 0x01;
    page[1] = 0x01;
    put32(page, 4, tdefPage);
    put16(page, 12, static_cast<uint32_t>(rows.size()));
    int end = kPage;
    int used = 14;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int start = end - static_cast<int>(rows[i].size());
        std::memcpy(page.data() + start, rows[i].constData(), static_cast<size_t>(rows[i].size()));
        put16(page, 14 + static_cast<int>(i) * 2, static_cast<uint32_t>(start));
        end = start;
        used += 2 + static_cast<int>(rows[i].size());
    }
    if (used > kPage) throw std::runtime_error("demasiadas filas para una página");
    put16(page, 2, static_cast<uint32_t>(kPage - used));
    return page;
}

// A usage map of one page: map type 0, first page 0, one bit per page.
QByteArray usageMap(uint32_t page) {
    QByteArray map(64, '\0');
    const int byte = 5 + static_cast<int>(page / 8);
    map[byte] = static_cast<char>(1 << (page % 8));
    return map;
}

QByteArray tdefPage(const Table &t, bool system, uint32_t usageRow) {
    QByteArray page(kPage, '\0');
    page[0] = 0x02;
    page[1] = 0x01;
    QByteArray block;  // from offset 8
    const int n = static_cast<int>(t.columns.size());
    int varCount = 0;
    for (const Column &c : t.columns) varCount += isFixed(c.type) ? 0 : 1;
    append32(block, 0);  // tdef_len, set below
    append32(block, 0);
    append32(block, static_cast<uint32_t>(t.rows.size()));
    append32(block, 0);
    block.append('\x01');
    block.append(QByteArray(3, '\0'));
    append32(block, 0);
    block.append(QByteArray(8, '\0'));
    block.append(system ? '\x53' : '\x4e');
    append16(block, static_cast<uint32_t>(n));
    append16(block, static_cast<uint32_t>(varCount));
    append16(block, static_cast<uint32_t>(n));
    append32(block, 0);  // logical indexes
    append32(block, 0);  // index entries
    append32(block, usageRow);
    append32(block, usageRow);
    int fixedAt = 0, varAt = 0;
    for (int i = 0; i < n; ++i) {
        const Column &c = t.columns[static_cast<size_t>(i)];
        QByteArray e(25, '\0');
        e[0] = static_cast<char>(c.type);
        put16(e, 5, static_cast<uint32_t>(i));
        put16(e, 7, static_cast<uint32_t>(isFixed(c.type) ? 0 : varAt));
        put16(e, 9, static_cast<uint32_t>(i));
        if (c.type == Type::Text) put16(e, 11, 0x409);
        e[15] = static_cast<char>((isFixed(c.type) ? 0x01 : 0x00) | 0x02);
        put16(e, 21, static_cast<uint32_t>(isFixed(c.type) ? fixedAt : 0));
        const int size = c.type == Type::Text ? c.chars * 2 : c.type == Type::Ole ? 0 : fixedSize(c.type);
        put16(e, 23, static_cast<uint32_t>(c.type == Type::Boolean ? 1 : size));
        if (isFixed(c.type))
            fixedAt += fixedSize(c.type);
        else
            ++varAt;
        block += e;
    }
    for (const Column &c : t.columns) {
        const QByteArray name = ucs2(c.name);
        append16(block, static_cast<uint32_t>(name.size()));
        block += name;
    }
    append16(block, 0xFFFF);
    put32(block, 0, static_cast<uint32_t>(block.size()));
    std::memcpy(page.data() + 8, block.constData(), static_cast<size_t>(block.size()));
    put16(page, 2, static_cast<uint32_t>(kPage - 8 - block.size() - 8));
    return page;
}

}  // namespace

QByteArray jet4File(const std::vector<Table> &tables) {
    // Pages: 0 database, 1 usage maps, 2 MSysObjects, 3 its rows, then a
    // definition page and a data page per table.
    QByteArray header(kPage, '\0');
    header[0] = 0x00;
    header[1] = 0x01;
    std::memcpy(header.data() + 4, "Standard Jet DB", 15);
    header[0x14] = 0x01;  // Jet 4
    rc4Header(header);

    Table catalogue{QStringLiteral("MSysObjects"),
                    {{QStringLiteral("Id"), Type::Long},
                     {QStringLiteral("ParentId"), Type::Long},
                     {QStringLiteral("Name"), Type::Text, 128},
                     {QStringLiteral("Type"), Type::Integer},
                     {QStringLiteral("Flags"), Type::Long},
                     {QStringLiteral("LvProp"), Type::Ole}},
                    {}};
    std::vector<QByteArray> maps{usageMap(3)};
    for (size_t i = 0; i < tables.size(); ++i) {
        const auto tdef = static_cast<uint32_t>(4 + 2 * i);
        catalogue.rows.push_back({QVariant(static_cast<qlonglong>(tdef)), QVariant(0x0F000001LL), tables[i].name,
                                  QVariant(1), QVariant(0LL), QVariant()});
        maps.push_back(usageMap(tdef + 1));
    }
    QByteArray file = header;
    file += dataPage(0, maps);
    file += tdefPage(catalogue, true, (1u << 8) | 0u);
    std::vector<QByteArray> catalogueRows;
    for (const auto &r : catalogue.rows) catalogueRows.push_back(rowBytes(catalogue, r));
    file += dataPage(2, catalogueRows);
    for (size_t i = 0; i < tables.size(); ++i) {
        const auto tdef = static_cast<uint32_t>(4 + 2 * i);
        file += tdefPage(tables[i], false, (1u << 8) | static_cast<uint32_t>(i + 1));
        std::vector<QByteArray> rows;
        for (const auto &r : tables[i].rows) rows.push_back(rowBytes(tables[i], r));
        file += dataPage(tdef, rows);
    }
    return file;
}

}  // namespace tpv::test::jet
