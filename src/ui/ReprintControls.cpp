#include "ui/ReprintControls.h"

#include "sql/OrderStatements.h"
#include "sql/QueueStatements.h"
#include "sql/SnapshotStatements.h"
#include "sql/SqlText.h"
#include "kitchen/DeliveryJournal.h"
#include "sql/DataControl.h"
#include "compat/Dialogs.h"
#include "compat/Error.h"
#include "platform/Log.h"
#include "platform/PollTimer.h"
#include "kitchen/Queue.h"

namespace tpv {

namespace {

const QString kTitle = QStringLiteral("Tesmarin");

void askAgain(const ReprintContext &r) {
    r.dialogs.message(QStringLiteral("Vuelva a Re-Imprimir"), kTitle, MsgIcon::Exclamation);
    cmdCancelar_Click(r);
}

// The done job of entry i of the lists (none for the heading or no entry).
std::optional<ChosenJob> jobAt(const JobLists &l, int i) {
    if (i <= 0 || i >= l.lstReal.listCount()) return std::nullopt;
    return ChosenJob{l.lstReal.itemData(i), l.lstFech.list(i), l.lstComa.list(i), l.lstReal.list(i)};
}

// The job the buttons act on: the one the choice was opened for; called
// without the choice (as the procedures may be), the done list's selection.
std::optional<ChosenJob> jobOf(const ReprintContext &r) {
    if (r.choice.job) return r.choice.job;
    return jobAt(r.lists, r.lists.lstReal.listIndex());
}

// "Mesa 3" from the order's header; empty when it cannot be read (the
// choice opens all the same).
QString tableOf(const ReprintContext &r, const ChosenJob &job) {
    try {
        const ResultSet rs = conn(r.g.Cn).query(sql::order::tableOfOrder(r.g.tpv, job.fecha, Variant(job.comanda)));
        if (rs.rows.empty() || rs.rows[0].empty() || rs.rows[0][0].isNull()) return {};
        return QStringLiteral("Mesa ") + rs.rows[0][0].toText().trimmed();
    } catch (const TpvError &) {
        return {};
    }
}

// What the choice says of its job, so the operator sees which order and
// which sending of it the buttons act on.
QString describe(const ReprintContext &r, const ChosenJob &job) {
    QStringList about;
    if (const QString table = tableOf(r, job); !table.isEmpty()) about << table;
    about << QStringLiteral("trabajo %1").arg(job.PPOrd);
    if (r.jobDoneAt)
        if (const QTime sent = r.jobDoneAt(job); sent.isValid())
            about << QStringLiteral("enviada a las ") + sent.toString(QStringLiteral("HH:mm:ss"));
    return job.entry + QLatin1Char('\n') + about.join(QStringLiteral(", "));
}

// (Re)starts the minute after which the choice closes by itself.
void closeLater(const ReprintContext &r) {
    if (r.choice.closeHandle >= 0) r.T.engine().cancel(r.choice.closeHandle);
    r.choice.closeHandle = r.T.engine().runLater(ReprintChoice::kClosesAfterMs, [r] {
        r.choice.closeHandle = -1;
        r.T.whenIdle([r] {
            if (r.FraPre.visible()) cmdCancelar_Click(r);
        });
    });
}

QString dayText(const QString &fecha) {
    return fecha.mid(6, 2) + QLatin1Char('/') + fecha.mid(4, 2) + QLatin1Char('/') + fecha.left(4);
}

// The orders of the business date that have jobs, of every terminal: the
// ones "Volver a Imprimir Todos" prints again.
int ordersOfTheDay(Global &g, const QString &fecha) {
    const ResultSet rs = conn(g.Cn).query(sql::queue::countOrdersOfDay(fecha));
    if (rs.rows.empty() || rs.rows[0].empty() || rs.rows[0][0].isNull()) return 0;
    return rs.rows[0][0].toInt32();
}

}  // namespace

QString volverQuestion(int orders) {
    if (orders == 1)
        return QStringLiteral("Se volverá a imprimir 1 comanda del día en todas las impresoras. ¿Continuar?");
    return QStringLiteral("Se volverán a imprimir las %1 comandas del día en todas las impresoras. ¿Continuar?")
        .arg(orders);
}

void connectReprintControls(ReprintContext r) {
    r.lists.lstReal.clicked.connect([r]() mutable { lstReal_Click(r); });
    r.lists.lstPend.clicked.connect([r]() mutable { lstPend_Click(r); });
}

namespace {

// A PC that stands by for another does not reprint: the PC that prints is
// named, and the choice closes.
bool standingBy(const ReprintContext &r) {
    const QString why = r.standby ? r.standby() : QString();
    if (why.isEmpty()) return false;
    r.dialogs.message(why + QStringLiteral(". Las reimpresiones se piden en el PC que imprime."), kTitle,
                      MsgIcon::Exclamation);
    cmdCancelar_Click(r);
    return true;
}

}  // namespace

void lstReal_Click(const ReprintContext &r) {
    const int i = r.lists.lstReal.listIndex();
    if (i == 0) return;
    r.choice.job = jobAt(r.lists, i);
    r.choice.orderChosen.setCaption(r.choice.job ? describe(r, *r.choice.job) : QString());
    r.FraListas.setEnabled(false);
    r.FraPre.move(0, 0);
    r.FraPre.setVisible(true);
    closeLater(r);
}

void lstPend_Click(const ReprintContext &r) { Actualizar(r.g, r.day, r.lists); }

void cmdCancelar_Click(const ReprintContext &r) {
    r.FraListas.setEnabled(true);
    r.FraPre.setVisible(false);
    r.choice.job.reset();
    r.choice.orderChosen.setCaption(QString());
    if (r.choice.closeHandle >= 0) r.T.engine().cancel(r.choice.closeHandle);
    r.choice.closeHandle = -1;
}

void cmdTodo_Click(const ReprintContext &r) {
    const std::optional<ChosenJob> job = jobOf(r);
    if (!job) {
        askAgain(r);
        return;
    }
    Global &g = r.g;
    // Whatever happens below, the flag is cleared and the choice closed.
    struct Close {
        const ReprintContext &r;
        ~Close() {
            r.ReimprimirTodo = false;
            cmdCancelar_Click(r);
        }
    } close{r};
    if (standingBy(r)) return;
    r.ReimprimirTodo = true;
    const QString ppord = QString::number(job->PPOrd);
    const QString order = sql::int16(Variant(job->comanda));
    // The lines, the job and what the printers have of the order are reset
    // together, all of the job's own day: the day shown when the choice
    // opened, whatever the business date has become since.
    Connection &cn = conn(g.Cn);
    inTransaction(cn, [&] {
        cn.execute(sql::order::reprintOrderLines(g.tpv, job->fecha, order));
        cn.execute(sql::order::reprintOrderDishes(g.tpv, job->fecha, order));
        cn.execute(sql::queue::markJobPending(ppord, job->fecha, g.tpv));
        DeliveryJournal::prepareReprint(cn, QString::number(g.tpv), job->fecha, order);
    });
    logLine(LogPriority::Info,
            QStringLiteral("Reimpresión pedida en este PC: toda la comanda %1 (trabajo %2)").arg(order, ppord));
    r.T.runTick();
}

void cmdUltimo_Click(const ReprintContext &r) {
    if (!jobOf(r)) {
        askAgain(r);
        return;
    }
    if (standingBy(r)) return;
    LoUltimo(r);
    // The choice stays open for another reprint: its minute starts again.
    if (r.FraPre.visible()) closeLater(r);
}

void LoUltimo(const ReprintContext &r) {
    for (const QString &sqlText : sql::snapshot::emptyLocalCopies()) r.C.execute(sqlText);
    const std::optional<ChosenJob> job = jobOf(r);
    if (!job || !r.printLastSending) return;
    r.printLastSending(QString::number(r.g.tpv), job->fecha, job->comanda);
}

void cmdVolver_Click(const ReprintContext &r) {
    Global &g = r.g;
    // The day asked about is the day reset, even if a tick that runs while
    // the question is open finds the business date changed.
    if (standingBy(r)) return;
    const QString day = r.day.FechaTpv;
    const int orders = ordersOfTheDay(g, day);
    if (orders > 0 &&
        r.dialogs.message(volverQuestion(orders), kTitle, MsgIcon::Exclamation, MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    // Every terminal's orders of the day: what their printers have is reset
    // with them, in the journal every PC shares.
    Connection &cn = conn(g.Cn);
    inTransaction(cn, [&] {
        cn.execute(sql::order::reprintDayLines(day));
        cn.execute(sql::order::reprintDayDishes(day));
        cn.execute(sql::queue::markDayPending(day));
        DeliveryJournal::prepareReprint(cn, QString(), day, QString());
    });
    logLine(LogPriority::Info, QStringLiteral("Reimpresión pedida en este PC: todas las comandas del día %1 (%2), en "
                                              "todas las impresoras")
                                   .arg(dayText(day))
                                   .arg(orders));
    Actualizar(g, r.day, r.lists);
}

}  // namespace tpv
