#pragma once
// The kitchen screens declared in impresoras.ini: a group with
// conexion=pantalla is a screen whose name is the group's, with the key its
// pages are opened with (clave), the minutes after which a card's age shows
// as a warning and as an alarm (aviso_min, alarma_min) and the look of its
// cards (estilo). respaldo and respaldo_tras are read with every printer's.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace tpv {

struct ScreenConfig {
    QString name;
    QByteArray key;  // empty: no page can open the screen
    int warnMinutes = 8;
    int alarmMinutes = 15;
    // estilo=: each line emphasised by what it is (cocina), or the ticket's
    // lines as printed, in one size (sencillo).
    enum class Style { Kitchen, Plain } style = Style::Kitchen;
};

struct ScreenConfigResult {
    std::vector<ScreenConfig> screens;  // in the file's group order
    QStringList errors;                 // one Spanish line per mistake, with its line
};

// The shortest key a screen is opened with.
constexpr int kMinScreenKeyLength = 12;

// Reads the file; a missing file declares no screen. A mistake keeps the
// key's default; a key too short is not used.
ScreenConfigResult readScreens(const QString &iniPath);

}  // namespace tpv
