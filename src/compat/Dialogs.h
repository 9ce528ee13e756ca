#pragma once
// Modal message boxes and the font dialog. The real window shows Qt's; the
// headless layer writes each message to standard error with its title and
// answers with the default button, and cancels the font dialog. Tests script
// the answers they need (tests/support/ScriptedDialogs.h).
#include "platform/Log.h"

#include <QString>
#include <functional>
#include <optional>

namespace tpv {

enum class MsgIcon { None, Critical, Exclamation, Information };
enum class MsgButtons { Ok, OkCancel };
enum class MsgAnswer { Ok, Cancel };

struct FontChoice {
    QString name;
    double size = 0;
    bool bold = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgAnswer message(const QString &text, const QString &title, MsgIcon icon,
                              MsgButtons buttons = MsgButtons::Ok) = 0;
    // The font the operator chose, or nothing when the dialog was cancelled.
    virtual std::optional<FontChoice> chooseFont(const FontChoice &preset, int flags) = 0;

    // A printing failure the operator must know of: the message under the
    // title "ATENCIÓN", and its detail (which printer, what it reported).
    // Told at every run that fails while the failure lasts; by default it is
    // a modal message box as any other.
    virtual void printingFailed(const QString &text, const QString &detail) {
        (void)detail;
        message(text, QStringLiteral("ATENCIÓN"), MsgIcon::Critical);
    }
    // A tick printed with no failure: the printing failure, if any, is over.
    virtual void printingWorks() {}
};

class HeadlessDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
        QString title;
        MsgIcon icon;
        MsgButtons buttons;
    };

    explicit HeadlessDialogs(bool echoToStderr = true, const Clock &clock = systemClock())
        : echo_(echoToStderr), printingFailures_(clock) {}

    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon,
                      MsgButtons buttons = MsgButtons::Ok) override;
    std::optional<FontChoice> chooseFont(const FontChoice &preset, int flags) override;
    // The printing failure is told at every poll while it lasts: the log has
    // it when it starts, every few minutes with a count, and when it ends,
    // each printer's failure on its own.
    void printingFailed(const QString &text, const QString &detail) override;
    void printingWorks() override;
    // The end of a poll tick: a printing failure not told again in it has
    // ended.
    void endOfTick();
    // Whether messages are written to standard error (an end the program
    // answers by itself need not be).
    void setEcho(bool on) { echo_ = on; }

protected:
    // The answer to a box: its default button (OK). Tests script others.
    virtual MsgAnswer answer(const Shown &box) {
        (void)box;
        return MsgAnswer::Ok;
    }
    // The font dialog is cancelled.
    virtual std::optional<FontChoice> fontChosen(const FontChoice &preset, int flags) {
        (void)preset;
        (void)flags;
        return std::nullopt;
    }

private:
    MsgAnswer show(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons);

    bool echo_;
    RepeatingFailureLog printingFailures_;
};

}  // namespace tpv
