#include "devices/screen/ScreenHub.h"

#include "compat/Error.h"
#include "compat/Variant.h"
#include "devices/screen/ScreenStore.h"
#include "platform/Waiting.h"
#include "ticket/Card.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <algorithm>
#include <chrono>
#include <map>

namespace tpv {

namespace {

QString roleWord(LineRole role) {
    switch (role) {
        case LineRole::Header:
            return QStringLiteral("cabecera");
        case LineRole::TableOrder:
            return QStringLiteral("mesa");
        case LineRole::SectionTitle:
            return QStringLiteral("seccion");
        case LineRole::Dish:
            return QStringLiteral("plato");
        case LineRole::Extra:
            return QStringLiteral("extra");
        case LineRole::CancelledDish:
        case LineRole::CancelledExtra:
            return QStringLiteral("anulado");
        case LineRole::Mark:
            return QStringLiteral("marca");
        case LineRole::Footer:
            return QStringLiteral("pie");
        default:
            return QStringLiteral("texto");
    }
}

QByteArray compact(const QJsonObject &o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

// Each dish of a card by name, with its quantity (negative when cancelled).
std::vector<std::pair<QString, double>> dishesOf(const QByteArray &card) {
    std::vector<std::pair<QString, double>> out;
    for (const QJsonValue &d : QJsonDocument::fromJson(card).object().value(QLatin1String("platos")).toArray()) {
        const QJsonObject o = d.toObject();
        out.emplace_back(o.value(QLatin1String("nombre")).toString(), o.value(QLatin1String("valor")).toDouble());
    }
    return out;
}

// 48 random bits: an exact number in the page's JavaScript.
qint64 newCardId() { return static_cast<qint64>(QRandomGenerator::system()->generate64() >> 16) | 1; }

bool byArrival(const ScreenCard &a, const ScreenCard &b) {
    return a.arrivedMs != b.arrivedMs ? a.arrivedMs < b.arrivedMs : a.id < b.id;
}

}  // namespace

QByteArray cardJson(qint64 id, qint64 arrivedMs, const Document &ticket) {
    const ticket::Card c = ticket::cardOf(ticket);
    QJsonArray dishes, lines;
    for (const ticket::CardDish &d : c.dishes)
        dishes.append(QJsonObject{{QStringLiteral("cantidad"), d.quantity},
                                  {QStringLiteral("valor"), d.amount},
                                  {QStringLiteral("nombre"), d.name},
                                  {QStringLiteral("extras"), QJsonArray::fromStringList(d.extras)},
                                  {QStringLiteral("anulado"), d.cancelled},
                                  {QStringLiteral("menu"), d.menu}});
    for (const DocumentLine &l : c.lines)
        lines.append(QJsonObject{{QStringLiteral("rol"), roleWord(l.role)}, {QStringLiteral("texto"), l.text}});
    return compact({{QStringLiteral("id"), id},
                    {QStringLiteral("llegada"), arrivedMs},
                    {QStringLiteral("mesa"), c.table},
                    {QStringLiteral("comanda"), c.order},
                    {QStringLiteral("hora"), c.sentAt},
                    {QStringLiteral("marcas"), QJsonArray::fromStringList(c.marks)},
                    {QStringLiteral("platos"), dishes},
                    {QStringLiteral("lineas"), lines}});
}

ScreenHub::ScreenHub(std::vector<ScreenConfig> screens)
    : configs_(std::move(screens)), now_([] { return QDateTime::currentMSecsSinceEpoch(); }) {
    for (const ScreenConfig &c : configs_) screens_[c.name];
}

ScreenHub::~ScreenHub() = default;

void ScreenHub::setEpochClock(std::function<qint64()> clock) {
    const std::lock_guard lock(mutex_);
    now_ = std::move(clock);
}

const ScreenConfig *ScreenHub::screen(const QString &name) const {
    for (const ScreenConfig &c : configs_)
        if (c.name == name) return &c;
    return nullptr;
}

void ScreenHub::setStore(std::shared_ptr<ScreenStore> store) {
    const std::lock_guard lock(mutex_);
    store_ = std::move(store);
}

ScreenStore *ScreenHub::store() const {
    const std::lock_guard lock(mutex_);
    return store_.get();
}

// Each time after the last, even within one millisecond: cards show in the
// order they arrived and come back in the order they were done, here and
// once read back.
qint64 ScreenHub::stampLocked() { return lastStampMs_ = std::max(now_(), lastStampMs_ + 1); }

ScreenHub::Screen *ScreenHub::find(const QString &name) {
    const auto it = screens_.find(name);
    return it == screens_.end() ? nullptr : &it->second;
}

int ScreenHub::openPagesLocked(Screen &s) {
    std::erase_if(s.pages, [](const std::shared_ptr<ScreenPage> &p) { return !p->isOpen(); });
    return static_cast<int>(s.pages.size());
}

int ScreenHub::openPages(const QString &screen) {
    const std::lock_guard lock(mutex_);
    Screen *s = find(screen);
    return s ? openPagesLocked(*s) : 0;
}

QByteArray ScreenHub::stateLocked(const QString &name, Screen &s) {
    const ScreenConfig *c = screen(name);
    std::map<QString, double> allDay;
    QByteArrayList cards;
    for (const Card &card : s.showing) {
        cards << card.kept.content;
        for (const auto &[dish, amount] : card.dishes) allDay[dish] += amount;
    }
    std::vector<std::pair<QString, double>> totals;
    for (const auto &[dish, amount] : allDay)
        if (amount > 0) totals.emplace_back(dish, amount);
    std::stable_sort(totals.begin(), totals.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    QJsonArray allDayJson;
    for (const auto &[dish, amount] : totals)
        allDayJson.append(
            QJsonObject{{QStringLiteral("nombre"), dish}, {QStringLiteral("cantidad"), numberToText(amount)}});
    QByteArray state =
        compact({{QStringLiteral("pantalla"), name},
                 {QStringLiteral("ahora"), now_()},
                 {QStringLiteral("aviso_min"), c->warnMinutes},
                 {QStringLiteral("alarma_min"), c->alarmMinutes},
                 {QStringLiteral("estilo"),
                  c->style == ScreenConfig::Style::Plain ? QStringLiteral("sencillo") : QStringLiteral("cocina")},
                 {QStringLiteral("hechas"), static_cast<int>(s.done.size())},
                 {QStringLiteral("todo_el_dia"), allDayJson}});
    // The cards are kept as their JSON: they go in as they are.
    state.chop(1);
    state += ",\"tarjetas\":[" + cards.join(',') + "]}";
    return "event: estado\ndata: " + state + "\n\n";
}

QByteArray ScreenHub::stateEvent(const QString &screen) {
    const std::lock_guard lock(mutex_);
    Screen *s = find(screen);
    return s ? stateLocked(screen, *s) : QByteArray();
}

void ScreenHub::publishLocked(const QString &name, Screen &s) {
    const QByteArray event = stateLocked(name, s);
    std::erase_if(s.pages, [&](const std::shared_ptr<ScreenPage> &p) { return !p->send(event); });
}

void ScreenHub::showAndKeep(const QString &name, const Document &ticket, bool *unreachable) {
    *unreachable = false;
    ScreenCard kept{newCardId(), name, ticket.title, 0, std::nullopt, {}};
    const auto noPage = [&](const QString &why) {
        *unreachable = true;
        return TpvError(err::PrinterError, why);
    };
    std::shared_ptr<ScreenStore> store;
    {
        std::unique_lock lock(mutex_);
        Screen *s = find(name);
        if (!s) throw TpvError(err::PrinterError, QStringLiteral("No hay ninguna pantalla %1").arg(name));
        if (openPagesLocked(*s) == 0)
            throw noPage(QStringLiteral("La pantalla %1 no tiene ninguna página abierta").arg(name));
        store = store_;
        if (!store)
            throw TpvError(err::PrinterError,
                           QStringLiteral("La pantalla %1 aún no puede guardar sus tarjetas en la base de datos de "
                                          "comandas")
                               .arg(name));
        kept.arrivedMs = stampLocked();
        kept.content = cardJson(kept.id, kept.arrivedMs, ticket);
        s->showing.push_back({kept, true, dishesOf(kept.content)});
        publishLocked(name, *s);
        using namespace std::chrono;
        const int within = shownWithinMs;
        const auto deadline = steady_clock::now() + milliseconds(within);
        for (;;) {
            if (std::erase(s->shownIds, kept.id) > 0) break;
            const bool pagesGone = openPagesLocked(*s) == 0;
            if (pagesGone || steady_clock::now() >= deadline) {
                std::erase_if(s->showing, [&](const Card &c) { return c.kept.id == kept.id; });
                publishLocked(name, *s);
                throw noPage(pagesGone
                                 ? QStringLiteral("La pantalla %1 no tiene ninguna página abierta").arg(name)
                                 : QStringLiteral("Ninguna página de la pantalla %1 ha mostrado el ticket en %2 s")
                                       .arg(name)
                                       .arg(within / 1000.0));
            }
            shownChanged_.wait_for(lock, milliseconds(waiting::kSliceMs));
            lock.unlock();
            waiting::turn();
            lock.lock();
        }
    }
    try {
        store->insert(kept);
    } catch (const TpvError &e) {
        withdraw(name, kept.id);
        // A printing failure: the order database's own failures are the
        // poll's to see, on its own connections.
        throw TpvError(err::PrinterError,
                       QStringLiteral("La pantalla %1 ha mostrado el ticket, pero no se ha podido guardar "
                                      "(%2)")
                           .arg(name, e.description()));
    }
    const std::lock_guard lock(mutex_);
    for (Card &c : find(name)->showing)
        if (c.kept.id == kept.id) c.pending = false;
}

void ScreenHub::withdraw(const QString &name, qint64 id) {
    const std::lock_guard lock(mutex_);
    Screen *s = find(name);
    std::erase_if(s->showing, [&](const Card &c) { return c.kept.id == id; });
    publishLocked(name, *s);
}

void ScreenHub::addPage(const QString &name, std::shared_ptr<ScreenPage> page) {
    const std::lock_guard lock(mutex_);
    Screen *s = find(name);
    // A page that loses its stream tries again after 3 s.
    if (s && page->send("retry: 3000\n\n" + stateLocked(name, *s))) s->pages.push_back(std::move(page));
}

void ScreenHub::shown(const QString &name, const std::vector<qint64> &ids) {
    const std::lock_guard lock(mutex_);
    Screen *s = find(name);
    if (!s) return;
    for (const qint64 id : ids)
        for (const Card &c : s->showing)
            if (c.pending && c.kept.id == id) s->shownIds.push_back(id);
    shownChanged_.notify_all();
}

void ScreenHub::keepDoneLocked(Screen &s, std::vector<qint64> *forgotten) {
    while (s.done.size() > static_cast<size_t>(kKeptDone)) {
        forgotten->push_back(s.done.back().kept.id);
        s.done.pop_back();
    }
}

bool ScreenHub::markDone(const QString &name, qint64 id) {
    std::shared_ptr<ScreenStore> store;
    qint64 at = 0;
    std::vector<qint64> forgotten;
    {
        const std::lock_guard lock(mutex_);
        Screen *s = find(name);
        if (!s) return false;
        const auto it = std::find_if(s->showing.begin(), s->showing.end(),
                                     [&](const Card &c) { return c.kept.id == id && !c.pending; });
        if (it == s->showing.end()) return false;
        at = stampLocked();
        Card card = std::move(*it);
        s->showing.erase(it);
        card.kept.doneMs = at;
        s->done.push_front(std::move(card));
        keepDoneLocked(*s, &forgotten);
        publishLocked(name, *s);
        store = store_;
    }
    if (store) {
        store->markDone(id, at);
        if (!forgotten.empty()) store->forget(forgotten);
    }
    return true;
}

bool ScreenHub::recall(const QString &name) {
    std::shared_ptr<ScreenStore> store;
    qint64 id = 0;
    {
        const std::lock_guard lock(mutex_);
        Screen *s = find(name);
        if (!s || s->done.empty()) return false;
        Card card = std::move(s->done.front());
        s->done.pop_front();
        card.kept.doneMs.reset();
        id = card.kept.id;
        const auto at = std::upper_bound(s->showing.begin(), s->showing.end(), card,
                                         [](const Card &a, const Card &b) { return byArrival(a.kept, b.kept); });
        s->showing.insert(at, std::move(card));
        publishLocked(name, *s);
        store = store_;
    }
    if (store) store->reopen(id);
    return true;
}

std::vector<qint64> ScreenHub::load(const QString &name, std::vector<ScreenCard> cards) {
    std::vector<qint64> forgotten;
    const std::lock_guard lock(mutex_);
    Screen *s = find(name);
    if (!s) return forgotten;
    // Cards shown meanwhile stay; the store's replace the rest.
    std::vector<Card> showing;
    for (Card &c : s->showing)
        if (std::none_of(cards.begin(), cards.end(), [&](const ScreenCard &k) { return k.id == c.kept.id; }))
            showing.push_back(std::move(c));
    std::deque<Card> done;
    for (ScreenCard &k : cards) {
        Card c{std::move(k), false, {}};
        c.dishes = dishesOf(c.kept.content);
        (c.kept.doneMs ? done.emplace_back(std::move(c)) : showing.emplace_back(std::move(c)));
    }
    std::stable_sort(showing.begin(), showing.end(),
                     [](const Card &a, const Card &b) { return byArrival(a.kept, b.kept); });
    std::stable_sort(done.begin(), done.end(),
                     [](const Card &a, const Card &b) { return *a.kept.doneMs > *b.kept.doneMs; });
    s->showing = std::move(showing);
    s->done = std::move(done);
    keepDoneLocked(*s, &forgotten);
    publishLocked(name, *s);
    return forgotten;
}

}  // namespace tpv
