#include "ui/qt/WindowSystem.h"

#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtMainWindow.h"
#include "ui/qt/QtSpanish.h"

#include <QApplication>

namespace tpv {

std::unique_ptr<QCoreApplication> windowApplication(int &argc, char **argv, bool spanish) {
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lector-tpv"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (spanish) loadQtSpanish(*app);
    return app;
}

struct WindowSystem::Parts {
    QtDialogs dialogs;
    std::unique_ptr<QtMainWindow> window;
};

WindowSystem::WindowSystem() : p_(std::make_unique<Parts>()) {}

WindowSystem::~WindowSystem() = default;

Dialogs &WindowSystem::dialogs() { return p_->dialogs; }

void WindowSystem::setClock(const Clock *clock) { p_->dialogs.setClock(clock); }

void WindowSystem::open(FrmPpal &f, MainWindowActions actions) {
    p_->window = std::make_unique<QtMainWindow>(f, std::move(actions));
    p_->dialogs.setParent(p_->window.get());
    p_->window->show();
}

void WindowSystem::close() {
    if (p_->window) p_->window->close();
}

bool WindowSystem::isOpen() const { return p_->window != nullptr; }

}  // namespace tpv
