// tpv-servidor-tds: the project's small TDS server on 127.0.0.1, to try the
// print server's SQL Server path by hand (with TDSDUMP, say).
//   tpv-servidor-tds --base FILE.db [--puerto N] [--catalogo Garnet]
//                    [--usuario tesmarin] [--idioma us_english]
// The password is read from TPV_TDS_CLAVE (default KOVU7).
#include "tds/TdsServer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    tpv::tds::ServerSettings s;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString &k = args[i], &v = args[i + 1];
        if (k == QLatin1String("--base"))
            s.databaseFile = v;
        else if (k == QLatin1String("--puerto"))
            s.port = static_cast<uint16_t>(v.toUInt());
        else if (k == QLatin1String("--catalogo"))
            s.catalog = v;
        else if (k == QLatin1String("--usuario"))
            s.user = v;
        else if (k == QLatin1String("--idioma"))
            s.loginLanguage = v;
        else {
            std::fprintf(stderr, "Opción desconocida: %s\n", qPrintable(k));
            return 2;
        }
    }
    if (qEnvironmentVariableIsSet("TPV_TDS_CLAVE")) s.password = qEnvironmentVariable("TPV_TDS_CLAVE");
    if (!QFileInfo(s.databaseFile).isFile()) {
        std::fprintf(stderr, "Falta --base con un archivo SQLite que exista\n");
        return 2;
    }
    tpv::tds::Server server(s);
    if (!server.start()) {
        std::fprintf(stderr, "No se puede escuchar: %s\n", qPrintable(server.error()));
        return 1;
    }
    std::printf("escuchando en 127.0.0.1:%u\n", server.port());
    std::fflush(stdout);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    int sig = 0;
    sigwait(&set, &sig);
    server.stop();
    return 0;
}
