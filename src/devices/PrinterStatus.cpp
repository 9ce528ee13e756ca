#include "devices/PrinterStatus.h"

namespace tpv {

bool PrinterStatus::canPrint() const {
    switch (condition) {
        case PrinterCondition::Ready:
        case PrinterCondition::LowPaper:
        case PrinterCondition::NoStatus:
        case PrinterCondition::JobsWaiting:
            return true;
        default:
            return false;
    }
}

bool PrinterStatus::isWarning() const {
    return condition == PrinterCondition::LowPaper || condition == PrinterCondition::JobsWaiting;
}

QString statusLabel(const PrinterStatus &status) {
    switch (status.condition) {
        case PrinterCondition::Unchecked:
            return QStringLiteral("Sin comprobar");
        case PrinterCondition::Ready:
            return QStringLiteral("Lista");
        case PrinterCondition::LowPaper:
            return QStringLiteral("Poco papel");
        case PrinterCondition::NoStatus:
            return QStringLiteral("Sin estado");
        case PrinterCondition::JobsWaiting:
            return status.waitingJobs == 1 ? QStringLiteral("1 ticket en espera")
                                           : QStringLiteral("%1 tickets en espera").arg(status.waitingJobs);
        case PrinterCondition::NoPaper:
            return QStringLiteral("Sin papel");
        case PrinterCondition::CoverOpen:
            return QStringLiteral("Tapa abierta");
        case PrinterCondition::Offline:
            return QStringLiteral("Fuera de línea");
        case PrinterCondition::NotResponding:
            return QStringLiteral("No responde");
        case PrinterCondition::NoConnection:
            return QStringLiteral("Sin conexión");
        case PrinterCondition::Rejecting:
            return QStringLiteral("No acepta trabajos");
        case PrinterCondition::Stopped:
            return QStringLiteral("Detenida");
        case PrinterCondition::NotInstalled:
            return QStringLiteral("No instalada");
        case PrinterCondition::Error:
            return QStringLiteral("Error");
    }
    return {};
}

QString statusWord(PrinterCondition condition) {
    switch (condition) {
        case PrinterCondition::Unchecked:
            return QStringLiteral("desconocido");
        case PrinterCondition::Ready:
            return QStringLiteral("lista");
        case PrinterCondition::LowPaper:
            return QStringLiteral("poco_papel");
        case PrinterCondition::NoStatus:
            return QStringLiteral("sin_estado");
        case PrinterCondition::JobsWaiting:
            return QStringLiteral("en_espera");
        case PrinterCondition::NoPaper:
            return QStringLiteral("sin_papel");
        case PrinterCondition::CoverOpen:
            return QStringLiteral("tapa_abierta");
        case PrinterCondition::Offline:
            return QStringLiteral("fuera_de_linea");
        case PrinterCondition::NotResponding:
            return QStringLiteral("no_responde");
        case PrinterCondition::NoConnection:
            return QStringLiteral("sin_conexion");
        case PrinterCondition::Rejecting:
            return QStringLiteral("no_acepta_trabajos");
        case PrinterCondition::Stopped:
            return QStringLiteral("detenida");
        case PrinterCondition::NotInstalled:
            return QStringLiteral("no_instalada");
        case PrinterCondition::Error:
            return QStringLiteral("error");
    }
    return {};
}

const std::vector<PrinterCondition> &allConditions() {
    // The order the metrics have always listed their words in; the two
    // states of a print queue come last.
    static const std::vector<PrinterCondition> all{
        PrinterCondition::Ready,         PrinterCondition::LowPaper,     PrinterCondition::NoStatus,
        PrinterCondition::JobsWaiting,   PrinterCondition::NoPaper,      PrinterCondition::CoverOpen,
        PrinterCondition::Offline,       PrinterCondition::NotResponding, PrinterCondition::NoConnection,
        PrinterCondition::Error,         PrinterCondition::NotInstalled, PrinterCondition::Unchecked,
        PrinterCondition::Rejecting,     PrinterCondition::Stopped};
    return all;
}

}  // namespace tpv
