#pragma once
// The main window frmPpal as the procedures see it: the shared settings and
// connections, the window-level state, the controls (as models, see
// platform/Controls.h) and the services of the platform. Every subsystem's
// procedures take it, so code and behaviour can be read side by side.
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/DataControl.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/PollTimer.h"
#include "platform/Printers.h"
#include "platform/SqlConnection.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

namespace tpv {

// Settings and connections shared by every part of the program.
struct Global {
    QString Ip, CatalogoIni, Id, PasW;
    int16_t Tiempo = 0;
    bool Raport = false;
    int16_t tpv = 0;
    int16_t lineaspie = 0;

    std::unique_ptr<Connection> Cn, Cn2, Cn3, Cn4;
    Recordset Rs, Rs2, Rs3, Rs4;

    QStringList Impresoras;   // entry 0 is "Ninguna"
    int16_t NumImpresoras = 0;
};

// A server connection in use. One that start-up could not open is error 91
// for whoever needs it (a reprint button pressed after a failed start-up, a
// poll after a partial one), never a crash.
Connection &conn(const std::unique_ptr<Connection> &cn);

// The printer panel's controls.
struct PrinterPanel {
    ValueList cboPrinters{true};
    Label lblDriverName, lblPort;
    TextField txtWidth, txtHeight;
    ValueList cboPaperSize, cboOrientation, cboColorMode;
    TextField txtCopies;
    ValueList cboDuplex, cboPaperBin, cboPrintQuality;
    TextField txtScaleLeft, txtScaleTop, txtScaleWidth, txtScaleHeight, txtZoom;
    CheckBox chkTrackDefault{QStringLiteral("&Arrastre predeterminado")};
    Frame frame;
};

// Raised by "End": the program stops at once with this exit status.
struct ProgramEnded {
    int exitCode;
};

class FrmPpal {
public:
    FrmPpal(Dialogs &dialogs, PrinterLayer &printers, Clock &clock, ConnectionOptions dbOptions);
    FrmPpal(const FrmPpal &) = delete;
    FrmPpal &operator=(const FrmPpal &) = delete;

    Global g;

    // Window state.
    QString Caption;
    QString FechaTpv, NombreTpv;
    bool ReimprimirTodo = false;
    // Set when a tick lost the server: the next tick opens the connections anew.
    bool reconnectServer = false;

    // Controls.
    Label lbServidor{QStringLiteral("...")};
    Label lbCatalogo{QStringLiteral("...")};
    Label lbLineasCaption{QStringLiteral("Numero de líneas en blanco despúes de cada envio :")};
    TextField lineasp;
    Label lbEstado;   // what went wrong last, for the operator
    ListBox lstPend, lstReal, lstFech, lstComa, lstNumeTPV;
    Frame FraListas, FraPre;
    Label lbElegir{QStringLiteral("Elegir opción de Re-Impresión :")};
    PrinterPanel panel;

    // Services.
    Dialogs &dialogs;
    PrinterLayer &printers;
    Clock &clock;
    PollTimer T;
    DataControl C;
    const ConnectionOptions dbOptions;

    // The configuration file and the work file, as the settings name them.
    static QString confConnectionString();
    static QString workConnectionString();
    QString serverConnectionString() const;

    // Clears the DataChanged mark of every control that has one.
    void clearAllDataChanged();

    // "End": stops the program now (throws ProgramEnded).
    [[noreturn]] void endProgram(int exitCode);

    // Reports a failure the operator must see: on the window's status line
    // and on standard error. Each distinct text is written to standard error
    // once until a different one comes, so a failing poll does not flood it.
    void report(const QString &text);
    void clearReport();
    // How many reports were made so far: a tick clears the status line only
    // when it made none.
    int reportCount() const { return reportCount_; }

    // Shows an error that no procedure handles, as the platform's default
    // handling would: its number and description.
    void showUnhandled(const class TpvError &e);

    static QString appTitle() { return QStringLiteral("Lector TPV_Garnet"); }

private:
    QString lastReported_;
    int reportCount_ = 0;
};

}  // namespace tpv
