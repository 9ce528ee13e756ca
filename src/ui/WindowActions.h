#pragma once
// The window's buttons and menus, each tied to the procedure it runs. The
// real window calls these; it knows nothing of the procedures themselves.
#include <functional>

namespace tpv {
class FrmPpal;

struct MainWindowActions {
    std::function<void(const std::function<void()> &)> run;  // runs an operator action
    std::function<void()> upClick, downClick, fontMenu;
    std::function<void()> makeCurrent, set, volver, todo, ultimo, cancelar;
    std::function<bool()> closeRequested;  // true: the window may close
};

// The actions of the form's controls. RUN runs each (the program waits for
// a running tick first); CLOSEREQUESTED is the window's close.
MainWindowActions windowActions(FrmPpal &f, std::function<void(const std::function<void()> &)> run,
                                std::function<bool()> closeRequested);

}  // namespace tpv
