// lector-tpv-config: how an installer sets up a site without touching a
// database by hand.
//   lector-tpv-config [--data-dir DIR] [--printers DIR] mostrar
//   lector-tpv-config [--data-dir DIR] poner CLAVE=VALOR...
//   lector-tpv-config [--data-dir DIR] [--printers DIR] probar
//   lector-tpv-config [--data-dir DIR] importar CONFGARNET.mdb [WDBSERVER.mdb]
//   lector-tpv-config [--data-dir DIR] preparar [--sql]
//   lector-tpv-config [--data-dir DIR] pantalla NOMBRE
// The password of `poner UsuarioSql=NOMBRE` is asked at the terminal, or
// read from standard input, never from the command line.
#include "app/Program.h"
#include "app/Screens.h"
#include "kitchen/Turn.h"
#include "sql/ConnectionStrings.h"
#include "sql/OwnTables.h"
#include "sql/TurnStatements.h"
#include "kitchen/Config.h"
#include "devices/folder/FolderPrinters.h"
#include "kitchen/QueueProbe.h"
#include "kitchen/SiteSettings.h"
#include "sql/SqlText.h"
#include "compat/Controls.h"
#include "compat/Dialogs.h"
#include "platform/DataFolder.h"
#include "compat/Error.h"
#include "devices/Printers.h"
#include "sql/SqlConnection.h"
#include "devices/escpos/EscPosPrinters.h"
#include "devices/screen/ScreenPrinters.h"
#include "devices/cups/CupsPrinters.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

using namespace tpv;

namespace {

void say(const QString &line) { std::fprintf(stdout, "%s\n", line.toUtf8().constData()); }
void complain(const QString &line) { std::fprintf(stderr, "%s\n", line.toUtf8().constData()); }

QString usage() {
    return QStringLiteral(
        "Uso: lector-tpv-config [--data-dir CARPETA] [--printers CARPETA] ORDEN\n"
        "  mostrar                          la configuración (las contraseñas, ocultas)\n"
        "  poner CLAVE=VALOR...             cambia Ip, CatalogoIni, Tiempo, tpv, lineaspie o UsuarioSql\n"
        "                                   (la contraseña de UsuarioSql se pide aparte, nunca en la orden)\n"
        "  probar                           se conecta como el servidor de impresión y dice qué encuentra\n"
        "  preparar [--sql]                 crea en la base de datos de comandas las tablas del servidor de\n"
        "                                   impresión; con --sql escribe el guion para un administrador\n"
        "  importar CONFGARNET.mdb [WDBSERVER.mdb]   trae la configuración y la fuente de una instalación anterior\n"
        "  pantalla NOMBRE                  una clave nueva para la pantalla de cocina NOMBRE, y la dirección que\n"
        "                                   se abre una vez en su tableta");
}

// The password, asked with echo off at a terminal, else the first line of
// standard input.
QString readPassword(const QString &user) {
    std::string line;
    if (::isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "Contraseña de SQL Server para %s: ", user.toUtf8().constData());
        termios old{};
        ::tcgetattr(STDIN_FILENO, &old);
        termios silent = old;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &silent);
        std::getline(std::cin, line);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::fprintf(stderr, "\n");
    } else {
        std::getline(std::cin, line);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return QString::fromStdString(line);
}

// The settings row and login as the print server reads them.
Global readSite(const QString &dataDir) {
    Global g;
    g.db.dataDir = dataDir;
    g.db.loginTimeoutSeconds = 5;
    g.db.requestTimeoutSeconds = 10;
    Label servidor, catalogo;
    HeadlessDialogs dialogs(false);
    leer_configuracion(g, {servidor, catalogo}, dialogs);
    return g;
}

// The same, for a command that needs the settings file to be there: nothing,
// said, when it is not.
std::optional<Global> readExistingSite(const QString &dataDir) {
    try {
        return readSite(dataDir);
    } catch (const ProgramEnded &) {
        complain(QStringLiteral("No existe %1: «lector-tpv-config poner» lo crea")
                     .arg(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb"))));
        return std::nullopt;
    }
}

int poner(const QString &dataDir, const QStringList &arguments) {
    QString error;
    const QList<Setting> settings = parseSettings(arguments, &error);
    if (settings.isEmpty()) {
        complain(QStringLiteral("No se ha cambiado nada:\n") + error);
        return 2;
    }
    for (const QString &made : makeDataFiles(dataDir)) say(QStringLiteral("Creado %1").arg(made));
    std::optional<SqlLogin> login;
    std::optional<int> tpv;
    for (const Setting &s : settings) {
        if (s.key == QLatin1String("UsuarioSql")) login = SqlLogin{s.value, {}};
        if (s.key == QLatin1String("tpv")) tpv = s.value.toInt();
    }
    if (login && !login->user.isEmpty()) {
        login->password = readPassword(login->user);
        // FreeTDS ends a braced value at its first "}", whatever the doubling
        // ODBC allows: such a password could never log in.
        if (login->password.contains(QLatin1Char('}'))) {
            complain(
                QStringLiteral("No se ha cambiado nada: la contraseña no puede llevar «}» (el controlador FreeTDS "
                               "no la admite); cámbiela en SQL Server"));
            return 2;
        }
    }
    // A terminal must exist in icierre once the server can be reached with
    // the settings being made.
    if (tpv) {
        Global g = readSite(dataDir);
        for (const Setting &s : settings) {
            if (s.key == QLatin1String("Ip")) g.Ip = s.value;
            if (s.key == QLatin1String("CatalogoIni")) g.CatalogoIni = s.value;
        }
        if (login) g.UsuarioSql = login->user, g.ClaveSql = login->password;
        try {
            auto cn = openConnection(serverConnectionString(g), g.db);
            const ResultSet rs = cn->query(QStringLiteral("SELECT cierrecod FROM icierre"));
            QStringList known;
            bool found = false;
            for (const auto &row : rs.rows) {
                known << row[0].toText();
                found = found || row[0].toText().trimmed() == QString::number(*tpv);
            }
            if (!found) {
                complain(
                    QStringLiteral("No se ha cambiado nada: el terminal %1 no está en la tabla icierre del servidor "
                                   "(terminales: %2)")
                        .arg(*tpv)
                        .arg(known.isEmpty() ? QStringLiteral("ninguno") : known.join(QStringLiteral(", "))));
                return 2;
            }
        } catch (const TpvError &e) {
            complain(QStringLiteral("Aviso: no se ha podido comprobar que el terminal %1 exista en el servidor: %2")
                         .arg(*tpv)
                         .arg(e.description()));
        }
    }
    writeSettings(dataDir, settings);
    if (login) writeSqlLogin(dataDir, *login);
    for (const Setting &s : settings)
        say(s.key == QLatin1String("UsuarioSql")
                ? (s.value.isEmpty()
                       ? QStringLiteral("UsuarioSql: el de siempre")
                       : QStringLiteral("UsuarioSql = %1 (contraseña guardada, solo la lee su dueño)").arg(s.value))
                : QStringLiteral("%1 = %2").arg(s.key, s.value));
    return 0;
}

std::unique_ptr<PrinterLayer> printersHere(const QString &dataDir, const QString &printersDir, QStringList *errors) {
    std::unique_ptr<PrinterLayer> layer;
    if (!printersDir.isEmpty())
        layer = std::make_unique<FolderPrinters>(printersDir);
    else
        layer = std::make_unique<CupsPrinters>();
    addDeclaredPrinters(*layer, dataDir, errors);
    addScreens(*layer, dataDir, errors);
    return layer;
}

// The print server's own tables, and which PC prints the terminal; the
// problems found.
int sayOwnTables(Connection &db, int tpv) {
    const QStringList missing = sql::own::missingTables(db);
    if (!missing.isEmpty()) {
        say(QStringLiteral("Faltan las tablas del servidor de impresión %1: «lector-tpv-config preparar» las crea, o "
                           "«lector-tpv-config preparar --sql» escribe el guion para un administrador")
                .arg(missing.join(QStringLiteral(", "))));
        return 1;
    }
    say(QStringLiteral("Tablas del servidor de impresión: están todas"));
    const ResultSet turn = db.query(sql::turn::read(db.dialect(), tpv));
    if (turn.rows.empty()) {
        say(QStringLiteral("Turno de impresión del terminal %1: ningún PC lo ha tomado todavía").arg(tpv));
        return 0;
    }
    const auto &r = turn.rows.front();
    const qint64 ago = r[5].toText().toLongLong() - r[3].toText().toLongLong();
    say(QStringLiteral("Turno de impresión del terminal %1: lo tiene %2 (generación %3), %4%5")
            .arg(tpv)
            .arg(r[1].toText(), r[0].toText())
            .arg(renewedAgoText(ago))
            .arg(ago > Turn::kStaleMs ? QStringLiteral(": caducado, otro PC puede tomarlo") : QString()));
    return 0;
}

// Makes the print server's own tables, or writes the script that makes them.
int preparar(const QString &dataDir, bool scriptOnly) {
    std::optional<Global> site = readExistingSite(dataDir);
    if (!site) return 1;
    Global &g = *site;
    if (scriptOnly) {
        std::fputs(sql::own::script(namesSqliteFile(g.Ip) ? sqliteDialect() : sqlServerDialect()).toUtf8().constData(),
                   stdout);
        return 0;
    }
    try {
        auto cn = openConnection(serverConnectionString(g), g.db);
        const QStringList missing = sql::own::missingTables(*cn);
        sql::own::ensureTables(*cn);
        say(missing.isEmpty() ? QStringLiteral("Las tablas del servidor de impresión ya estaban")
                              : QStringLiteral("Creadas: %1").arg(missing.join(QStringLiteral(", "))));
    } catch (const TpvError &e) {
        complain(e.description());
        return 1;
    }
    return 0;
}

// Whether PendGar has the index that keeps an idle tick cheap. Without it
// every tick still works, but goes over the whole day's queue.
void sayProbeIndex(Connection &cn) {
    QString index;
    try {
        index = probeIndexName(cn);
    } catch (const TpvError &e) {
        say(QStringLiteral("Índice de la cola: no se ha podido comprobar (%1)").arg(e.description()));
        return;
    }
    if (!index.isEmpty()) {
        say(QStringLiteral("Índice de la cola: %1 sobre %2").arg(index, probeIndexColumns()));
        return;
    }
    say(QStringLiteral("Índice de la cola: PendGar no tiene un índice sobre %1; sin él cada consulta recorre la "
                       "cola del día entera. Créelo con: CREATE INDEX PendGarSondeo ON PendGar %1")
            .arg(probeIndexColumns()));
}

int probar(const QString &dataDir, const QString &printersDir) {
    std::optional<Global> site = readExistingSite(dataDir);
    if (!site) return 1;
    Global &g = *site;
    const QString user = g.UsuarioSql.isEmpty() ? defaultSqlLogin().user : g.UsuarioSql;
    std::unique_ptr<Connection> cn;
    try {
        if (!g.configurationMissing.isEmpty()) throw TpvError(err::CannotOpen, g.configurationMissing);
        cn = openConnection(serverConnectionString(g), g.db);
    } catch (const TpvError &e) {
        complain(QStringLiteral("No se puede conectar: %1").arg(e.description()));
        return 1;
    }
    say(QStringLiteral("Conectado con %1, base de datos «%2», usuario «%3»").arg(g.Ip, g.CatalogoIni, user));
    g.Cn = std::move(cn);
    int problems = 0;
    try {
        BusinessDate day;
        coger_fecha_tpv(g, day);
        if (day.FechaTpv.isEmpty()) {
            say(QStringLiteral("Fecha de trabajo: el terminal %1 no está en icierre: no se imprimirá nada").arg(g.tpv));
            ++problems;
        } else if (!isBusinessDate(day.FechaTpv)) {
            say(QStringLiteral("Fecha de trabajo: «%1» no es una fecha AAAAMMDD: no se imprimirá nada")
                    .arg(day.FechaTpv));
            ++problems;
        } else {
            say(QStringLiteral("Fecha de trabajo del terminal %1 (%2): %3/%4/%5")
                    .arg(QString::number(g.tpv), day.NombreTpv.trimmed(), day.FechaTpv.mid(6, 2),
                         day.FechaTpv.mid(4, 2), day.FechaTpv.left(4)));
        }
        cargar_impresoras(g);
        QStringList errors;
        const auto layer = printersHere(dataDir, printersDir, &errors);
        for (const QString &e : errors) say(QStringLiteral("impresoras.ini: %1").arg(e));
        QStringList installed;
        for (int i = 0; i < layer->count(); ++i)
            installed << layer->installed(i).get(PrinterProperty::DeviceName).toText();
        say(QStringLiteral("Impresoras de prn:"));
        for (int k = 1; k < g.NumImpresoras; ++k) {
            const QString name = g.Impresoras.value(k);
            const bool here = installed.contains(name);
            if (!here) ++problems;
            say(QStringLiteral("  %1 %2: %3")
                    .arg(k)
                    .arg(name,
                         here ? QStringLiteral("instalada") : QStringLiteral("NO está instalada en este equipo")));
        }
        const ResultSet jobs =
            g.Cn->query(QStringLiteral("SELECT PParg3, PPOrd, PPCod FROM PendGar WHERE PPPend = 0 AND "
                                       "PPFecha = '%1' AND PPArg1 = '%2' Order By PPOrd")
                            .arg(sql::escaped(day.FechaTpv))
                            .arg(g.tpv));
        say(QStringLiteral("Trabajos pendientes del terminal %1: %2").arg(g.tpv).arg(jobs.rows.size()));
        for (const auto &row : jobs.rows)
            say(QStringLiteral("  %1 %2 (trabajo %3)")
                    .arg(row[2].toText().trimmed(), row[0].toText().trimmed(), row[1].toText()));
        problems += sayOwnTables(*g.Cn, g.tpv);
        sayProbeIndex(*g.Cn);
    } catch (const TpvError &e) {
        complain(QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()));
        return 1;
    }
    return problems ? 3 : 0;
}

}  // namespace

int main(int argc, char **argv) {
    qInstallMessageHandler(qtMessageToLog);
    // The printers of CUPS are read through Qt, which needs no display here.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString dataDir = qEnvironmentVariable("TPV_DATA_DIR");
    if (dataDir.isEmpty()) dataDir = defaultDataDir();
    QString printersDir = qEnvironmentVariable("TPV_PRINTERS_DIR");
    while (args.size() >= 2 && args[0].startsWith(QLatin1String("--"))) {
        if (args[0] == QLatin1String("--data-dir")) {
            dataDir = args[1];
        } else if (args[0] == QLatin1String("--printers")) {
            printersDir = args[1];
        } else {
            break;
        }
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        complain(usage());
        return 2;
    }
    const QString command = args.takeFirst();
    try {
        if (command == QLatin1String("mostrar") && args.isEmpty()) {
            for (const QString &line : describeSettings(dataDir)) say(line);
            return 0;
        }
        if (command == QLatin1String("poner")) return poner(dataDir, args);
        if (command == QLatin1String("probar") && args.isEmpty()) return probar(dataDir, printersDir);
        if (command == QLatin1String("preparar") && (args.isEmpty() || args == QStringList{QStringLiteral("--sql")}))
            return preparar(dataDir, !args.isEmpty());
        if (command == QLatin1String("pantalla") && args.size() == 1) {
            QString error;
            const QStringList said = setUpScreen(dataDir, args[0], &error);
            for (const QString &line : said) say(line);
            if (said.isEmpty()) complain(error);
            return said.isEmpty() ? 1 : 0;
        }
        if (command == QLatin1String("importar") && (args.size() == 1 || args.size() == 2)) {
            QStringList warnings;
            importAccessFiles(dataDir, args[0], args.value(1), &warnings);
            for (const QString &w : warnings) complain(QStringLiteral("Aviso: ") + w);
            for (const QString &line : describeSettings(dataDir)) say(line);
            return 0;
        }
    } catch (const TpvError &e) {
        complain(e.description());
        return 1;
    }
    complain(usage());
    return 2;
}
