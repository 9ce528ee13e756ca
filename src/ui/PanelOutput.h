#pragma once
// The ticket output port as the program sends every ticket: through the
// printer panel, exactly as an operator would with its two buttons. The
// destination is chosen in the printer list, made current, set to portrait,
// and the ticket is printed as one document.
#include "ui/PrinterPanel.h"
#include "kitchen/TicketOutput.h"

namespace tpv {

class PanelOutput : public TicketOutput {
public:
    explicit PanelOutput(PanelContext panel) : p_(std::move(panel)) {}
    QString send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) override;
    // Asks the printer's own device (a folder or a print queue can tell).
    std::optional<bool> arrived(const QString &printer, const QString &title, const QString &digest) override;

private:
    PanelContext p_;
};

}  // namespace tpv
