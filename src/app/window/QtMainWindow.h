#pragma once
// The real main window frmPpal: widgets bound to the control models of
// FrmPpal. The procedures never touch these widgets.
#include <QMainWindow>
#include <functional>

namespace tpv {
class FrmPpal;

struct MainWindowActions {
    std::function<void(const std::function<void()> &)> run;  // runs an operator action
    std::function<void()> upClick, downClick, fontMenu;
    std::function<void()> makeCurrent, set, volver, todo, ultimo, cancelar;
    std::function<bool()> closeRequested;  // true: the window may close
};

class QtMainWindow : public QMainWindow {
public:
    QtMainWindow(FrmPpal &f, MainWindowActions actions);
    void showPrinterPanel(bool show);

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    QWidget *buildPrinterPanel();
    QWidget *buildChoiceFrame(QWidget *parent, QWidget *lists);

    FrmPpal &f_;
    MainWindowActions a_;
    QWidget *panel_ = nullptr;
};

}  // namespace tpv
