#pragma once
// Reading ESC/POS bytes back: how long each command is, and the text a
// ticket prints. The virtual kitchen printer uses it to store what it was
// sent as readable text.
#include <QByteArray>
#include <QString>

namespace tpv {

// The length of what starts at pos: a whole command with its parameters, or
// 1 for a plain byte; 0 when the bytes end before the command does.
qsizetype escPosItemLength(QByteArrayView bytes, qsizetype pos);

// True when the command at pos is a cut (GS V).
bool escPosIsCut(QByteArrayView bytes, qsizetype pos);

// The printed text (LF line ends) decoded in the page each ESC t selects
// (437 before any); commands and control bytes other than LF and TAB dropped.
QString escPosDecodeTicket(QByteArrayView ticket);

}  // namespace tpv
