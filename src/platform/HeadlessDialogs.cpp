#include "platform/Dialogs.h"

#include "platform/Console.h"

namespace tpv {

MsgAnswer HeadlessDialogs::message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) {
    shown_.push_back({text, title, icon, buttons});
    if (echo_) {
        const LogPriority priority = icon == MsgIcon::Critical      ? LogPriority::Error
                                     : icon == MsgIcon::Exclamation ? LogPriority::Warning
                                                                    : LogPriority::Info;
        writeErrorLine(QStringLiteral("[") + title + QStringLiteral("] ") + text, priority);
    }
    if (whileOpen) whileOpen(shown_.back());
    MsgAnswer a = MsgAnswer::Ok;
    if (!answers_.empty()) {
        a = answers_.front();
        answers_.pop_front();
    }
    if (buttons == MsgButtons::Ok) a = MsgAnswer::Ok;
    return a;
}

std::optional<FontChoice> HeadlessDialogs::chooseFont(const FontChoice &preset, int flags) {
    lastFontPreset = preset;
    lastFontFlags = flags;
    if (fonts_.empty()) return std::nullopt;
    const ScriptedFont next = fonts_.front();
    fonts_.pop_front();
    if (!next.chosen) return std::nullopt;
    return next.font;
}

}  // namespace tpv
