#pragma once
// The kitchen screens put on a print server: their cards are kept in the
// order database once start-up has read where that is, and their pages are
// served by the monitoring (Monitoring::serve).
#include <QString>
#include <QStringList>
#include <memory>

namespace tpv {

class PrintServer;
class ScreenHub;
class ScreenStore;

class Screens {
public:
    // HUB is what installedPrinters found declared (null: no screen).
    Screens(PrintServer &server, std::shared_ptr<ScreenHub> hub);
    ~Screens();
    Screens(const Screens &) = delete;
    Screens &operator=(const Screens &) = delete;

    // After the server's load, which read where the order database is:
    // the cards are read and kept there from now on.
    void start();
    const std::shared_ptr<ScreenHub> &hub() const { return hub_; }
    // The cards as the order database keeps them now (queued; nothing
    // before start).
    void reload();

private:
    PrintServer &server_;
    std::shared_ptr<ScreenHub> hub_;
    std::shared_ptr<ScreenStore> store_;
};

// What the log says of the screens at start when the monitoring's address
// cannot serve them (no --http, or a loopback address a tablet cannot
// reach); empty when all is well or there is no screen.
QString screensReachText(const ScreenHub *hub, const QString &httpAddress, bool loopback);

}  // namespace tpv

namespace tpv {

// lector-tpv-config pantalla NOMBRE: a new key for the screen written in
// DATADIR/impresoras.ini, and what to tell the installer (the address a
// tablet opens once; the program serves HTTP where TPV_HTTP says, else
// where the data folder's servicio.env says). Nothing, with a Spanish
// *error, when the key could not be set.
QStringList setUpScreen(const QString &dataDir, const QString &name, QString *error);

}  // namespace tpv
