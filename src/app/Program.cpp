#include "app/Program.h"

#include "app/FrmPpal.h"
#include "app/Lifecycle.h"
#include "config/Config.h"
#include "font/TicketFont.h"
#include "platform/Console.h"
#include "platform/CupsPrinters.h"
#include "platform/Environment.h"
#include "platform/Error.h"
#include "platform/QtDialogs.h"
#include "platform/QtMainWindow.h"
#include "printer/PrinterPanel.h"
#include "queue/Queue.h"
#include "reprint/ReprintControls.h"

#include <QApplication>
#include <QHash>
#include <QTimer>
#include <atomic>
#include <csignal>

namespace tpv {

namespace {

std::atomic<bool> gStopRequested{false};
void onStopSignal(int) { gStopRequested = true; }

bool hasDisplay() {
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

}  // namespace

MainWindowActions windowActions(FrmPpal &f, std::function<void(const std::function<void()> &)> run,
                                std::function<bool()> closeRequested) {
    MainWindowActions a;
    a.run = std::move(run);
    a.upClick = [&f] { UpDown1_UpClick(f); };
    a.downClick = [&f] { UpDown1_DownClick(f); };
    a.fontMenu = [&f] { tl_Click(f); };
    a.makeCurrent = [&f] { cmdMakeCurrent_Click(f); };
    a.set = [&f] { cmdSet_Click(f); };
    a.volver = [&f] { cmdVolver_Click(f); };
    a.todo = [&f] { cmdTodo_Click(f); };
    a.ultimo = [&f] { cmdUltimo_Click(f); };
    a.cancelar = [&f] { cmdCancelar_Click(f); };
    a.closeRequested = std::move(closeRequested);
    return a;
}

int runProgram(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QString error;
    auto cl = parseCommandLine(args, &error);
    if (!cl) {
        writeErrorLine(error);
        writeErrorLine(commandLineUsage());
        return 2;
    }
    if (cl->help) {
        writeErrorLine(commandLineUsage());
        return 0;
    }
    if (!cl->headless && !hasDisplay()) {
        writeErrorLine(QStringLiteral("No hay pantalla: se funciona sin ventana (--headless)."));
        cl->headless = true;
    }
    if (cl->headless && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lector-tpv"));
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<PrinterLayer> printers;
    if (!cl->printersDir.isEmpty()) printers = std::make_unique<FolderPrinters>(cl->printersDir);
    else printers = std::make_unique<CupsPrinters>();

    HeadlessDialogs headlessDialogs;
    QtDialogs qtDialogs;
    Dialogs &dialogs = cl->headless ? static_cast<Dialogs &>(headlessDialogs) : qtDialogs;
    SystemClock clock;
    ConnectionOptions dbOptions;
    dbOptions.dataDir = cl->dataDir;
    FrmPpal f(dialogs, *printers, clock, dbOptions);
    InstanceLock lock(cl->dataDir);

    int exitCode = 0;
    bool ending = false;
    auto endWith = [&](int code) {
        exitCode = code;
        ending = true;
        app.exit(code);
    };
    // Runs one operator or timer action; what no procedure handles is shown
    // as the platform would show it, and "End" ends the program.
    auto run = [&](const std::function<void()> &action) {
        try {
            action();
        } catch (const ProgramEnded &e) {
            endWith(e.exitCode);
        } catch (const TpvError &e) {
            f.showUnhandled(e);
        }
    };
    auto shutdown = [&] {
        if (ending) return true;
        bool close = false;
        run([&] { close = Form_Unload(f); });
        if (close) endWith(0);
        return close;
    };

    int ticks = 0;
    QStringList shownDone;
    f.T.setTick([&] {
        run([&] { T_TimerSafe(f); });
        // Headless, the operator's lists are echoed as they change: every job
        // that reaches the done list once, with what is still pending.
        if (cl->headless) {
            const QStringList done = f.lstReal.texts().mid(1);
            const QStringList pending = f.lstPend.texts().mid(1);
            // Newest first in the list: walk it backwards to print in order.
            QHash<QString, int> before;
            for (const QString &entry : shownDone) ++before[entry];
            QHash<QString, int> seen;
            for (auto it = done.crbegin(); it != done.crend(); ++it)
                if (++seen[*it] > before.value(*it)) writeErrorLine(QStringLiteral("REALIZADO: ") + *it);
            if (done != shownDone && !pending.isEmpty()) writeErrorLine(QStringLiteral("PENDIENTES: ") + pending.join(QStringLiteral("; ")));
            shownDone = done;
        }
        if (cl->ticks > 0 && ++ticks == cl->ticks) QTimer::singleShot(0, &app, [&] { shutdown(); });
    });
    connectReprintControls(f);

    std::unique_ptr<QtMainWindow> window;
    try {
        Form_Load(f, lock);
    } catch (const ProgramEnded &e) {
        return e.exitCode;
    }
    if (cl->headless && !f.T.isActive()) {
        writeErrorLine(QStringLiteral("El sondeo de la cola no ha podido arrancar; el programa termina."));
        return 1;
    }
    if (!cl->headless) {
        window = std::make_unique<QtMainWindow>(f, windowActions(f, run, shutdown));
        qtDialogs.setParent(window.get());
        window->show();
    } else {
        writeErrorLine(QStringLiteral("Lector TPV en marcha sin ventana. Datos: %1").arg(cl->dataDir));
        if (!cl->printersDir.isEmpty())
            writeErrorLine(QStringLiteral("Los tickets se escriben en las carpetas de %1").arg(cl->printersDir));
    }
    try {
        Form_Activate(f);
    } catch (const ProgramEnded &e) {
        return e.exitCode;
    }

    std::signal(SIGTERM, onStopSignal);
    std::signal(SIGINT, onStopSignal);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &app, [&] {
        if (!gStopRequested) return;
        gStopRequested = false;
        // A signal is a request to close: headless it is answered OK.
        if (cl->headless) shutdown();
        else if (window) window->close();
    });
    stopWatch.start(200);

    if (ending) return exitCode;
    const int rc = app.exec();
    return ending ? exitCode : rc;
}

}  // namespace tpv
