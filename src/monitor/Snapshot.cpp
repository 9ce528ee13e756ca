#include "monitor/Snapshot.h"

#include "compat/Error.h"

#include <utility>

namespace tpv {

namespace {

// Every state label a printer layer gives, with its word. A CUPS queue that
// keeps jobs says how many ("3 tickets en espera"): it is matched apart.
const std::vector<std::pair<QString, QString>> &labelWords() {
    static const std::vector<std::pair<QString, QString>> words{
        {QStringLiteral("Lista"), QStringLiteral("lista")},
        {QStringLiteral("Poco papel"), QStringLiteral("poco_papel")},
        {QStringLiteral("Sin estado"), QStringLiteral("sin_estado")},
        {QString(), QStringLiteral("en_espera")},
        {QStringLiteral("Sin papel"), QStringLiteral("sin_papel")},
        {QStringLiteral("Tapa abierta"), QStringLiteral("tapa_abierta")},
        {QStringLiteral("Fuera de línea"), QStringLiteral("fuera_de_linea")},
        {QStringLiteral("No responde"), QStringLiteral("no_responde")},
        {QStringLiteral("Sin conexión"), QStringLiteral("sin_conexion")},
        {QStringLiteral("Error"), QStringLiteral("error")},
        {QStringLiteral("No instalada"), QStringLiteral("no_instalada")},
        {QStringLiteral("Desconocido"), QStringLiteral("desconocido")},
    };
    return words;
}

}  // namespace

void TickHistogram::add(double seconds) {
    ++count;
    sumSeconds += seconds;
    for (size_t i = 0; i < kBounds.size(); ++i) {
        if (seconds <= kBounds[i]) {
            ++counts[i];
            return;
        }
    }
}

QString stateWord(const QString &label) {
    if (label.endsWith(QLatin1String(" en espera"))) return QStringLiteral("en_espera");
    for (const auto &[text, word] : labelWords())
        if (!text.isEmpty() && text == label) return word;
    return QStringLiteral("desconocido");
}

const QStringList &stateWords() {
    static const QStringList words = [] {
        QStringList out;
        for (const auto &entry : labelWords()) out << entry.second;
        return out;
    }();
    return words;
}

bool isFailingState(const QString &word) {
    static const QStringList failing{QStringLiteral("sin_papel"),      QStringLiteral("tapa_abierta"),
                                     QStringLiteral("fuera_de_linea"), QStringLiteral("no_responde"),
                                     QStringLiteral("sin_conexion"),   QStringLiteral("error"),
                                     QStringLiteral("no_instalada")};
    return failing.contains(word);
}

bool isWarningState(const QString &word) {
    return word == QLatin1String("poco_papel") || word == QLatin1String("en_espera");
}

QString causeWord(long errorNumber, const QString &stateAfter) {
    if (errorNumber == err::NotInList) return QStringLiteral("no_instalada");
    if (isFailingState(stateAfter)) return stateAfter;
    return QStringLiteral("error");
}

QString durationText(qint64 ms) {
    const qint64 s = std::max<qint64>(0, ms / 1000);
    if (s < 60) return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return s % 60 ? QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60) : QStringLiteral("%1 min").arg(s / 60);
    const qint64 min = (s % 3600) / 60;
    return min ? QStringLiteral("%1 h %2 min").arg(s / 3600).arg(min) : QStringLiteral("%1 h").arg(s / 3600);
}

}  // namespace tpv
