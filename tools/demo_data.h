#pragma once
// Builds the databases the print server works on: the configuration file,
// the work file and an embedded server order database with articles,
// families, routing, printer connections and a business date. The demo uses
// it, and the tests build their databases with it, through the same SQLite
// adapter the program uses.
#include "sql/Database.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace tpv::demo {

// The server tables the print server reads and writes. PendGar keeps the
// column order the job lists rely on: PPFecha at 0, PPCod at 2, PParg1 at 5
// and PParg3 at 7.
void createServerSchema(Connection &cn);

struct ConfigRow {
    QString ip;
    QString catalogo = QStringLiteral("Garnet");
    int tiempo = 1000;
    int tpv = 1;
    int lineaspie = 3;
};
void createConfigFile(const QString &path, const ConfigRow &row);
void createWorkFile(const QString &path);

// Articles in three families routed (profile 1, terminal 1) to printers 1
// (Cocina), 2 (Barra) and 3 (Postres), and the prn rows for them.
void addDemoCatalogue(Connection &cn, int tpv = 1);
void setBusinessDate(Connection &cn, int tpv, const QString &fecha, const QString &nombre = QStringLiteral("Barra"));

struct Extra {
    int modifc = 0;
    QString modifn;
    std::optional<int> guarnic, salsac;
    QString guarnin, salsan;
};
struct ALaCarteLine {
    QString articulo;  // ArtvCod
    QString nombre;    // TilArtN
    double cantidad = 1;
    std::optional<Extra> extra;
};
struct MenuDish {
    QString articulo;  // mlpla
    QString nombre;    // mlplan
    int cantidad = 1;
    std::optional<int> modifc, guarnic, salsac;
    QString modifn, guarnin, salsan;
};

// Writes the order header if it is missing, appends the lines (numbered after
// the order's last line) and adds a "Com" job; returns the job number.
int addOrder(Connection &cn, int tpv, const QString &fecha, int comanda, int mesa, const QList<ALaCarteLine> &aLaCarte,
             const QList<MenuDish> &menu, int perfil = 1);
int addJob(Connection &cn, int tpv, const QString &fecha, int comanda, const QString &code = QStringLiteral("Com"),
           int perfil = 1);

// Prepares a whole demo folder: data files, server database, folder printers.
struct DemoPaths {
    QString dataDir, printersDir, serverDb;
};
// With a preview, every demo printer also draws a PDF of each ticket.
DemoPaths prepareDemo(const QString &dataDir, const QString &printersDir, const QString &fecha,
                      bool withPreview = false);

QString todayBusinessDate();  // YYYYMMDD
}  // namespace tpv::demo
