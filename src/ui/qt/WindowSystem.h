#pragma once
// The operator's window on Qt Widgets, behind a header that names no widget:
// the program gets its application object, its message boxes and its main
// window here, and nothing outside ui/qt reaches a widget.
#include "ui/WindowActions.h"

#include <memory>

class QCoreApplication;

namespace tpv {
class Clock;
class Dialogs;
class FrmPpal;

// The application object of a program that may open a window or draw a
// ticket (a QApplication), named lector-tpv; it stays running when its last
// window closes. With SPANISH, Qt's own texts are in Spanish.
std::unique_ptr<QCoreApplication> windowApplication(int &argc, char **argv, bool spanish);

class WindowSystem {
public:
    WindowSystem();
    ~WindowSystem();
    WindowSystem(const WindowSystem &) = delete;
    WindowSystem &operator=(const WindowSystem &) = delete;

    // Qt's message boxes and font dialog; in front of the window once it is
    // open. "Since when" on the printing failure box is read from CLOCK,
    // which must outlive this object.
    Dialogs &dialogs();
    void setClock(const Clock *clock);
    // Opens the main window on the form.
    void open(FrmPpal &f, MainWindowActions actions);
    // Closes the window as the operator would: through its close request.
    void close();
    bool isOpen() const;

private:
    struct Parts;
    std::unique_ptr<Parts> p_;
};

}  // namespace tpv
