#include "ui/PanelOutput.h"

#include "compat/Error.h"

namespace tpv {

namespace {

// Selects the destination in the printer list. A printer installed since
// start-up is added to the list first, so a kitchen printer switched on
// late prints without restarting the server.
void selectDestination(const PanelContext &p, const QString &name) {
    try {
        p.panel.cboPrinters.setText(name);
    } catch (const TpvError &e) {
        if (e.number() != err::NotInList || !refreshInstalledPrinters(p)) throw;
        p.panel.cboPrinters.setText(name);
    }
}

}  // namespace

QString PanelOutput::send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) {
    selectDestination(p_, printer);
    if (onSelected) onSelected();
    cmdMakeCurrent_Click(p_);
    p_.panel.cboOrientation.setListIndex(0);
    cmdSet_Click(p_);
    p_.printers.print(ticket);
    p_.printers.endDoc();
    return printer;
}

std::optional<bool> PanelOutput::arrived(const QString &printer, const QString &title, const QString &digest) {
    return p_.printers.holds(printer, title, digest);
}

}  // namespace tpv
