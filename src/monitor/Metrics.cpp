// The metrics in Prometheus's text exposition format (version 0.0.4).
#include "monitor/Pages.h"

#include <QStringList>

namespace tpv {

namespace {

// A label value: backslash, double quote and line end escaped.
QString labelValue(const QString &v) {
    QString out;
    out.reserve(v.size());
    for (const QChar c : v) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('"'))
            out += QStringLiteral("\\\"");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString number(double v) { return QString::number(v, 'g', 15); }
QString number(qint64 v) { return QString::number(v); }
QString seconds(qint64 ms) { return QString::number(static_cast<double>(ms) / 1000.0, 'f', 3); }

class Writer {
public:
    void family(const char *name, const char *type, const QString &help) {
        name_ = QString::fromLatin1(name);
        out_ += QStringLiteral("# HELP ") + name_ + QLatin1Char(' ') + help + QLatin1Char('\n');
        out_ += QStringLiteral("# TYPE ") + name_ + QLatin1Char(' ') + QString::fromLatin1(type) + QLatin1Char('\n');
    }
    // One sample of the family; labels as name, value, name, value...
    void sample(const QStringList &labels, const QString &value, const QString &suffix = {}) {
        out_ += name_ + suffix;
        if (!labels.isEmpty()) {
            out_ += QLatin1Char('{');
            for (int i = 0; i + 1 < labels.size(); i += 2) {
                if (i) out_ += QLatin1Char(',');
                out_ += labels[i] + QStringLiteral("=\"") + labelValue(labels[i + 1]) + QLatin1Char('"');
            }
            out_ += QLatin1Char('}');
        }
        out_ += QLatin1Char(' ') + value + QLatin1Char('\n');
    }
    QByteArray bytes() const { return out_.toUtf8(); }

private:
    QString name_;
    QString out_;
};

const QString kPrinter = QStringLiteral("impresora");

}  // namespace

QByteArray metricsText(const Snapshot &s, qint64 nowMs) {
    Writer w;
    w.family("lector_tpv_info", "gauge", QStringLiteral("Versión del servidor de impresión y terminal que atiende."));
    w.sample({QStringLiteral("version"), s.version, QStringLiteral("tpv"), QString::number(s.tpv)},
             QStringLiteral("1"));

    w.family("lector_tpv_inicio_timestamp_seconds", "gauge",
             QStringLiteral("Cuándo arrancó el servidor (segundos desde 1970)."));
    w.sample({}, seconds(s.epochMs(s.startedMs)));

    // A count of every printer listed (0 when it has none), and of those
    // counted that the list no longer holds.
    auto perPrinter = [&](const QHash<QString, qint64> &counts) {
        for (const PrinterView &p : s.printers) w.sample({kPrinter, p.name}, number(counts.value(p.name)));
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            const bool listed = std::any_of(s.printers.cbegin(), s.printers.cend(),
                                            [&](const PrinterView &p) { return p.name == it.key(); });
            if (!listed) w.sample({kPrinter, it.key()}, number(*it));
        }
    };
    w.family("lector_tpv_tickets_total", "counter",
             QStringLiteral("Tickets entregados, por la impresora que los imprimió."));
    perPrinter(s.tickets);

    w.family("lector_tpv_fallos_total", "counter",
             QStringLiteral("Intentos de entregar un ticket que fallaron, reintentos incluidos, por impresora y "
                            "causa (sin_papel, tapa_abierta, fuera_de_linea, no_responde, sin_conexion, "
                            "no_instalada, error)."));
    for (const auto &[key, count] : s.failures)
        w.sample({kPrinter, key.first, QStringLiteral("causa"), key.second}, number(count));

    w.family("lector_tpv_impresora_caidas_total", "counter",
             QStringLiteral("Veces que cada impresora ha empezado a fallar (un fallo cuenta una vez, dure lo que "
                            "dure)."));
    perPrinter(s.failuresStarted);

    w.family("lector_tpv_impresora_estado", "gauge",
             QStringLiteral("Estado de cada impresora: 1 para el estado actual, 0 para los demás."));
    for (const PrinterView &p : s.printers)
        for (const PrinterCondition c : allConditions())
            w.sample({kPrinter, p.name, QStringLiteral("estado"), statusWord(c)},
                     c == p.status.condition ? QStringLiteral("1") : QStringLiteral("0"));

    w.family("lector_tpv_impresora_fallando_segundos", "gauge",
             QStringLiteral("Cuánto tiempo lleva fallando cada impresora (0 si funciona)."));
    for (const PrinterView &p : s.printers)
        w.sample({kPrinter, p.name}, p.failingSinceMs ? seconds(nowMs - *p.failingSinceMs) : QStringLiteral("0"));

    w.family("lector_tpv_respaldo_activo", "gauge",
             QStringLiteral("1 mientras otra impresora imprime los tickets de esta (respaldo)."));
    for (const PrinterView &p : s.printers)
        w.sample({kPrinter, p.name}, p.standIn.isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));

    w.family("lector_tpv_ultimo_ticket_timestamp_seconds", "gauge",
             QStringLiteral("Cuándo entregó su último ticket cada impresora (segundos desde 1970)."));
    for (const PrinterView &p : s.printers)
        if (p.lastTicketEpochMs) w.sample({kPrinter, p.name}, seconds(*p.lastTicketEpochMs));

    w.family("lector_tpv_trabajos_pendientes", "gauge",
             QStringLiteral("Comandas de este terminal y día que esperan en la cola."));
    w.sample({}, number(static_cast<qint64>(s.pending.size())));

    w.family("lector_tpv_trabajo_pendiente_mas_antiguo_segundos", "gauge",
             QStringLiteral("Cuánto lleva esperando el trabajo pendiente más antiguo (0 si no hay ninguno)."));
    qint64 oldest = 0;
    for (const PendingJobView &job : s.pending) oldest = std::max(oldest, nowMs - job.sinceMs);
    w.sample({}, seconds(oldest));

    w.family("lector_tpv_ultima_consulta_correcta_timestamp_seconds", "gauge",
             QStringLiteral("Cuándo se consultó la cola con éxito por última vez (segundos desde 1970; 0: nunca)."));
    w.sample({}, s.lastGoodPollMs ? seconds(s.epochMs(*s.lastGoodPollMs)) : QStringLiteral("0"));

    if (s.turn.known) {
        w.family("lector_tpv_turno_activo", "gauge",
                 QStringLiteral("1 mientras este PC tiene el turno de impresión del terminal e imprime; 0 en espera."));
        w.sample({}, s.turn.active ? QStringLiteral("1") : QStringLiteral("0"));
        w.family("lector_tpv_turno_generacion", "gauge",
                 QStringLiteral("Generación del turno de impresión del terminal (sube a cada relevo)."));
        w.sample({}, number(s.turn.generation));
        w.family("lector_tpv_turno_relevos_total", "counter",
                 QStringLiteral("Relevos del turno de impresión vistos por este proceso."));
        w.sample({}, number(s.turn.relays));
        w.family("lector_tpv_turno_renovado_segundos", "gauge",
                 QStringLiteral("Hace cuánto se renovó el turno por última vez, lo tenga este PC u otro (-1: nadie)."));
        const std::optional<qint64> age = s.turnAgeMs(nowMs);
        w.sample({}, age ? seconds(*age) : QStringLiteral("-1"));
    }

    w.family("lector_tpv_base_datos_accesible", "gauge",
             QStringLiteral("1 si la última consulta llegó a la base de datos de comandas."));
    w.sample({}, s.polledOnce && s.databaseLost ? QStringLiteral("0") : QStringLiteral("1"));

    w.family("lector_tpv_consultas_fallidas_total", "counter",
             QStringLiteral("Consultas de la cola que fallaron (base de datos inaccesible, error de la consulta)."));
    w.sample({}, number(s.pollFailures));

    w.family("lector_tpv_consulta_segundos", "histogram",
             QStringLiteral("Duración de cada consulta de la cola, con la impresión de sus trabajos."));
    qint64 cumulative = 0;
    for (size_t i = 0; i < TickHistogram::kBounds.size(); ++i) {
        cumulative += s.ticks.counts[i];
        w.sample({QStringLiteral("le"), number(TickHistogram::kBounds[i])}, number(cumulative),
                 QStringLiteral("_bucket"));
    }
    w.sample({QStringLiteral("le"), QStringLiteral("+Inf")}, number(s.ticks.count), QStringLiteral("_bucket"));
    w.sample({}, number(s.ticks.sumSeconds), QStringLiteral("_sum"));
    w.sample({}, number(s.ticks.count), QStringLiteral("_count"));

    const Health h = evaluateHealth(s, nowMs);
    w.family("lector_tpv_salud", "gauge",
             QStringLiteral("Salud del servidor como la da /salud: 1 para el estado actual (bien, aviso, mal)."));
    for (const char *word : {"bien", "aviso", "mal"})
        w.sample({QStringLiteral("estado"), QString::fromLatin1(word)},
                 h.word() == QLatin1String(word) ? QStringLiteral("1") : QStringLiteral("0"));
    return w.bytes();
}

}  // namespace tpv
