#pragma once
// The real main window frmPpal: widgets bound to the control models of
// FrmPpal. The procedures never touch these widgets.
#include "ui/WindowActions.h"

#include <QMainWindow>

class QListWidget;
class QScrollArea;

namespace tpv {
class FrmPpal;

class QtMainWindow : public QMainWindow {
public:
    QtMainWindow(FrmPpal &f, MainWindowActions actions);
    void showPrinterPanel(bool show);

protected:
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildLists(QWidget *parent);
    QWidget *buildPrinterPanel();
    void buildChoiceFrame(QWidget *parent);
    // Puts the reprint choice over the done list, where it is open.
    void placeChoice();
    // Keeps the window inside the screen's free area.
    void fitScreen();

    FrmPpal &f_;
    MainWindowActions a_;
    QWidget *left_ = nullptr;
    QListWidget *lstReal_ = nullptr;
    QWidget *veil_ = nullptr;
    QWidget *choice_ = nullptr;
    QScrollArea *panel_ = nullptr;
};

}  // namespace tpv
