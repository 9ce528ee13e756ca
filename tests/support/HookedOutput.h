#pragma once
// A ticket output port in front of the real one, with a hook before each
// ticket goes out and one after the printer has it: what a terminal writing
// meanwhile, a printer failing part way or a process dying looks like.
#include "kitchen/TicketOutput.h"

#include <functional>

namespace tpv::test {

class HookedOutput : public TicketOutput {
public:
    using Hook = std::function<void(const QString &printer, const Document &ticket)>;
    HookedOutput(TicketOutput &inner, Hook after, Hook before = {})
        : inner_(inner), after_(std::move(after)), before_(std::move(before)) {}
    QString send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) override {
        if (before_) before_(printer, ticket);
        const QString tookIt = inner_.send(printer, ticket, onSelected);
        if (after_) after_(printer, ticket);
        return tookIt;
    }
    std::optional<bool> arrived(const QString &printer, const QString &title, const QString &digest) override {
        return inner_.arrived(printer, title, digest);
    }

private:
    TicketOutput &inner_;
    Hook after_, before_;
};

}  // namespace tpv::test
