#pragma once
#include "TestSupport.h"

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
    static demo::CartaLine line(const QString &art, const QString &name, double qty) {
        return {art, name, qty, std::nullopt};
    }
    static demo::MenuDish dish(const QString &art, const QString &name, int qty) {
        return {art, name, qty, std::nullopt, std::nullopt, std::nullopt, {}, {}, {}};
    }
    static QString crlf(QString s) { return s.replace(QStringLiteral("⏎"), QStringLiteral("\r\n")); }
};

}  // namespace tpv::test
