#pragma once
// A small writer of Access (Jet 4) files for the tests of `importar`: the
// tables a test gives, with their rows, in the page layout the mdbtools
// format notes describe (HACKING.md of Debian's mdbtools): the database
// page, the catalogue MSysObjects on page 2, and per table its definition
// page, one data page and a page usage map. Only what reading needs: no
// indexes, no long values, every table on one data page.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <vector>

namespace tpv::test::jet {

enum class Type : uint8_t { Boolean = 0x01, Integer = 0x03, Long = 0x04, Double = 0x07, Text = 0x0A, Ole = 0x0B };

struct Column {
    QString name;
    Type type;
    int chars = 50;  // the length of a text column
};

struct Table {
    QString name;
    std::vector<Column> columns;
    std::vector<std::vector<QVariant>> rows;  // null, a number or a text per column
};

// The bytes of an .mdb file holding the tables.
QByteArray jet4File(const std::vector<Table> &tables);

}  // namespace tpv::test::jet
