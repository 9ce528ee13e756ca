#pragma once
// The keys the kitchen screens' pages are opened with, as the installer
// sets them (lector-tpv-config pantalla NOMBRE).
#include <QByteArray>
#include <QString>

namespace tpv {

// A new key: 24 lower-case letters and digits from the system's random source.
QByteArray newScreenKey();

// Sets the screen's clave= in impresoras.ini, changing nothing else of the
// file: the screen's group is added (conexion=pantalla) when missing. The
// file is left readable by its owner only. False with a Spanish *error when
// the name cannot be a group's, or names a printer.
bool setScreenKey(const QString &iniPath, const QString &screen, const QByteArray &key, QString *error);

}  // namespace tpv
