// The lector-tpv program itself, started as a process on a prepared folder.
#include "support/TestSupport.h"

#include "sql/SqlConnection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstring>

using namespace tpv;
using namespace tpv::test;

namespace {

class Program : public ServerTest {
protected:
    QStringList args(QStringList extra) const {
        return QStringList{QStringLiteral("--data-dir"), dataDir, QStringLiteral("--printers"), printersDir,
                           QStringLiteral("--headless")} +
               extra;
    }
    // Runs the program to its end; returns its exit status and standard error.
    std::pair<int, QString> run(const QStringList &extra, int timeoutMs = 30000) const {
        QProcess p;
        p.start(QStringLiteral(TPV_PROGRAM), args(extra));
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return {-999, QStringLiteral("no terminó")};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardError())};
    }
};

}  // namespace

TEST_F(Program, OneTickOnAPreparedFolderEndsNormallyWithEmptyWorkTables) {
    demo::addOrder(*server, 1, fecha, 3, 2, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}}}, {});
    const auto [code, err] = run({QStringLiteral("--ticks"), QStringLiteral("1")});
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    auto work = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
    for (const char *t : {"cargosr", "Tic", "TicImp", "Til", "TilImp", "Tilm", "TilmImp"})
        EXPECT_EQ(
            work->query(QStringLiteral("SELECT count(*) FROM %1").arg(QString::fromLatin1(t))).rows[0][0].toInt32(), 0)
            << t;
}

TEST_F(Program, MissingConfigurationFileSaysSoAndExitsWithAnError) {
    QFile::remove(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")));
    const auto [code, err] = run({QStringLiteral("--ticks"), QStringLiteral("1")});
    EXPECT_NE(code, 0);
    EXPECT_TRUE(err.contains(
        QStringLiteral("[Tesmarin-Garnet] No existe la Base de Datos ConfGarnet, La aplicación no puede continuar ")))
        << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb"))));
    // It says which file is missing and how to make a data folder.
    EXPECT_TRUE(
        err.contains(QStringLiteral("Falta el archivo ") + QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb"))))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("tpv-demo --data-dir"))) << err.toStdString();
}

TEST_F(Program, UnreachableServerEndsAHeadlessStartWithAnErrorAndDoesNotHang) {
    openSqliteFile(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")))
        ->execute(QStringLiteral("UPDATE Confi SET Ip = '127.0.0.1,1'"));
    QElapsedTimer t;
    t.start();
    const auto [code, err] = run({});
    EXPECT_NE(code, 0);
    EXPECT_TRUE(err.contains(QStringLiteral("-2147467259"))) << err.toStdString();
    EXPECT_LT(t.elapsed(), 20000);
}

TEST_F(Program, SecondInstanceIsRefusedAndTheFirstEndsNormallyOnTerm) {
    QProcess first;
    first.start(QStringLiteral(TPV_PROGRAM), args({}));
    ASSERT_TRUE(first.waitForStarted());
    QElapsedTimer t;
    t.start();
    QByteArray err1;
    while (!err1.contains("en marcha") && t.elapsed() < 20000) {
        first.waitForReadyRead(200);
        err1 += first.readAllStandardError();
    }
    ASSERT_TRUE(err1.contains("en marcha")) << err1.toStdString();
    const auto [code, err] = run({QStringLiteral("--ticks"), QStringLiteral("1")});
    EXPECT_NE(code, 0);
    EXPECT_TRUE(err.contains(QStringLiteral("El programa ya se está Ejecutando"))) << err.toStdString();
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
}

TEST_F(Program, MalformedCommandLineIsRefusedWithUsage) {
    const auto [code, err] = run({QStringLiteral("--ticks"), QStringLiteral("cero")});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.contains(QStringLiteral("Uso: lector-tpv"))) << err.toStdString();
}

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

TEST_F(Program, UnderAServiceManagerItSaysReadyPingsTheWatchdogAndLogsWithPriorities) {
    demo::addOrder(*server, 1, fecha, 3, 2, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}}}, {});
    const QString sockPath = tmp.filePath(QStringLiteral("notify.sock"));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray p = sockPath.toLocal8Bit();
    ASSERT_LT(static_cast<size_t>(p.size()), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, p.constData(), static_cast<size_t>(p.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NOTIFY_SOCKET"), sockPath);
    env.insert(QStringLiteral("JOURNAL_STREAM"), QStringLiteral("8:1234"));
    proc.setProcessEnvironment(env);
    proc.start(QStringLiteral(TPV_PROGRAM), args({QStringLiteral("--ticks"), QStringLiteral("2")}));
    ASSERT_TRUE(proc.waitForFinished(30000));
    const QString err = QString::fromUtf8(proc.readAllStandardError());
    EXPECT_EQ(proc.exitCode(), 0) << err.toStdString();
    QStringList said;
    char buf[512];
    for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;)
        said << QString::fromUtf8(buf, static_cast<int>(n));
    ::close(fd);
    EXPECT_TRUE(said.contains(QStringLiteral("READY=1"))) << said.join(QLatin1Char('|')).toStdString();
    EXPECT_GE(said.count(QStringLiteral("WATCHDOG=1")), 2);
    EXPECT_TRUE(said.contains(QStringLiteral("STOPPING=1")));
    EXPECT_TRUE(err.contains(QStringLiteral("<6>Ticket enviado: trabajo 1, comanda 3, impresora Barra, ")))
        << err.toStdString();
    // Every line of the log carries its priority for the journal.
    for (const QString &line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith(QLatin1Char('<'))) << line.toStdString();
}
