#pragma once
// The journal of deliveries: a decorator of the ticket output port that
// remembers, in an SQLite file of the data folder, which ticket each printer
// received for each sending, written durably right after the delivery.
//
// When a sending runs again after a run that was not completed (a printer
// failed, the completion failed, the process died), a printer that already
// received the same ticket (the same text but for the footer's time) is not
// sent it again; one whose ticket differs gets the new one. Once the sending
// is marked done in the database its entries go, so a reprint that resets
// the job (on this PC or another) prints whole.
// Sendings of business days before the current sending's are pruned.
#include "platform/Database.h"
#include "printing/TicketOutput.h"

#include <QHash>
#include <memory>

namespace tpv {

class DeliveryJournal : public TicketOutput {
public:
    static QString fileName() { return QStringLiteral("entregas.db"); }

    DeliveryJournal(TicketOutput &inner, QString dataDir) : inner_(inner), dataDir_(std::move(dataDir)) {}
    void beginSending(const SendingKey &key) override;
    void send(const QString &printer, const QString &ticketText, const std::function<void()> &onSelected) override;
    void sendingCompleted() override;

    // The digest kept for a ticket: its text without the footer's time.
    static QString digest(const QString &ticketText);

private:
    Connection &journal();
    QString where() const;

    TicketOutput &inner_;
    QString dataDir_;
    std::unique_ptr<Connection> db_;
    SendingKey key_;
    bool inSending_ = false;
    QString prunedBefore_;
    QHash<QString, QString> delivered_;  // printer -> digest, for the current sending
};

}  // namespace tpv
