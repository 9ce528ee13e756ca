#include "ui/qt/QtDialogs.h"

#include <QAbstractButton>
#include <QFontDialog>
#include <QMessageBox>

namespace tpv {

QtDialogs::~QtDialogs() { delete failureBox_.data(); }

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

void QtDialogs::printingFailed(const QString &text, const QString &detail) {
    if (!failing_) {
        failing_ = true;
        failingSince_ = clock_->timeOfDay();
        dismissed_.clear();
    }
    shown_ = text + QLatin1Char('\n') + detail;
    // Closed by the operator: the status line and the printer list keep the
    // failure; the box comes back only for news.
    if (!dismissed_.isEmpty() && dismissed_ == shown_) return;
    dismissed_.clear();
    if (!failureBox_) {
        auto *box = new QMessageBox(QMessageBox::Critical, QStringLiteral("ATENCIÓN"), text, QMessageBox::Ok, parent_);
        box->setObjectName(QStringLiteral("cajaAtencion"));
        box->setWindowModality(Qt::NonModal);
        box->setAttribute(Qt::WA_DeleteOnClose);
        // Shown in front of the window without taking the keyboard from
        // whoever is typing there.
        box->setAttribute(Qt::WA_ShowWithoutActivating);
        box->button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
        QObject::connect(box, &QMessageBox::finished, box, [this] { dismissed_ = shown_; });
        failureBox_ = box;
    }
    failureBox_->setText(text);
    failureBox_->setInformativeText(detail + QStringLiteral("\nDesde las ") +
                                    failingSince_.toString(QStringLiteral("HH:mm:ss")));
    if (!failureBox_->isVisible()) failureBox_->show();
}

void QtDialogs::printingWorks() {
    failing_ = false;
    dismissed_.clear();
    if (failureBox_) failureBox_->close();
}

QMessageBox *QtDialogs::failureBox() const {
    return failureBox_ && failureBox_->isVisible() ? failureBox_.data() : nullptr;
}

}  // namespace tpv
