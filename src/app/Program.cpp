#include "app/Program.h"

#include "app/PrintServer.h"
#include "app/PrinterTrialCommand.h"
#include "app/StopSignals.h"
#include "platform/Console.h"
#include "app/CommandLine.h"
#include "compat/Error.h"
#include "platform/Log.h"
#include "platform/ServiceNotify.h"
#include "platform/Version.h"
#include "app/Monitoring.h"
#include "app/Screens.h"
#include "platform/Waiting.h"
#include "ui/qt/WindowSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTimer>

namespace tpv {

namespace {

bool hasDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

// The command line, or the exit status when the program ends right here
// (a malformed line, --help).
std::optional<CommandLine> readCommandLine(int argc, char **argv, int *exitCode) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QString error;
    auto cl = parseCommandLine(args, &error);
    if (!cl || cl->help) {
        if (!cl) writeErrorLine(error);
        writeErrorLine(commandLineUsage());
        *exitCode = cl ? 0 : 2;
        return std::nullopt;
    }
    // A printer test opens no window.
    if (!cl->testPrinter.isEmpty()) cl->headless = true;
    if (!cl->headless && !hasDisplay()) {
        writeErrorLine(QStringLiteral("No hay pantalla: se funciona sin ventana (--headless)."));
        cl->headless = true;
    }
    if (cl->headless && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return cl;
}

// The outside world the program runs on: the printers, the message boxes
// (Qt's or the headless ones), the clock.
struct Platform {
    explicit Platform(const CommandLine &cl) : headless(cl.headless), printers(programPrinters(cl, &screens)) {}
    Dialogs &dialogs() { return headless ? static_cast<Dialogs &>(headlessDialogs) : windows.dialogs(); }

    bool headless;
    std::shared_ptr<ScreenHub> screens;  // the kitchen screens' (null: none)
    std::unique_ptr<PrinterLayer> printers;
    HeadlessDialogs headlessDialogs;
    WindowSystem windows;
    SystemClock clock;
};

// A data folder without its two files cannot start: say which one is
// missing and how to make a data folder, before start-up says it cannot go on.
void explainMissingDataFiles(const QString &dataDir) {
    for (const char *name : {"ConfGarnet.mdb", "wdbServer.mdb"}) {
        const QString path = QDir(dataDir).filePath(QString::fromLatin1(name));
        if (QFileInfo::exists(path)) continue;
        logLine(LogPriority::Error,
                QStringLiteral("Falta el archivo %1. Copie en %2 los archivos ConfGarnet.mdb y wdbServer.mdb de la "
                               "instalación, o prepare una carpeta de datos de prueba con: tpv-demo --data-dir %2 "
                               "--printers CARPETA")
                    .arg(path, dataDir));
    }
}

// One run of the program: the print server on the platform, with the steps
// the service adds after every tick, the window or the headless log, and
// the message loop.
class Session {
public:
    Session(QCoreApplication &app, const CommandLine &cl, Platform &platform)
        : app_(app),
          cl_(cl),
          platform_(platform),
          server_(PrintServer::Options{cl.dataDir, 5}, platform.dialogs(), *platform.printers, platform.clock),
          monitoring_(server_, QString::fromLatin1(kVersion)),
          screens_(server_, platform.screens) {
        // The PC that printed before showed and marked cards this one has not seen.
        server_.onTurnTaken([this] { screens_.reload(); });
        server_.onEnd = [this](int code) {
            notify_.stopping();
            app_.exit(code);
        };
    }

    int exec();

private:
    void addAfterTickSteps();
    void showWindow();
    // The start line: version, data folder, order database, printers, and
    // where the monitoring answers.
    QString startText();
    // Headless, the end the program answers by itself (--ticks, a signal)
    // writes no question to the log.
    void quietShutdown();

    QCoreApplication &app_;
    const CommandLine &cl_;
    Platform &platform_;
    PrintServer server_;
    Monitoring monitoring_;
    Screens screens_;
    ServiceNotify notify_;
    QTimer keepAlive_;
    int ticks_ = 0;
};

void Session::addAfterTickSteps() {
    server_.afterTick([this] { notify_.watchdog(); });
    if (cl_.headless) server_.afterTick([this] { platform_.headlessDialogs.endOfTick(); });
    if (cl_.headless && cl_.echoLists) server_.afterTick(listEchoStep(server_.form()));
    if (cl_.ticks > 0) {
        server_.afterTick([this] {
            if (++ticks_ == cl_.ticks) QTimer::singleShot(0, &app_, [this] { quietShutdown(); });
        });
    }
}

void Session::quietShutdown() {
    platform_.headlessDialogs.setEcho(false);
    if (!server_.shutdown()) platform_.headlessDialogs.setEcho(true);
}

void Session::showWindow() {
    FrmPpal &f = server_.form();
    platform_.windows.setClock(&platform_.clock);
    // While a tick or a look waits on a printer, the window repaints and
    // takes clicks; what the clicks ask for waits for the tick.
    waiting::setHook([] { QCoreApplication::processEvents(QEventLoop::AllEvents, waiting::kSliceMs / 2); });
    platform_.windows.open(f, windowActions(
                                  f, [this](const auto &a) { server_.runWhenIdle(a); },
                                  [this] { return server_.closeRequested(); }));
}

QString Session::startText() {
    const FrmPpal &f = server_.form();
    QStringList printers;
    for (int i = 0; i < f.printers.count(); ++i) printers << f.printers.installed(i).name();
    QString text = serviceStartText(QString::fromLatin1(kVersion), cl_.dataDir, serverDescription(f.g), printers);
    if (!cl_.printersDir.isEmpty()) text += QStringLiteral(" (carpetas de %1)").arg(cl_.printersDir);
    if (cl_.headless) text += QStringLiteral("; sin ventana");
    if (Turn *turn = server_.turn(); turn && turn->state().role == TurnRole::Active)
        text += QStringLiteral("; imprime este PC");
    if (const quint16 port = monitoring_.httpPort(); port != 0)
        text += QStringLiteral("; HTTP en %1:%2").arg(cl_.http.left(cl_.http.lastIndexOf(QLatin1Char(':')))).arg(port);
    return text;
}

int Session::exec() {
    FrmPpal &f = server_.form();
    // An address other than loopback is never served without a token.
    std::optional<HttpOptions> http;
    if (!cl_.http.isEmpty()) {
        QString error, warning;
        http = httpOptions(cl_.http, cl_.httpTokenFile, &error, &warning);
        if (!warning.isEmpty()) logLine(LogPriority::Warning, warning);
        if (!http) {
            logLine(LogPriority::Error, error);
            return 2;
        }
    }
    explainMissingDataFiles(cl_.dataDir);
    addAfterTickSteps();
    f.status.onReport = [this](const QString &text) { notify_.status(text); };
    if (!server_.load()) return server_.exitCode();
    screens_.start();
    if (const QString said = screensReachText(screens_.hub().get(), cl_.http, http && http->address.isLoopback());
        !said.isEmpty())
        logLine(LogPriority::Warning, said);
    if (cl_.headless && !f.T.isActive()) {
        writeErrorLine(QStringLiteral("El sondeo de la cola no ha podido arrancar; el programa termina."));
        return 1;
    }
    if (!cl_.headless) showWindow();
    if (!server_.activate()) return server_.exitCode();
    // A signal is a request to close: headless it is answered OK.
    StopSignals stop([this] {
        if (cl_.headless)
            quietShutdown();
        else
            platform_.windows.close();
    });
    if (server_.ending()) return server_.exitCode();
    monitoring_.monitor().publish();
    // Without its monitoring the kitchen still gets its tickets: a port that
    // cannot be used is said, and printing goes on.
    QString httpError;
    if (http && !monitoring_.serve(*http, &httpError, screens_.hub())) logLine(LogPriority::Error, httpError);
    logLine(LogPriority::Info, startText());
    if (f.T.isActive()) notify_.ready();
    notify_.status(QStringLiteral("Sondeando la cola de impresión"));
    // The service manager's watchdog hears from every tick, and between
    // ticks while the event loop turns (a long Tiempo, polling stopped by
    // Tiempo 0 or the reprint choice); a hung tick stops both.
    if (const qint64 ms = ServiceNotify::watchdogIntervalMs(); ms > 0) {
        QObject::connect(&keepAlive_, &QTimer::timeout, &keepAlive_, [this] { notify_.watchdog(); });
        keepAlive_.start(static_cast<int>(std::max<qint64>(1000, ms / 3)));
    }
    const int rc = app_.exec();
    waiting::setHook(nullptr);
    logLine(LogPriority::Info, serviceStopText());
    return server_.ending() ? server_.exitCode() : rc;
}

}  // namespace

// Qt's own warnings go to the log like the program's lines, but for the
// runtime folder it misses under a service manager, which it replaces by
// itself and nobody has to act on.
void qtMessageToLog(QtMsgType type, const QMessageLogContext &, const QString &text) {
    if (text.contains(QLatin1String("XDG_RUNTIME_DIR"))) return;
    logLine(type == QtDebugMsg || type == QtInfoMsg ? LogPriority::Info : LogPriority::Warning, text);
}

int runProgram(int argc, char **argv) {
    qInstallMessageHandler(qtMessageToLog);
    int exitCode = 0;
    const auto cl = readCommandLine(argc, argv, &exitCode);
    if (!cl) return exitCode;
    if (!cl->testPrinter.isEmpty()) return runPrinterTrial(argc, argv, *cl);
    const std::unique_ptr<QCoreApplication> app = windowApplication(argc, argv, !cl->headless);
    Platform platform(*cl);
    Session session(*app, *cl, platform);
    return session.exec();
}

}  // namespace tpv
