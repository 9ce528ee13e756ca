#pragma once
// Message boxes and the font dialog of the real window.
#include "platform/Dialogs.h"

class QWidget;

namespace tpv {

class QtDialogs : public Dialogs {
public:
    void setParent(QWidget *parent) { parent_ = parent; }
    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok) override;
    std::optional<FontChoice> chooseFont(const FontChoice &preset, int flags) override;

private:
    QWidget *parent_ = nullptr;
};

}  // namespace tpv
