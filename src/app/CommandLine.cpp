#include "app/CommandLine.h"

#include "platform/DataFolder.h"

#include <QDir>
#include <QProcessEnvironment>

namespace tpv {

QString commandLineUsage() {
    return QStringLiteral(
        "Uso: lector-tpv [--data-dir CARPETA] [--printers CARPETA] [--headless] [--ticks N]\n"
        "                [--http DIRECCIÓN:PUERTO [--http-clave ARCHIVO]] [--eco-listas]\n"
        "     lector-tpv --probar-impresora NOMBRE [--data-dir CARPETA] [--printers CARPETA]\n"
        "  --data-dir CARPETA  carpeta de ConfGarnet.mdb y wdbServer.mdb (o TPV_DATA_DIR)\n"
        "  --printers CARPETA  impresoras de carpeta en lugar de CUPS (o TPV_PRINTERS_DIR)\n"
        "  --headless          sin ventana: los mensajes van a la salida de error\n"
        "  --ticks N           termina tras el sondeo número N\n"
        "  --http DIRECCIÓN:PUERTO  métricas (/metrics), salud (/salud) y página de estado (/) por HTTP\n"
        "                      (o TPV_HTTP), por ejemplo 127.0.0.1:9580\n"
        "  --http-clave ARCHIVO  clave que las peticiones HTTP deben llevar (Authorization: Bearer CLAVE;\n"
        "                      o TPV_HTTP_CLAVE); obligatoria si la dirección no es local\n"
        "  --eco-listas        sin ventana, copia al registro las listas de trabajos\n"
        "  --probar-impresora NOMBRE  imprime un ticket de prueba en esa impresora y dice si lo ha recibido\n");
}

std::optional<CommandLine> parseCommandLine(const QStringList &args, QString *error) {
    CommandLine cl;
    const auto env = QProcessEnvironment::systemEnvironment();
    cl.printersDir = env.value(QStringLiteral("TPV_PRINTERS_DIR"));
    cl.http = env.value(QStringLiteral("TPV_HTTP"));
    cl.httpTokenFile = env.value(QStringLiteral("TPV_HTTP_CLAVE"));
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](const QString &name) -> std::optional<QString> {
            if (a.startsWith(name + QLatin1Char('='))) return a.mid(name.size() + 1);
            if (a == name && i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        if (a == QLatin1String("--headless")) {
            cl.headless = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cl.help = true;
        } else if (a.startsWith(QLatin1String("--data-dir"))) {
            auto v = value(QStringLiteral("--data-dir"));
            if (!v || v->isEmpty()) {
                *error = QStringLiteral("Falta la carpeta tras --data-dir");
                return std::nullopt;
            }
            cl.dataDir = *v;
        } else if (a.startsWith(QLatin1String("--printers"))) {
            auto v = value(QStringLiteral("--printers"));
            if (!v || v->isEmpty()) {
                *error = QStringLiteral("Falta la carpeta tras --printers");
                return std::nullopt;
            }
            cl.printersDir = *v;
        } else if (a == QLatin1String("--eco-listas")) {
            cl.echoLists = true;
        } else if (a.startsWith(QLatin1String("--http-clave"))) {
            auto v = value(QStringLiteral("--http-clave"));
            if (!v || v->isEmpty()) {
                *error = QStringLiteral("Falta el archivo de la clave tras --http-clave");
                return std::nullopt;
            }
            cl.httpTokenFile = *v;
        } else if (a.startsWith(QLatin1String("--http"))) {
            auto v = value(QStringLiteral("--http"));
            if (!v || v->isEmpty()) {
                *error = QStringLiteral("Falta DIRECCIÓN:PUERTO tras --http (por ejemplo 127.0.0.1:9580)");
                return std::nullopt;
            }
            cl.http = *v;
        } else if (a.startsWith(QLatin1String("--probar-impresora"))) {
            auto v = value(QStringLiteral("--probar-impresora"));
            if (!v || v->isEmpty()) {
                *error = QStringLiteral("Falta el nombre de la impresora tras --probar-impresora");
                return std::nullopt;
            }
            cl.testPrinter = *v;
        } else if (a.startsWith(QLatin1String("--ticks"))) {
            auto v = value(QStringLiteral("--ticks"));
            bool ok = false;
            const int n = v ? v->toInt(&ok) : 0;
            if (!ok || n < 1) {
                *error = QStringLiteral("--ticks necesita un número entero mayor que 0");
                return std::nullopt;
            }
            cl.ticks = n;
        } else {
            *error = QStringLiteral("Opción desconocida: ") + a;
            return std::nullopt;
        }
    }
    if (cl.dataDir.isEmpty()) cl.dataDir = defaultDataDir();
    cl.dataDir = QDir(cl.dataDir).absolutePath();
    if (!cl.printersDir.isEmpty()) cl.printersDir = QDir(cl.printersDir).absolutePath();
    return cl;
}

}  // namespace tpv
