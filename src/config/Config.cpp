#include "config/Config.h"

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"

namespace tpv {

namespace {

// A text setting: a null column stops the reading, as assigning a null to a
// text would.
QString requiredText(const Variant &v) {
    if (v.isNull()) throw TpvError(err::InvalidUseOfNull, QStringLiteral("Uso no válido de Null"));
    return v.toText();
}

int16_t requiredInt16(const Variant &v) {
    if (v.isNull()) throw TpvError(err::InvalidUseOfNull, QStringLiteral("Uso no válido de Null"));
    return v.toInt16();
}

// Probes one column of the settings row. False when the column is missing;
// any other error is passed on.
bool columnExists(Connection &cn, const QString &column) {
    try {
        Recordset rs;
        rs.open(QStringLiteral("Select %1 from Confi Where Cod = 'Prul4'").arg(column), cn);
        rs.eof();
        rs.close();
        return true;
    } catch (const TpvError &e) {
        if (e.number() == err::NoSuchColumn) return false;
        throw;
    }
}

}  // namespace

void actualizar_estructura_confi(const Global &g) {
    std::unique_ptr<Connection> cnLocal;
    try {
        cnLocal = openConnection(confConnectionString(), g.db);
    } catch (const TpvError &) {
        return;  // a missing file is reported by leer_configuracion
    }
    const std::pair<QString, int> columns[] = {{QStringLiteral("tpv"), 1}, {QStringLiteral("lineaspie"), 20}};
    for (const auto &[column, defaultValue] : columns) {
        try {
            if (columnExists(*cnLocal, column)) continue;
        } catch (const TpvError &) {
            return;  // any other error ends the upgrade without a message
        }
        // Failures of the adding statements go to the start-up handler.
        cnLocal->execute(QStringLiteral("ALTER TABLE Confi ADD COLUMN %1 integer").arg(column));
        cnLocal->execute(QStringLiteral("UPDATE confi SET %1 = %2").arg(column).arg(defaultValue));
        // The probe runs again; a failure now ends the upgrade like any other.
        try {
            columnExists(*cnLocal, column);
        } catch (const TpvError &) {
            return;
        }
    }
}

void leer_configuracion(Global &g, ConfigLabels labels, Dialogs &dialogs) {
    labels.lbServidor.setCaption(QStringLiteral("No conectado"));
    std::unique_ptr<Connection> cnLocal;
    try {
        cnLocal = openConnection(confConnectionString(), g.db);
    } catch (const TpvError &e) {
        if (e.number() != err::CannotOpen) return;
        dialogs.message(QStringLiteral("No existe la Base de Datos ConfGarnet, La aplicación no puede continuar "),
                        QStringLiteral("Tesmarin-Garnet"), MsgIcon::Critical);
        throw ProgramEnded{1};
    }
    try {
        Recordset rs;
        rs.open(QStringLiteral("Select * from Confi Where Cod = 'Prul4'"), *cnLocal);
        if (!rs.eof()) {
            g.Ip = requiredText(rs.field(QStringLiteral("Ip")));
            labels.lbServidor.setCaption(g.Ip);
            g.CatalogoIni = requiredText(rs.field(QStringLiteral("CatalogoIni")));
            labels.lbCatalogo.setCaption(QStringLiteral("(") + g.CatalogoIni + QStringLiteral(")"));
            g.Id = requiredText(rs.field(QStringLiteral("Id")));
            g.PasW = requiredText(rs.field(QStringLiteral("PasW")));
            g.Tiempo = requiredInt16(rs.field(QStringLiteral("Tiempo")));
            g.Raport = rs.field(QStringLiteral("Raport")).toBool();
            g.tpv = requiredInt16(rs.field(QStringLiteral("tpv")));
            g.lineaspie = requiredInt16(rs.field(QStringLiteral("lineaspie")));
        }
        rs.close();
    } catch (const TpvError &) {
        // The reading stops at the failing column; what was read stays.
    }
}

void abrir_conexiones(Global &g) {
    // The old connections go first: on a replaced SQLite file they would
    // otherwise close after the new ones opened, and fold their journal
    // (named by the path, so now the new file's) into the old file.
    for (auto *cn : {&g.Cn, &g.Cn2, &g.Cn3, &g.Cn4}) cn->reset();
    g.Cn = openConnection(serverConnectionString(g), g.db);
    g.Rs.close();
    g.Cn2 = openConnection(serverConnectionString(g), g.db);
    g.Rs2.close();
    g.Cn3 = openConnection(serverConnectionString(g), g.db);
    g.Rs3.close();
    g.Cn4 = openConnection(serverConnectionString(g), g.db);
    g.Rs4.close();
}

void comprobar_conexiones(Global &g) {
    for (const auto *cn : {&g.Cn, &g.Cn2, &g.Cn3, &g.Cn4})
        if (*cn) (*cn)->checkSource();
}

void coger_fecha_tpv(Global &g, BusinessDate &day) {
    if (g.Rs.isOpen()) g.Rs.close();
    g.Rs.open(QStringLiteral("Select * from icierre WHERE cierrecod = %1").arg(g.tpv), conn(g.Cn));
    if (!g.Rs.eof()) {
        const QString fecha = requiredText(g.Rs.field(QStringLiteral("CierreFecha")));
        const QString nombre = g.Rs.field(QStringLiteral("Nombre")).toText();
        day.FechaTpv = fecha;
        day.NombreTpv = nombre;
    }
    g.Rs.close();
}

void cargar_impresoras(Global &g) {
    if (g.Rs.isOpen()) g.Rs.close();
    g.Rs.open(QStringLiteral("SELECT * FROM prn"), conn(g.Cn));
    QStringList list{QStringLiteral("Ninguna")};
    while (!g.Rs.eof()) {
        list << g.Rs.field(QStringLiteral("conexprn")).toText();
        g.Rs.moveNext();
    }
    // Replaced whole only once read whole: a failure keeps the last list.
    if (list.size() > 32767) throw TpvError(err::Overflow, QStringLiteral("Desbordamiento"));
    g.Impresoras = list;
    g.NumImpresoras = static_cast<int16_t>(list.size());
    g.Rs.close();
}

void actualizar_configuracion(const Global &g) {
    auto cnLocal = openConnection(confConnectionString(), g.db);
    cnLocal->execute(QStringLiteral("UPDATE Confi SET lineaspie = %1 WHERE Tpv = %2").arg(g.lineaspie).arg(g.tpv));
}

int16_t lineas_pie(const QString &fieldText) {
    const QString where =
        QStringLiteral("el campo de líneas en blanco después de cada envío contiene «%1»").arg(fieldText);
    const QString fix = QStringLiteral("; escriba un número en ese campo de la ventana o ajústelo con las flechas");
    double v = 0;
    try {
        v = textToDouble(fieldText);
    } catch (const TpvError &) {
        throw TpvError(err::TypeMismatch, QStringLiteral("No coinciden los tipos: ") + where +
                                              QStringLiteral(", que no es un número") + fix);
    }
    try {
        return roundToInt16(v);
    } catch (const TpvError &) {
        throw TpvError(err::Overflow, QStringLiteral("Desbordamiento: ") + where +
                                          QStringLiteral(", fuera del intervalo -32768 a 32767") + fix);
    }
}

namespace {
void stepLineas(Global &g, TextField &lineasp, int delta) {
    const int next = g.lineaspie + delta;
    if (next < -32768 || next > 32767) throw TpvError(err::Overflow, QStringLiteral("Desbordamiento"));
    g.lineaspie = static_cast<int16_t>(next);
    lineasp.setText(QString::number(g.lineaspie));
    actualizar_configuracion(g);
}
}  // namespace

void UpDown1_DownClick(Global &g, TextField &lineasp) { stepLineas(g, lineasp, -1); }
void UpDown1_UpClick(Global &g, TextField &lineasp) { stepLineas(g, lineasp, +1); }

}  // namespace tpv
