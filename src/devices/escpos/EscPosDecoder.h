#pragma once
// Reading ESC/POS bytes back: how long each command is, and the text a
// ticket prints. The virtual kitchen printer uses it to store what it was
// sent as readable text.
#include <QByteArray>
#include <QHash>
#include <QString>

namespace tpv {

// The length of what starts at pos: a whole command with its parameters, or
// 1 for a plain byte; 0 when the bytes end before the command does.
qsizetype escPosItemLength(QByteArrayView bytes, qsizetype pos);

// True when the command at pos is a cut (GS V).
bool escPosIsCut(QByteArrayView bytes, qsizetype pos);

// Which code page each ESC t number selects on one make of printer. A number
// the printer does not know leaves the page as it was, as printers do.
struct EscPosTables {
    QHash<int, int> pageOf;  // ESC t n -> code page (437, 850, 858, 1252)
    // The numbering this system sends by default: 0 437, 2 850, 16 1252, 19 858.
    static EscPosTables standard();
};

// The printed text (LF line ends) decoded in the page each ESC t selects
// (437 before any); commands and control bytes other than LF and TAB dropped.
QString escPosDecodeTicket(QByteArrayView ticket, const EscPosTables &tables = EscPosTables::standard());

}  // namespace tpv
