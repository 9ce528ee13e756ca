#pragma once
// The code pages the kitchen thermal printers are driven in, and the byte
// that selects each of them with ESC t. The tables come from the C library's
// iconv, built once per page and shared by the encoder and the virtual
// printer's decoder.
#include <QByteArray>
#include <QString>
#include <QStringView>

namespace tpv {

// True for the pages a printer may be configured with: 858, 850 and 1252.
bool escPosCodePageSupported(int codePage);

// The n of ESC t n that selects a supported page (19, 2, 16) on most
// printers; -1 otherwise. Some makers number the pages differently: the
// printer's tabla= gives its own number.
int escPosCodePageSelector(int codePage);

// The text in the page, every character the page lacks written as '?'.
// Control characters other than LF and TAB are written as '?' too, so a text
// can never carry a printer command. Lone surrogates count as one character.
QByteArray escPosEncodeText(QStringView text, int codePage);

// The bytes read back as text; a byte the page leaves undefined becomes
// U+FFFD. Pages: 437, 850, 858, 1252.
QString escPosDecodeText(QByteArrayView bytes, int codePage);

}  // namespace tpv
