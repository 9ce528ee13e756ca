#pragma once
// Message boxes and the font dialog of the real window.
//
// The printing failure ("ATENCIÓN") is not a modal box: a modal box would
// hold the poll, and with it every printer and every order behind it, until
// someone in the kitchen clicks. It is one box, shown while the failure
// lasts and brought up to date at every run that fails (which printer, what
// it reported, since when), and closed by itself when a tick prints without
// failure. Closed by the operator, it comes back only when the failure
// changes or a new one begins.
#include "platform/Clock.h"
#include "compat/Dialogs.h"

#include <QPointer>

class QMessageBox;
class QWidget;

namespace tpv {

class QtDialogs : public Dialogs {
public:
    QtDialogs() = default;
    ~QtDialogs() override;
    QtDialogs(const QtDialogs &) = delete;
    QtDialogs &operator=(const QtDialogs &) = delete;

    void setParent(QWidget *parent) { parent_ = parent; }
    // Where "since when" comes from (the system's clock by default; it must
    // outlive the dialogs).
    void setClock(const Clock *clock) { clock_ = clock; }

    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok) override;
    std::optional<FontChoice> chooseFont(const FontChoice &preset, int flags) override;
    void printingFailed(const QString &text, const QString &detail) override;
    void printingWorks() override;

    // The printing failure box while it is shown (null otherwise).
    QMessageBox *failureBox() const;

private:
    QWidget *parent_ = nullptr;
    SystemClock systemClock_;
    const Clock *clock_ = &systemClock_;
    QPointer<QMessageBox> failureBox_;
    bool failing_ = false;
    QTime failingSince_;
    QString shown_;      // text and detail the box shows
    QString dismissed_;  // what it showed when the operator closed it
};

}  // namespace tpv
