#pragma once
// The kitchen thermal printers declared in impresoras.ini (data folder,
// optional): one INI group per printer, the group's name being the device
// name. A group with conexion= declares a thermal printer (keys conexion,
// paginacodigos, tabla, corte, aviso, estado, estilo); a group without it
// gives settings to a CUPS or folder printer of that name, read elsewhere.
// Every group may carry respaldo and respaldo_tras. A group with
// conexion=pantalla declares a kitchen screen (devices/screen), not a
// printer of this kind.
#include <QString>
#include <QStringList>
#include <vector>

namespace tpv {

struct EscPosPrinterConfig {
    QString name;        // device name (the group)
    QString connection;  // as written: tcp://HOST:PORT, usb:DEVICE, usb:serie=S, usb:VVVV:PPPP, serie:DEVICE?baudios=N
    int codePage = 858;
    int table = -1;  // tabla=: the ESC t number of the page on this printer; -1: the usual one
    enum class Cut { Partial, Full, None } cut = Cut::Partial;
    // aviso=: nothing, the printer's buzzer (ESC B), or a buzzer wired to
    // the drawer port (ESC p).
    enum class Alert { None, Buzzer, Drawer } alert = Alert::None;
    // estado=: ask the printer its state around each ticket always (si),
    // never (no), or once it has shown it answers (auto).
    enum class StateQueries { Auto, Always, Never } stateQueries = StateQueries::Auto;
    // estilo=: emphasis by line (cocina) or one style for the whole ticket.
    enum class Style { Kitchen, Plain } style = Style::Kitchen;

    // The n of ESC t n sent for the code page.
    int selector() const;
};

struct EscPosConfigResult {
    std::vector<EscPosPrinterConfig> printers;  // the valid ones, in the file's group order
    // One Spanish line per mistake, naming the file's line and the printer.
    QStringList errors;
};

// Reads the file; a missing file declares no printer and is no error. A
// printer with a malformed connection or an unknown code page is left out;
// other mistakes are reported and the key's default is used. Groups without
// conexion= are not thermal printers: only keys no printer knows are
// reported there.
EscPosConfigResult readEscPosPrinters(const QString &iniPath);

// The config's values as impresoras.ini writes them ("parcial", "cajon",
// "auto", "cocina"), for messages and the test ticket.
QString cutName(EscPosPrinterConfig::Cut cut);
QString alertName(EscPosPrinterConfig::Alert alert);
QString stateQueriesName(EscPosPrinterConfig::StateQueries mode);
QString styleName(EscPosPrinterConfig::Style style);

}  // namespace tpv
