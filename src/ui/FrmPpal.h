#pragma once
// The main window frmPpal as the procedures see it: the Global module, the
// window-level state, the controls (as models, see platform/Controls.h) and
// the services of the platform. It hands each subsystem the narrow part it
// needs (the contexts below); nothing below app/ knows this class.
#include "kitchen/Config.h"
#include "ui/TicketFont.h"
#include "platform/Clock.h"
#include "compat/Controls.h"
#include "sql/DataControl.h"
#include "compat/Dialogs.h"
#include "platform/PollTimer.h"
#include "devices/Printers.h"
#include "kitchen/StatusReport.h"
#include "kitchen/BackupPrinters.h"
#include "ui/PanelOutput.h"
#include "kitchen/PrinterHealth.h"
#include "ui/PrinterPanel.h"
#include "kitchen/DeliveryJournal.h"
#include "kitchen/Turn.h"
#include "kitchen/PrintRun.h"
#include "kitchen/Queue.h"
#include "ui/ReprintControls.h"

#include <QString>
#include <memory>

namespace tpv {

class FrmPpal {
public:
    FrmPpal(Dialogs &dialogs, PrinterLayer &printers, Clock &clock, ConnectionOptions dbOptions,
            std::unique_ptr<TimerEngine> timer = std::make_unique<QtTimerEngine>());
    FrmPpal(const FrmPpal &) = delete;
    FrmPpal &operator=(const FrmPpal &) = delete;

    Global g;

    // Window state.
    QString Caption;
    BusinessDate day;
    QString &FechaTpv = day.FechaTpv;
    QString &NombreTpv = day.NombreTpv;
    bool ReimprimirTodo = false;
    bool reconnectServer = false;
    QSet<QString> unpollableReported;

    // Controls.
    Label lbServidor{QStringLiteral("...")};
    Label lbCatalogo{QStringLiteral("...")};
    Label blankLinesCaption{QStringLiteral("Numero de líneas en blanco despúes de cada envio :")};
    TextField lineasp;
    Label statusLine;  // what went wrong last, for the operator
    // Above the printer list: whether this PC prints the terminal, or which
    // PC does ("Activo desde 13:05:07", "En espera: imprime COCINA-1...").
    Label turnCaption;
    ListBox lstPend, lstReal, lstFech, lstComa, lstNumeTPV;
    // Under the job lists: each printer, its state and its last ticket
    // ("Cocina: Lista, último ticket 13:05:07"), refreshed after every tick.
    ListBox printerStates;
    Frame FraListas, FraPre;
    Label choiceCaption{QStringLiteral("Elegir opción de Re-Impresión :")};
    ReprintChoice choice;  // the job the reprint choice is open for
    PrinterPanel panel;

    // Services.
    Dialogs &dialogs;
    PrinterLayer &printers;
    Clock &clock;
    PollTimer T;
    DataControl C;
    StatusReport status{statusLine, clock};
    // Whether a tick reads the queue in full.
    QueueProbe probe{clock};
    // How each printer has fared, and which stands in for which.
    PrinterHealth health;
    // This process as the turn between the PCs of the terminal knows it, and
    // the turn, once start-up has read which terminal this PC serves (none
    // before).
    TurnIdentity identity;
    Turn *turn = nullptr;
    // What each printer has received of each order, shared by the PCs of
    // the terminal in the order database.
    DeliveryJournal journal;

    // The ticket output chain the print run sends through. From the printers
    // outward: the printer panel, the backup printers in front of it, then
    // what the composition puts in front (see PrintServer::addOutputStage).
    TicketOutput &output() { return *output_; }
    // The backup printers in front of the panel: the chain's inner end.
    TicketOutput &printerOutput() { return backupOutput_; }
    void setOutput(TicketOutput &front) { output_ = &front; }
    // The backup printers of impresoras.ini, as the chain holds them.
    const QHash<QString, BackupSetting> &backupSettings() const { return backupOutput_.settings(); }

    // The parts of the window each subsystem works on.
    JobLists lists();
    QueueContext queue();
    PrintContext printing();
    PanelContext printerPanel();
    ReprintContext reprint();
    FontContext font();
    ConfigLabels configLabels() { return {lbServidor, lbCatalogo}; }

    // The next tick reads the queue in full, whatever the probe finds (a
    // change of turn, anything this PC wrote that the queue does not show).
    void requestFullRead() { probe.requestFullRead(); }

    // One poll tick as the timer runs it. A tick that polled the queue and
    // met no printing failure tells the message boxes that printing works.
    void tick();
    // Whether the last tick polled the queue (the order database answered).
    bool polled = false;

    // Shows the turn's state above the printer list, and on the status line
    // while this PC stands by.
    void showTurn();
    // The fence of this PC's writes.
    Fence fence();
    // Why this PC does not print, for the operator (empty while it does).
    QString standbyText() const;

    // Fills printerStates from the printers' states; a printer whose state
    // changed is logged once ("La impresora Cocina: Sin papel").
    void showPrinterStates();

    // Clears the DataChanged mark of every control that has one.
    void clearAllDataChanged();

    // Shows an error that no procedure handles, as the platform's default
    // handling would: its number and description.
    void showUnhandled(const class TpvError &e);

private:
    // The message boxes as the print run sees them: counts the printing
    // failures, so a tick knows whether it met one.
    class CountedFailures : public Dialogs {
    public:
        explicit CountedFailures(Dialogs &inner) : inner_(inner) {}
        MsgAnswer message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override {
            return inner_.message(text, title, icon, buttons);
        }
        std::optional<FontChoice> chooseFont(const FontChoice &preset, int flags) override {
            return inner_.chooseFont(preset, flags);
        }
        void printingFailed(const QString &text, const QString &detail) override {
            ++count;
            inner_.printingFailed(text, detail);
        }
        void printingWorks() override { inner_.printingWorks(); }
        int count = 0;

    private:
        Dialogs &inner_;
    };

    CountedFailures printingDialogs_{dialogs};
    PanelOutput panelOutput_;
    BackupOutput backupOutput_;
    TicketOutput *output_ = &backupOutput_;
    QHash<QString, PrinterCondition> loggedStates_;  // printer -> state last logged
};

}  // namespace tpv
