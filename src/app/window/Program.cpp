#include "app/window/Program.h"

#include "app/FrmPpal.h"
#include "app/Lifecycle.h"
#include "app/window/StopSignals.h"
#include "platform/Console.h"
#include "platform/Environment.h"
#include "platform/Error.h"
#include "platform/gui/CupsPrinters.h"
#include "platform/gui/QtDialogs.h"

#include <QApplication>
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
    explicit Platform(const CommandLine &cl) : headless(cl.headless) {
        if (!cl.printersDir.isEmpty()) printers = std::make_unique<FolderPrinters>(cl.printersDir);
        else printers = std::make_unique<CupsPrinters>();
        setFolderPreview(&writePdfPreview);
    }
    Dialogs &dialogs() { return headless ? static_cast<Dialogs &>(headlessDialogs) : qtDialogs; }

    bool headless;
    std::unique_ptr<PrinterLayer> printers;
    HeadlessDialogs headlessDialogs;
    QtDialogs qtDialogs;
    SystemClock clock;
};

// Headless, the operator's lists are echoed as they change: every job that
// reaches the done list once, with what is still pending.
class ListEcho {
public:
    void operator()(const FrmPpal &f) {
        const QStringList done = f.lstReal.texts().mid(1);
        // The same done list as last time has nothing new to echo: counting
        // its entries again would only find the counts already shown.
        if (done == shownDone_) return;
        const QStringList pending = f.lstPend.texts().mid(1);
        QHash<QString, int> before;
        for (const QString &entry : shownDone_) ++before[entry];
        QHash<QString, int> seen;
        // Newest first in the list: walk it backwards to print in order.
        for (auto it = done.crbegin(); it != done.crend(); ++it)
            if (++seen[*it] > before.value(*it)) writeErrorLine(QStringLiteral("REALIZADO: ") + *it);
        if (done != shownDone_ && !pending.isEmpty())
            writeErrorLine(QStringLiteral("PENDIENTES: ") + pending.join(QStringLiteral("; ")));
        shownDone_ = done;
    }

private:
    QStringList shownDone_;
};

// One run of the program on its window state: the event wiring between the
// message loop, the poll timer, the window and the procedures.
class Session {
public:
    Session(QApplication &app, const CommandLine &cl, Platform &platform)
        : app_(app), cl_(cl), platform_(platform) {
        ConnectionOptions dbOptions;
        dbOptions.dataDir = cl.dataDir;
        f_ = std::make_unique<FrmPpal>(platform.dialogs(), *platform.printers, platform.clock, dbOptions);
    }

    int exec();

private:
    // Runs one operator or timer action; what no procedure handles is shown
    // as the platform would show it, and "End" ends the program.
    void run(const std::function<void()> &action) {
        try {
            action();
        } catch (const ProgramEnded &e) {
            endWith(e.exitCode);
        } catch (const TpvError &e) {
            f_->showUnhandled(e);
        }
    }
    void endWith(int code) {
        exitCode_ = code;
        ending_ = true;
        f_->T.stopForGood();
        app_.exit(code);
    }
    // Closing: the shutdown question; true when the program ends.
    bool shutdown() {
        if (ending_) return true;
        bool close = false;
        run([&] { close = Form_Unload(*f_); });
        if (close) endWith(0);
        return close;
    }
    void wireTimer();
    void showWindowOrSayWhereTicketsGo();

    QApplication &app_;
    const CommandLine &cl_;
    Platform &platform_;
    std::unique_ptr<FrmPpal> f_;
    std::unique_ptr<QtMainWindow> window_;
    ListEcho echo_;
    int ticks_ = 0;
    int exitCode_ = 0;
    bool ending_ = false;
};

void Session::wireTimer() {
    f_->T.setTick([this] {
        run([this] { f_->tick(); });
        if (cl_.headless) echo_(*f_);
        if (cl_.ticks > 0 && ++ticks_ == cl_.ticks) QTimer::singleShot(0, &app_, [this] { shutdown(); });
    });
    connectReprintControls(f_->reprint());
}

void Session::showWindowOrSayWhereTicketsGo() {
    if (!cl_.headless) {
        window_ = std::make_unique<QtMainWindow>(*f_, windowActions(*f_, [this](const auto &a) { run(a); },
                                                                    [this] { return shutdown(); }));
        platform_.qtDialogs.setParent(window_.get());
        window_->show();
        return;
    }
    writeErrorLine(QStringLiteral("Lector TPV en marcha sin ventana. Datos: %1").arg(cl_.dataDir));
    if (!cl_.printersDir.isEmpty())
        writeErrorLine(QStringLiteral("Los tickets se escriben en las carpetas de %1").arg(cl_.printersDir));
}

int Session::exec() {
    InstanceLock lock(cl_.dataDir);
    wireTimer();
    try {
        Form_Load(*f_, lock);
        if (cl_.headless && !f_->T.isActive()) {
            writeErrorLine(QStringLiteral("El sondeo de la cola no ha podido arrancar; el programa termina."));
            return 1;
        }
        showWindowOrSayWhereTicketsGo();
        Form_Activate(*f_);
    } catch (const ProgramEnded &e) {
        return e.exitCode;
    }
    // A signal is a request to close: headless it is answered OK.
    StopSignals stop([this] {
        if (cl_.headless) shutdown();
        else if (window_) window_->close();
    });
    if (ending_) return exitCode_;
    const int rc = app_.exec();
    return ending_ ? exitCode_ : rc;
}

}  // namespace

MainWindowActions windowActions(FrmPpal &f, std::function<void(const std::function<void()> &)> run,
                                std::function<bool()> closeRequested) {
    MainWindowActions a;
    a.run = std::move(run);
    a.upClick = [&f] { UpDown1_UpClick(f.g, f.lineasp); };
    a.downClick = [&f] { UpDown1_DownClick(f.g, f.lineasp); };
    a.fontMenu = [&f] {
        FontContext c = f.font();
        tl_Click(c);
    };
    a.makeCurrent = [&f] {
        PanelContext c = f.printerPanel();
        cmdMakeCurrent_Click(c);
    };
    a.set = [&f] {
        PanelContext c = f.printerPanel();
        cmdSet_Click(c);
    };
    auto reprint = [&f](void (*procedure)(const ReprintContext &)) {
        return [&f, procedure] {
            ReprintContext c = f.reprint();
            procedure(c);
        };
    };
    a.volver = reprint(&cmdVolver_Click);
    a.todo = reprint(&cmdTodo_Click);
    a.ultimo = reprint(&cmdUltimo_Click);
    a.cancelar = reprint(&cmdCancelar_Click);
    a.closeRequested = std::move(closeRequested);
    return a;
}

int runProgram(int argc, char **argv) {
    int exitCode = 0;
    const auto cl = readCommandLine(argc, argv, &exitCode);
    if (!cl) return exitCode;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lector-tpv"));
    QApplication::setQuitOnLastWindowClosed(false);
    Platform platform(*cl);
    Session session(app, *cl, platform);
    return session.exec();
}

}  // namespace tpv
