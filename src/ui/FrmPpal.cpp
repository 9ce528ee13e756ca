#include "ui/FrmPpal.h"

#include "platform/Console.h"
#include "compat/Error.h"
#include "kitchen/ImpComanda.h"
#include "kitchen/ReprintLast.h"

#include <QDir>

namespace tpv {

namespace {

// The backup printers of impresoras.ini; its mistakes are said at start.
QHash<QString, BackupSetting> declaredBackups(const QString &dataDir) {
    QStringList errors;
    auto settings = readBackupSettings(QDir(dataDir).filePath(QStringLiteral("impresoras.ini")), &errors);
    for (const QString &e : errors) writeErrorLine(e, LogPriority::Warning);
    return settings;
}

}  // namespace

FrmPpal::FrmPpal(Dialogs &d, PrinterLayer &p, Clock &c, ConnectionOptions o, std::unique_ptr<TimerEngine> timer)
    : dialogs(d),
      printers(p),
      clock(c),
      T(std::move(timer)),
      C(o),
      identity(TurnIdentity::ofThisProcess(o.dataDir)),
      journal([this]() -> Connection & { return conn(g.Cn2); }, fence(), identity.station),
      panelOutput_(printerPanel()),
      backupOutput_(panelOutput_, declaredBackups(o.dataDir), health, c) {
    g.db = std::move(o);
    // Outside the visible part of the window until a done job is clicked.
    FraPre.setVisible(false);
    printers.setClock(&clock);
}

JobLists FrmPpal::lists() { return {lstPend, lstReal, lstFech, lstComa, lstNumeTPV}; }

QueueContext FrmPpal::queue() {
    return {g,
            day,
            lists(),
            T,
            status,
            [this] {
                PrintContext p = printing();
                ImpComanda(p);
            },
            reconnectServer,
            unpollableReported,
            // No turn known yet (before start-up ends) prints nothing either.
            [this] { return turn && turn->mayPrint(); },
            probe};
}

PrintContext FrmPpal::printing() {
    return {g,     C,      lineasp,          ReimprimirTodo, *output_, journal, fence(),
            [this] { return turn && turn->mayPrint(); }, clock, status, printingDialogs_};
}

PanelContext FrmPpal::printerPanel() {
    return {panel, printers, dialogs, [this] { clearAllDataChanged(); }};
}

ReprintContext FrmPpal::reprint() {
    ReprintContext r{g, day, lists(), FraListas, FraPre, T, dialogs, C, ReimprimirTodo, status, choice, {}, {}, {}};
    r.standby = [this] { return standbyText(); };
    r.printLastSending = [this](const QString &tpv, const QString &fecha, const QString &comanda) {
        reprintLastSending(printing(), tpv, fecha, comanda);
    };
    r.jobDoneAt = [this](const ChosenJob &job) {
        try {
            return journal.jobDoneAt(QString::number(g.tpv), job.fecha, QString::number(job.PPOrd));
        } catch (const TpvError &) {
            return QTime();  // the choice opens all the same
        }
    };
    return r;
}

Fence FrmPpal::fence() {
    return {[this] { return static_cast<int>(g.tpv); }, [this] { return turn ? turn->fenceGeneration() : qint64(0); },
            [this] {
                if (turn) turn->generationGone();
            }};
}

QString FrmPpal::standbyText() const {
    if (!turn) return {};
    const TurnState s = turn->state();
    if (s.role != TurnRole::Standby) return {};
    QString text = QStringLiteral("En espera: imprime %1").arg(s.holder);
    if (s.renewedAgoMs)
        text += QStringLiteral(", ") + renewedAgoText(*s.renewedAgoMs);
    return text;
}

void FrmPpal::showTurn() {
    if (!turn) return;
    const TurnState s = turn->state();
    QString text;
    if (s.role == TurnRole::Active)
        text = QStringLiteral("Activo desde ") + s.since.toString(QStringLiteral("HH:mm:ss"));
    else if (s.role == TurnRole::Standby)
        text = standbyText();
    else
        text = QStringLiteral("Sin turno: no se sabe todavía qué PC imprime el terminal");
    turnCaption.setCaption(text);
    // A PC that does not print says so on the status line, unless the tick
    // had something more pressing to say (the database does not answer).
    if (s.role != TurnRole::Active && status.current().isEmpty()) status.stillShown(text);
}

FontContext FrmPpal::font() { return {g, printers, C, dialogs, status}; }

void FrmPpal::tick() {
    printers.newTick();
    const int failuresBefore = printingDialogs_.count;
    polled = T_TimerSafe(queue());
    if (polled && printingDialogs_.count == failuresBefore) dialogs.printingWorks();
    showTurn();
    showPrinterStates();
}

void FrmPpal::showPrinterStates() {
    QStringList lines;
    for (const PrinterLayer::Status &s : printers.states()) {
        // Until a ticket or a look has told anything, the list says so
        // rather than show a bare name that reads as a working printer.
        QString line = s.name + QStringLiteral(": ") + statusLabel(s.status);
        if (const QString backup = health.standIn(s.name); !backup.isEmpty())
            line += QStringLiteral(", desviada a ") + backup;
        if (s.lastTicket.isValid())
            line += QStringLiteral(", último ticket ") + s.lastTicket.toString(QStringLiteral("HH:mm:ss"));
        lines << line;
        // One line when the state changes, however often tickets and looks
        // find it; a count of waiting tickets going up or down is no change.
        const PrinterCondition before = loggedStates_.value(s.name, PrinterCondition::Unchecked);
        const PrinterCondition now = s.status.condition;
        if (now == PrinterCondition::Unchecked || before == now) continue;
        loggedStates_.insert(s.name, now);
        // A printer first seen ready is no news; any other change is.
        if (before != PrinterCondition::Unchecked || now != PrinterCondition::Ready) {
            writeErrorLine(QStringLiteral("La impresora %1: %2").arg(s.name, statusLabel(s.status)),
                           now == PrinterCondition::Ready ? LogPriority::Info : LogPriority::Warning);
        }
    }
    if (lines == printerStates.texts()) return;
    printerStates.clear();
    for (const QString &line : lines) printerStates.addItem(line);
}

void FrmPpal::clearAllDataChanged() {
    lineasp.DataChanged = false;
    panel.clearDataChanged();
}

void FrmPpal::showUnhandled(const TpvError &e) {
    dialogs.message(QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()), appTitle(), MsgIcon::Critical);
}

}  // namespace tpv
