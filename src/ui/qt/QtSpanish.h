#pragma once
// Qt's own texts (the font dialog, the standard buttons, the menus of the
// text fields) in Spanish like the rest of the program, whatever the
// machine's language: Qt's translations from Debian's qt6-translations-l10n.
class QCoreApplication;

namespace tpv {

// Installs the translations on the application; false, with a line in the
// log naming the package that brings them, when they are not installed.
bool loadQtSpanish(QCoreApplication &app);

}  // namespace tpv
