#include "compat/Dialogs.h"

#include "platform/Console.h"

namespace tpv {

MsgAnswer HeadlessDialogs::show(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) {
    const MsgAnswer a = answer({text, title, icon, buttons});
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : a;
}

MsgAnswer HeadlessDialogs::message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) {
    if (echo_) {
        const LogPriority priority = icon == MsgIcon::Critical      ? LogPriority::Error
                                     : icon == MsgIcon::Exclamation ? LogPriority::Warning
                                                                    : LogPriority::Info;
        writeErrorLine(QStringLiteral("[") + title + QStringLiteral("] ") + text, priority);
    }
    return show(text, title, icon, buttons);
}

void HeadlessDialogs::printingFailed(const QString &text, const QString &detail) {
    const QString title = QStringLiteral("ATENCIÓN");
    if (echo_) {
        // Each printer's failure is its own: the detail names the printer
        // and its cause.
        printingFailures_.failed(text + QLatin1Char('\n') + detail, QStringLiteral("[") + title + QStringLiteral("] ") +
                                                                        text + QStringLiteral(" (") + detail +
                                                                        QLatin1Char(')'));
    }
    show(text, title, MsgIcon::Critical, MsgButtons::Ok);
}

void HeadlessDialogs::printingWorks() { printingFailures_.recoverAll(); }

void HeadlessDialogs::endOfTick() {
    printingFailures_.endRound();
    printingFailures_.startRound();
}

std::optional<FontChoice> HeadlessDialogs::chooseFont(const FontChoice &preset, int flags) {
    return fontChosen(preset, flags);
}

}  // namespace tpv
