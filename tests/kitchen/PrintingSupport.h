#pragma once
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace tpv::test {

// A server whose articles all route to one printer number unless a test
// changes the routing.
class Printing : public ServerTest {
protected:
    void routeAllTo(int d1, int d2 = 0, int d3 = 0) {
        exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = %1, destino2 = %2, destino3 = %3")
                 .arg(d1)
                 .arg(d2)
                 .arg(d3));
    }
    static demo::ALaCarteLine line(const QString &art, const QString &name, double qty) {
        return {art, name, qty, std::nullopt};
    }
    static demo::MenuDish dish(const QString &art, const QString &name, int qty) {
        return {art, name, qty, std::nullopt, std::nullopt, std::nullopt, {}, {}, {}};
    }
    static QString crlf(QString s) { return s.replace(QStringLiteral("⏎"), QStringLiteral("\r\n")); }
    // impresoras.ini in the data folder, with that text.
    void declare(const QString &ini) {
        QFile f(QDir(dataDir).filePath(QStringLiteral("impresoras.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ini.toUtf8());
    }
    // A folder printer taken away (its folder renamed), and put back.
    void down(const QString &printer) {
        ASSERT_TRUE(QDir(printersDir).rename(printer, printer + QStringLiteral(".fuera")));
    }
    void back(const QString &printer) {
        ASSERT_TRUE(QDir(printersDir).rename(printer + QStringLiteral(".fuera"), printer));
    }
    // Order ORDER of table 1: one Caña.
    void orderOfOneCana(int order) {
        demo::addOrder(*server, 1, fecha, order, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    }
};

}  // namespace tpv::test
