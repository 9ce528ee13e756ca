#include "kitchen/Config.h"

#include "kitchen/SiteSettings.h"
#include "sql/SettingsStatements.h"

#include "compat/Controls.h"
#include "compat/Dialogs.h"
#include "compat/Error.h"

#include <QDate>

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
        rs.open(sql::settings::probeSettingsColumn(column), cn);
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
        cnLocal->execute(sql::settings::addSettingsColumn(column));
        cnLocal->execute(sql::settings::fillSettingsColumn(column, defaultValue));
        // The probe runs again; a failure now ends the upgrade like any other.
        try {
            columnExists(*cnLocal, column);
        } catch (const TpvError &) {
            return;
        }
    }
}

namespace {

// What the settings file holds instead of the row the program reads.
QString missingRowText(Connection &cn) {
    QStringList codes;
    try {
        Recordset rs;
        rs.open(sql::settings::settingsCodes(), cn);
        while (!rs.eof()) {
            codes << QStringLiteral("'%1'").arg(rs.field(0).toText());
            rs.moveNext();
        }
    } catch (const TpvError &) {
        return QStringLiteral("ConfGarnet.mdb no tiene la tabla de configuración Confi");
    }
    QString text = QStringLiteral("ConfGarnet.mdb no tiene la fila de configuración con Cod = 'Prul4'");
    if (codes.isEmpty()) return text + QStringLiteral(" (la tabla Confi está vacía)");
    return text + QStringLiteral(" (tiene Cod = %1)").arg(codes.join(QStringLiteral(", ")));
}

QString unreadableValueText(const QString &column, const Recordset &rs, const TpvError &e) {
    Variant value;
    try {
        value = rs.field(column);
    } catch (const TpvError &) {
        return QStringLiteral(
                   "La fila de configuración de ConfGarnet.mdb no tiene la columna %1; no se han leído %1 "
                   "ni los valores que le siguen")
            .arg(column);
    }
    const QString shown = value.isNull() ? QStringLiteral("vacío (Null)") : QStringLiteral("«%1»").arg(value.toText());
    QString why = e.description();
    if (e.number() == err::Overflow || e.number() == err::TypeMismatch)
        why = QStringLiteral("no es un número entero de -32768 a 32767");
    return QStringLiteral(
               "La fila de configuración de ConfGarnet.mdb tiene %1 = %2, que no sirve (%3); no se han "
               "leído %1 ni los valores que le siguen. Corríjalo con «lector-tpv-config poner %1=VALOR»")
        .arg(column, shown, why);
}

}  // namespace

void leer_configuracion(Global &g, ConfigLabels labels, Dialogs &dialogs) {
    labels.lbServidor.setCaption(QStringLiteral("No conectado"));
    g.configurationMissing.clear();
    std::unique_ptr<Connection> cnLocal;
    try {
        cnLocal = openConnection(confConnectionString(), g.db);
    } catch (const TpvError &e) {
        if (e.number() != err::CannotOpen) return;
        dialogs.message(QStringLiteral("No existe la Base de Datos ConfGarnet, La aplicación no puede continuar "),
                        QStringLiteral("Tesmarin-Garnet"), MsgIcon::Critical);
        throw ProgramEnded{1};
    }
    Recordset rs;
    try {
        rs.open(sql::settings::settingsRow(), *cnLocal);
    } catch (const TpvError &) {
        g.configurationMissing = missingRowText(*cnLocal);
        return;
    }
    if (rs.eof()) {
        g.configurationMissing = missingRowText(*cnLocal);
        return;
    }
    QString column;
    auto field = [&rs, &column](const char *name) {
        column = QString::fromLatin1(name);
        return rs.field(column);
    };
    try {
        g.Ip = requiredText(field("Ip"));
        labels.lbServidor.setCaption(g.Ip);
        g.CatalogoIni = requiredText(field("CatalogoIni"));
        labels.lbCatalogo.setCaption(QStringLiteral("(") + g.CatalogoIni + QStringLiteral(")"));
        g.Id = requiredText(field("Id"));
        g.PasW = requiredText(field("PasW"));
        g.Tiempo = requiredInt16(field("Tiempo"));
        g.Raport = field("Raport").toBool();
        g.tpv = requiredInt16(field("tpv"));
        g.lineaspie = requiredInt16(field("lineaspie"));
        column.clear();
    } catch (const TpvError &e) {
        // What was read before the column keeps its value. Going on would
        // leave the server doing nothing without a word (a Tiempo of 60000
        // reads as 0, which polls once and stops; a tpv of 0 serves no
        // terminal): start-up stops here and says what to correct.
        throw TpvError(e.number(), unreadableValueText(column, rs, e));
    }
    // The site's own SQL Server login, when it has one; a login file that
    // cannot be read is a start-up error that names it.
    const auto login = readSqlLogin(g.db.dataDir);
    g.UsuarioSql = login ? login->user : QString();
    g.ClaveSql = login ? login->password : QString();
}

void abrir_conexiones(Global &g) {
    // The old connections go first: on a replaced SQLite file they would
    // otherwise close after the new ones opened, and fold their journal
    // (named by the path, so now the new file's) into the old file.
    for (auto *cn : {&g.Cn, &g.Cn2, &g.Cn3, &g.Cn4}) cn->reset();
    try {
        g.Cn = openConnection(serverConnectionString(g), g.db);
    } catch (const TpvError &e) {
        if (g.configurationMissing.isEmpty()) throw;
        throw TpvError(e.number(), g.configurationMissing + QStringLiteral(": ") + e.description());
    }
    g.Rs.close();
    g.Cn2 = openConnection(serverConnectionString(g), g.db);
    g.Rs2.close();
    g.Cn3 = openConnection(serverConnectionString(g), g.db);
    g.Rs3.close();
    g.Cn4 = openConnection(serverConnectionString(g), g.db);
    g.Rs4.close();
}

void checkConnectionSources(Global &g) {
    for (const auto *cn : {&g.Cn, &g.Cn2, &g.Cn3, &g.Cn4})
        if (*cn) (*cn)->checkSource();
}

void coger_fecha_tpv(Global &g, BusinessDate &day) {
    if (g.Rs.isOpen()) g.Rs.close();
    g.Rs.open(sql::settings::businessDay(g.tpv), conn(g.Cn));
    if (!g.Rs.eof()) {
        const QString fecha = requiredText(g.Rs.field(QStringLiteral("CierreFecha")));
        const QString nombre = g.Rs.field(QStringLiteral("Nombre")).toText();
        day.FechaTpv = fecha;
        day.NombreTpv = nombre;
    }
    g.Rs.close();
}

bool isBusinessDate(const QString &fecha) {
    if (fecha.size() != 8) return false;
    for (QChar c : fecha)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    // Asked at every tick: the digits are read by hand, not by a date parser.
    auto number = [&fecha](int from, int size) {
        int n = 0;
        for (int i = from; i < from + size; ++i) n = n * 10 + fecha[i].digitValue();
        return n;
    };
    return QDate(number(0, 4), number(4, 2), number(6, 2)).isValid();
}

void cargar_impresoras(Global &g) {
    if (g.Rs.isOpen()) g.Rs.close();
    g.Rs.open(sql::settings::knownPrinters(), conn(g.Cn));
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
    cnLocal->execute(sql::settings::saveBlankLines(g.lineaspie, g.tpv));
}

int16_t blankLinesOfField(const QString &fieldText) {
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
void stepBlankLines(Global &g, TextField &lineasp, int delta) {
    const int next = g.lineaspie + delta;
    if (next < -32768 || next > 32767) throw TpvError(err::Overflow, QStringLiteral("Desbordamiento"));
    g.lineaspie = static_cast<int16_t>(next);
    lineasp.setText(QString::number(g.lineaspie));
    actualizar_configuracion(g);
}
}  // namespace

void UpDown1_DownClick(Global &g, TextField &lineasp) { stepBlankLines(g, lineasp, -1); }
void UpDown1_UpClick(Global &g, TextField &lineasp) { stepBlankLines(g, lineasp, +1); }

}  // namespace tpv
