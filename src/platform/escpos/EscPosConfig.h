#pragma once
// The kitchen thermal printers declared in impresoras.ini (data folder,
// optional): one INI group per printer, the group's name being the device
// name. Keys: conexion, paginacodigos, corte, aviso, estado.
#include <QString>
#include <QStringList>
#include <vector>

namespace tpv {

struct EscPosPrinterConfig {
    QString name;        // device name (the group)
    QString connection;  // as written: tcp://HOST:PORT, usb:DEVICE, serie:DEVICE?baudios=N
    int codePage = 858;
    enum class Cut { Partial, Full, None } cut = Cut::Partial;
    bool buzzer = false;   // aviso=si: sound the buzzer after the ticket
    bool askState = true;  // estado=si: ask the printer its state around each ticket
};

struct EscPosConfigResult {
    std::vector<EscPosPrinterConfig> printers;  // the valid ones, in the file's group order
    // One Spanish line per mistake, naming the file's line and the printer.
    QStringList errors;
};

// Reads the file; a missing file declares no printer and is no error. A
// printer without a usable connection or with an unknown code page is left
// out; other mistakes are reported and the key's default is used.
EscPosConfigResult readEscPosPrinters(const QString &iniPath);

}  // namespace tpv
