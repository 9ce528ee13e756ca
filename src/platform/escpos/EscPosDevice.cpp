#include "platform/escpos/EscPosDevice.h"

#include "platform/Error.h"
#include "platform/escpos/EscPosLink.h"

namespace tpv {

namespace {
constexpr char DLE = 0x10;
constexpr char EOT = 0x04;

bool bit(int value, int n) { return (value >> n) & 1; }
}  // namespace

QString stateLabel(EscPosState state) {
    switch (state) {
        case EscPosState::Unknown:
            return QStringLiteral("Desconocido");
        case EscPosState::Ready:
            return QStringLiteral("Lista");
        case EscPosState::PaperEnd:
            return QStringLiteral("Sin papel");
        case EscPosState::CoverOpen:
            return QStringLiteral("Tapa abierta");
        case EscPosState::Offline:
            return QStringLiteral("Fuera de línea");
        case EscPosState::Error:
            return QStringLiteral("Error");
        case EscPosState::NoAnswer:
            return QStringLiteral("No responde");
        case EscPosState::NoConnection:
            return QStringLiteral("Sin conexión");
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
    return EscPosState::Ready;
}

EscPosDevice::EscPosDevice(EscPosPrinterConfig cfg) : cfg_(std::move(cfg)) {}

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

// Asks the three state bytes; throws unless the printer is ready.
void EscPosDevice::checkState(EscPosLink &link) {
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
        if (answers[i] < 0) failWith(EscPosState::NoAnswer, stateCause(EscPosState::NoAnswer));
    }
    const EscPosState s = escPosStateFromAnswers(answers[0], answers[1], answers[2]);
    if (s != EscPosState::Ready) failWith(s, stateCause(s));
    state_ = EscPosState::Ready;
}

void EscPosDevice::deliver(const QByteArray &ticket) {
    EscPosConnection c;
    QString why;
    if (!parseEscPosConnection(cfg_.connection, &c, &why))
        failWith(EscPosState::NoConnection,
                 QStringLiteral("La impresora %1 tiene una conexión mal escrita: %2").arg(cfg_.name, why));
    const std::unique_ptr<EscPosLink> link = openEscPosLink(c, &why);
    if (!link) {
        const QString place = escPosConnectionPlace(c);
        failWith(EscPosState::NoConnection,
                 c.kind == EscPosConnection::Kind::Tcp
                     ? QStringLiteral("No se puede conectar con la impresora %1 (%2): %3").arg(cfg_.name, place, why)
                     : QStringLiteral("No se puede abrir el dispositivo %1 de la impresora %2: %3")
                           .arg(place, cfg_.name, why));
    }
    if (cfg_.askState) checkState(*link);
    if (!link->writeAll(ticket, escpos::WriteTimeoutMs, &why))
        failWith(EscPosState::NoConnection,
                 QStringLiteral("No se ha podido enviar el ticket a la impresora %1: %2").arg(cfg_.name, why));
    if (cfg_.askState) checkState(*link);
    state_ = EscPosState::Ready;
}

}  // namespace tpv
