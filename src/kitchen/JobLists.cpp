#include "kitchen/JobLists.h"

#include "kitchen/Config.h"
#include "sql/QueueStatements.h"
#include "compat/Controls.h"
#include "compat/Error.h"
#include "kitchen/StatusReport.h"

#include <QStringBuilder>

namespace tpv {

namespace {

// "Comanda N del día DD/MM/YYYY Tpv: T" or "Factura N del día DD/MM/YYYY";
// empty for any other code. Built in one allocation: the done list of a busy
// day has tens of thousands of entries and is rebuilt at every full read.
QString entryText(const QString &tpv, const Variant &arg3, const QString &fecha, const QString &code) {
    // A number that does not convert is shown as written rather than
    // failing the whole refresh (and with it every later poll).
    QString n;
    try {
        n = QString::number(arg3.toInt16());
    } catch (const TpvError &) {
        n = arg3.toText().trimmed();
    }
    const QStringView f(fecha);
    const QStringView day = f.mid(6, 2), month = f.mid(4, 2), year = f.mid(0, 4);
    const QChar slash = QLatin1Char('/');
    if (code == QLatin1String("Com"))
        return QStringLiteral("Comanda ") % n % QStringLiteral(" del día ") % day % slash % month % slash % year %
               QStringLiteral(" Tpv: ") % tpv;
    if (code == QLatin1String("Fac"))
        return QStringLiteral("Factura ") % n % QStringLiteral(" del día ") % day % slash % month % slash % year;
    return {};
}

// Where the columns an entry is made of are in a result, looked up once per
// list rather than once per row.
struct EntryColumns {
    explicit EntryColumns(const Recordset &rs)
        : code(rs.fieldIndex(QStringLiteral("PPCod"))),
          arg3(rs.fieldIndex(QStringLiteral("PParg3"))),
          fecha(rs.fieldIndex(QStringLiteral("PPFecha"))) {}
    QString codeOf(const Recordset &rs) const { return rs.field(code).toText(); }
    QString text(const QString &tpv, const Recordset &rs, const QString &entryCode) const {
        return entryText(tpv, rs.field(arg3), rs.field(fecha).toText(), entryCode);
    }
    int code, arg3, fecha;
};

}  // namespace

void Actualizar(Global &g, BusinessDate &day, const JobLists &l) {
    for (ListBox *list : {&l.lstPend, &l.lstReal, &l.lstFech, &l.lstComa, &l.lstNumeTPV}) list->clear();
    coger_fecha_tpv(g, day);
    l.lstPend.insertItem(0, QStringLiteral("-PENDIENTES-"));
    if (g.Rs.isOpen()) g.Rs.close();
    const QString tpv = QString::number(g.tpv);
    g.Rs.open(sql::queue::pendingJobsListed(g.tpv, day.FechaTpv), conn(g.Cn));
    if (!g.Rs.eof()) {
        g.Rs.moveFirst();
        const EntryColumns columns(g.Rs);
        const int ordColumn = g.Rs.fieldIndex(QStringLiteral("PPOrd"));
        while (!g.Rs.eof()) {
            const QString code = columns.codeOf(g.Rs);
            const QString text = columns.text(tpv, g.Rs, code);
            if (!text.isEmpty()) {
                l.lstPend.addItem(text);
                // The job number, by which the monitoring tells how long each
                // job has waited; a number that does not convert is 0.
                int32_t ord = 0;
                try {
                    ord = g.Rs.field(ordColumn).toInt32();
                } catch (const TpvError &) {
                }
                l.lstPend.setItemData(l.lstPend.listCount() - 1, ord);
            }
            g.Rs.moveNext();
        }
    }
    g.Rs.close();

    for (ListBox *l : {&l.lstReal, &l.lstFech, &l.lstComa, &l.lstNumeTPV})
        l->insertItem(0, QStringLiteral("-REALIZADOS-"));
    g.Rs.open(sql::queue::doneJobsListed(g.tpv, day.FechaTpv), conn(g.Cn));
    if (!g.Rs.eof()) {
        g.Rs.moveFirst();
        const EntryColumns columns(g.Rs);
        int ppordColumn = -1;  // looked up at the first entry, as before
        while (!g.Rs.eof()) {
            const QString code = columns.codeOf(g.Rs);
            const QString text = columns.text(tpv, g.Rs, code);
            if (!text.isEmpty()) {
                // Read every value before adding, so a bad row leaves the
                // four lists in step.
                const QString fech = g.Rs.field(0).toText();
                const QString coma = g.Rs.field(7).toText();
                const QString numeTpv = g.Rs.field(5).toText();
                // Job numbers past 32767 are kept whole (the reprint needs the
                // exact number back).
                if (ppordColumn < 0) ppordColumn = g.Rs.fieldIndex(QStringLiteral("PPOrd"));
                const int32_t ppord = g.Rs.field(ppordColumn).toInt32();
                l.lstReal.addItem(text);
                l.lstFech.addItem(fech);
                l.lstComa.addItem(coma);
                l.lstNumeTPV.addItem(numeTpv);
                l.lstReal.setItemData(l.lstReal.listCount() - 1, ppord);
            }
            g.Rs.moveNext();
        }
    }
    g.Rs.close();
}

void reportUnpollableJobs(Global &g, const BusinessDate &day, StatusReport &status, QSet<QString> &reported) {
    if (g.Rs.isOpen()) g.Rs.close();
    g.Rs.open(sql::queue::jobsNoPollSelects(g.tpv, day.FechaTpv), conn(g.Cn));
    QStringList messages;
    while (!g.Rs.eof()) {
        QStringList nullColumns, key;
        for (const char *c : {"PPOrd", "PPFecha", "PPCod", "PParg1", "PPPend", "PParg3"}) {
            const Variant v = g.Rs.field(QString::fromLatin1(c));
            key << (v.isNull() ? QStringLiteral("\\N") : v.toText());
            if (v.isNull() && qstrcmp(c, "PPOrd") != 0 && qstrcmp(c, "PParg3") != 0)
                nullColumns << QString::fromLatin1(c);
        }
        const QString id = key.join(QChar(0x1f));
        if (!reported.contains(id)) {
            reported.insert(id);
            const Variant ord = g.Rs.field(QStringLiteral("PPOrd"));
            const Variant arg3 = g.Rs.field(QStringLiteral("PParg3"));
            messages << QStringLiteral(
                            "El trabajo %1 de la cola (comanda %2) tiene vacío %3 y no se imprimirá nunca; "
                            "corríjalo en la tabla PendGar del servidor")
                            .arg(ord.isNull() ? QStringLiteral("sin número") : ord.toText(),
                                 arg3.isNull() ? QStringLiteral("sin número") : arg3.toText().trimmed(),
                                 nullColumns.join(QStringLiteral(", ")));
        }
        g.Rs.moveNext();
    }
    g.Rs.close();
    for (const QString &m : messages) status.notice(m);
}

}  // namespace tpv
