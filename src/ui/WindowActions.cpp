#include "ui/WindowActions.h"

#include "ui/FrmPpal.h"

namespace tpv {

MainWindowActions windowActions(FrmPpal &f, std::function<void(const std::function<void()> &)> run,
                                std::function<bool()> closeRequested) {
    MainWindowActions a;
    a.run = std::move(run);
    a.upClick = [&f] { UpDown1_UpClick(f.g, f.lineasp); };
    a.downClick = [&f] { UpDown1_DownClick(f.g, f.lineasp); };
    a.fontMenu = [&f] {
        FontContext c = f.font();
        tl_Click(c);
    };
    a.makeCurrent = [&f] {
        PanelContext c = f.printerPanel();
        cmdMakeCurrent_Click(c);
    };
    a.set = [&f] {
        PanelContext c = f.printerPanel();
        cmdSet_Click(c);
    };
    auto reprint = [&f](void (*procedure)(const ReprintContext &)) {
        return [&f, procedure] {
            ReprintContext c = f.reprint();
            procedure(c);
        };
    };
    a.volver = reprint(&cmdVolver_Click);
    a.todo = reprint(&cmdTodo_Click);
    a.ultimo = reprint(&cmdUltimo_Click);
    a.cancelar = reprint(&cmdCancelar_Click);
    a.closeRequested = std::move(closeRequested);
    return a;
}

}  // namespace tpv
