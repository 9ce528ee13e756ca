#include "platform/gui/QtDialogs.h"

#include <QAbstractButton>
#include <QFontDialog>
#include <QMessageBox>

namespace tpv {

MsgAnswer QtDialogs::message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancelar"));
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

std::optional<FontChoice> QtDialogs::chooseFont(const FontChoice &preset, int /*flags*/) {
    QFont initial(preset.name);
    if (preset.size > 0) initial.setPointSizeF(preset.size);
    initial.setBold(preset.bold);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent_, QStringLiteral("Tipo Letra"));
    if (!ok) return std::nullopt;
    return FontChoice{f.family(), f.pointSizeF(), f.bold()};
}

}  // namespace tpv
