#pragma once
// The headless message boxes with the answers a test scripts: each box shown
// is kept, answered with the next answer given (else its default), and the
// font dialog returns the next font given (else it is cancelled).
#include "compat/Dialogs.h"

#include <deque>
#include <functional>
#include <vector>

namespace tpv {

class ScriptedDialogs : public HeadlessDialogs {
public:
    using HeadlessDialogs::HeadlessDialogs;

    // Answers for the next boxes, in order; without one, the default (OK).
    void setNextAnswer(MsgAnswer a) { answers_.push_back(a); }
    // The font the next dialog returns; without one, it is cancelled.
    void setNextFont(std::optional<FontChoice> f) { fonts_.push_back(f); }
    // Runs while a message box is "open": tests use it to spin the event
    // loop as a real modal box would.
    std::function<void(const Shown &)> whileOpen;

    const std::vector<Shown> &shown() const { return shown_; }
    void clearShown() { shown_.clear(); }
    FontChoice lastFontPreset;
    int lastFontFlags = 0;

protected:
    MsgAnswer answer(const Shown &box) override {
        shown_.push_back(box);
        if (whileOpen) whileOpen(shown_.back());
        if (answers_.empty()) return MsgAnswer::Ok;
        const MsgAnswer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    std::optional<FontChoice> fontChosen(const FontChoice &preset, int flags) override {
        lastFontPreset = preset;
        lastFontFlags = flags;
        if (fonts_.empty()) return std::nullopt;
        const std::optional<FontChoice> next = fonts_.front();
        fonts_.pop_front();
        return next;
    }

private:
    std::deque<MsgAnswer> answers_;
    std::deque<std::optional<FontChoice>> fonts_;
    std::vector<Shown> shown_;
};

}  // namespace tpv
