#include "devices/escpos/EscPosDevice.h"

#include "compat/Error.h"
#include "platform/Log.h"
#include "devices/escpos/EscPosLink.h"

namespace tpv {

namespace {
constexpr char DLE = 0x10;
constexpr char EOT = 0x04;

bool bit(int value, int n) { return (value >> n) & 1; }
}  // namespace

PrinterStatus printerStatus(EscPosState state) {
    switch (state) {
        case EscPosState::Unknown:
            return statusOf(PrinterCondition::Unchecked);
        case EscPosState::Ready:
            return statusOf(PrinterCondition::Ready);
        case EscPosState::PaperNearEnd:
            return statusOf(PrinterCondition::LowPaper);
        case EscPosState::NoStatus:
            return statusOf(PrinterCondition::NoStatus);
        case EscPosState::PaperEnd:
            return statusOf(PrinterCondition::NoPaper);
        case EscPosState::CoverOpen:
            return statusOf(PrinterCondition::CoverOpen);
        case EscPosState::Offline:
            return statusOf(PrinterCondition::Offline);
        case EscPosState::Error:
            return statusOf(PrinterCondition::Error);
        case EscPosState::NoAnswer:
            return statusOf(PrinterCondition::NotResponding);
        case EscPosState::NoConnection:
            return statusOf(PrinterCondition::NoConnection);
    }
    return {};
}

EscPosState escPosStateFromAnswers(int printerStatus, int offlineCause, int paperSensor) {
    // An open cover or a missing roll also takes the printer offline, so the
    // specific cause is looked at first and plain offline last.
    if (bit(offlineCause, 2)) return EscPosState::CoverOpen;
    if (bit(offlineCause, 5) || (bit(paperSensor, 5) && bit(paperSensor, 6))) return EscPosState::PaperEnd;
    if (bit(offlineCause, 6)) return EscPosState::Error;
    if (bit(printerStatus, 3)) return EscPosState::Offline;
    // The near-end sensor sets both bits; either one is taken as a warning,
    // which costs nothing when it is wrong.
    if (bit(paperSensor, 2) || bit(paperSensor, 3)) return EscPosState::PaperNearEnd;
    return EscPosState::Ready;
}

EscPosDevice::EscPosDevice(EscPosPrinterConfig cfg, QString usbRoot)
    : cfg_(std::move(cfg)), usbRoot_(std::move(usbRoot)) {}

QString EscPosDevice::stateCause(EscPosState state) const {
    switch (state) {
        case EscPosState::PaperEnd:
            return QStringLiteral("La impresora %1 no tiene papel").arg(cfg_.name);
        case EscPosState::CoverOpen:
            return QStringLiteral("La impresora %1 tiene la tapa abierta").arg(cfg_.name);
        case EscPosState::Offline:
            return QStringLiteral("La impresora %1 está fuera de línea").arg(cfg_.name);
        case EscPosState::Error:
            return QStringLiteral("La impresora %1 tiene un error").arg(cfg_.name);
        case EscPosState::NoAnswer:
            return QStringLiteral("La impresora %1 no responde").arg(cfg_.name);
        default:
            return {};
    }
}

void EscPosDevice::failWith(EscPosState state, const QString &cause) {
    state_ = state;
    throw TpvError(err::PrinterError, cause);
}

// The state the three answers describe; nothing when the first query got no
// answer. A printer that answers the first and not a later one is failing.
std::optional<EscPosState> EscPosDevice::askState(EscPosLink &link) {
    link.discardInput();
    int answers[3] = {0, 0, 0};
    const char queries[3] = {1, 2, 4};
    for (int i = 0; i < 3; ++i) {
        QString why;
        const char query[3] = {DLE, EOT, queries[i]};
        if (!link.writeAll(QByteArray(query, 3), escpos::AnswerTimeoutMs, &why))
            failWith(EscPosState::NoConnection,
                     QStringLiteral("No se ha podido preguntar su estado a la impresora %1: %2").arg(cfg_.name, why));
        answers[i] = link.readByte(escpos::AnswerTimeoutMs);
        if (answers[i] < 0 && i == 0) return std::nullopt;
        if (answers[i] < 0) failWith(EscPosState::NoAnswer, stateCause(EscPosState::NoAnswer));
    }
    answeredOnce_ = true;
    return escPosStateFromAnswers(answers[0], answers[1], answers[2]);
}

// Throws unless the printer answered and can print (ready, or short of paper).
EscPosState EscPosDevice::requireGoodState(const std::optional<EscPosState> &answered) {
    if (!answered) failWith(EscPosState::NoAnswer, stateCause(EscPosState::NoAnswer));
    if (*answered != EscPosState::Ready && *answered != EscPosState::PaperNearEnd)
        failWith(*answered, stateCause(*answered));
    return *answered;
}

// Asks the state before the ticket when the configuration says so; returns
// whether the ticket is checked (asked again after it).
bool EscPosDevice::checkBeforeTicket(EscPosLink &link) {
    switch (cfg_.stateQueries) {
        case EscPosPrinterConfig::StateQueries::Never:
            return false;
        case EscPosPrinterConfig::StateQueries::Always:
            requireGoodState(askState(link));
            return true;
        case EscPosPrinterConfig::StateQueries::Auto:
            break;
    }
    if (!answeredOnce_ && silentThisTick_) return false;
    const std::optional<EscPosState> answered = askState(link);
    if (answeredOnce_) {
        requireGoodState(answered);
        return true;
    }
    // Never answered: many printers cannot (USB ones that cannot be read,
    // cheap network ones). They are written blind, and the log says so once.
    silentThisTick_ = true;
    noteSilence();
    return false;
}

void EscPosDevice::noteSilence() {
    if (!silenceLogged_)
        logLine(LogPriority::Warning,
                QStringLiteral("La impresora %1 no contesta a las preguntas de estado: se le envían los tickets sin "
                               "saber si tiene papel o la tapa abierta (estado=auto; con estado=no no se pregunta)")
                    .arg(cfg_.name));
    silenceLogged_ = true;
}

EscPosState EscPosDevice::probe(QString *cause) {
    cause->clear();
    try {
        const std::unique_ptr<EscPosLink> link = connect();
        EscPosState seen = EscPosState::Ready;
        switch (cfg_.stateQueries) {
            case EscPosPrinterConfig::StateQueries::Never:
                break;
            case EscPosPrinterConfig::StateQueries::Always:
                seen = requireGoodState(askState(*link));
                break;
            case EscPosPrinterConfig::StateQueries::Auto:
                // A printer that never answers would cost a second of waiting
                // at every look: once is enough to know it.
                if (!answeredOnce_ && lookedSilent_) {
                    seen = EscPosState::NoStatus;
                    break;
                }
                if (const std::optional<EscPosState> answered = askState(*link); answered || answeredOnce_) {
                    seen = requireGoodState(answered);
                } else {
                    lookedSilent_ = true;
                    noteSilence();
                    seen = EscPosState::NoStatus;
                }
                break;
        }
        state_ = seen;
    } catch (const TpvError &e) {
        // failWith has set the state the printer was found in.
        *cause = e.description();
    }
    return state_;
}

std::unique_ptr<EscPosLink> EscPosDevice::connect() {
    EscPosConnection c;
    QString why;
    if (!parseEscPosConnection(cfg_.connection, &c, &why))
        failWith(EscPosState::NoConnection,
                 QStringLiteral("La impresora %1 tiene una conexión mal escrita: %2").arg(cfg_.name, why));
    std::unique_ptr<EscPosLink> link = openEscPosLink(c, &why, usbRoot_);
    if (link) return link;
    const QString place = escPosConnectionPlace(c);
    if (c.kind == EscPosConnection::Kind::Tcp)
        failWith(EscPosState::NoConnection,
                 QStringLiteral("No se puede conectar con la impresora %1 (%2): %3").arg(cfg_.name, place, why));
    failWith(EscPosState::NoConnection,
             QStringLiteral("No se puede abrir el dispositivo %1 de la impresora %2: %3").arg(place, cfg_.name, why));
}

void EscPosDevice::deliver(const QByteArray &ticket) {
    // A new connection for every ticket: a printer switched off and on
    // again is reached at its next ticket, with no stale connection kept.
    const std::unique_ptr<EscPosLink> link = connect();
    const bool checked = checkBeforeTicket(*link);
    QString why;
    if (!link->writeAll(ticket, escpos::WriteTimeoutMs, &why))
        failWith(EscPosState::NoConnection,
                 QStringLiteral("No se ha podido enviar el ticket a la impresora %1: %2").arg(cfg_.name, why));
    EscPosState after = EscPosState::Ready;
    if (checked)
        after = requireGoodState(askState(*link));
    else if (cfg_.stateQueries == EscPosPrinterConfig::StateQueries::Auto)
        after = EscPosState::NoStatus;
    link->finish();
    state_ = after;
}

}  // namespace tpv
