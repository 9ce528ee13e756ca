#pragma once
// A page open on a kitchen screen without a browser: it keeps the last
// state it was sent and says it has shown each new card, from a thread of
// its own as a browser's request would; one told not to show never does.
#include "devices/screen/ScreenHub.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tpv::test {

class FakeScreenPage : public ScreenPage {
public:
    // Opens itself on the screen.
    static std::shared_ptr<FakeScreenPage> open(ScreenHub &hub, const QString &screen, bool shows = true) {
        auto page = std::shared_ptr<FakeScreenPage>(new FakeScreenPage(hub, screen, shows));
        hub.addPage(screen, page);
        return page;
    }
    ~FakeScreenPage() override { close(); }

    bool send(const QByteArray &event) override {
        const std::lock_guard lock(mutex_);
        if (closed_) return false;
        static const QRegularExpression state(QStringLiteral("^event: estado\\ndata: (.*)$"),
                                              QRegularExpression::MultilineOption);
        const auto m = state.match(QString::fromUtf8(event));
        if (!m.hasMatch()) return true;
        state_ = QJsonDocument::fromJson(m.captured(1).toUtf8()).object();
        ++states_;
        wake_.notify_all();
        return true;
    }
    bool isOpen() const override {
        const std::lock_guard lock(mutex_);
        return !closed_;
    }
    void close() {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    // The cards the page shows, each as "Mesa 3: 2 Caña, 1 Flan".
    QStringList cards() const {
        const std::lock_guard lock(mutex_);
        QStringList out;
        for (const QJsonValue &card : state_.value(QLatin1String("tarjetas")).toArray()) {
            QStringList dishes;
            for (const QJsonValue &d : card.toObject().value(QLatin1String("platos")).toArray())
                dishes << d.toObject().value(QLatin1String("cantidad")).toString() + QLatin1Char(' ') +
                              d.toObject().value(QLatin1String("nombre")).toString();
            out << QStringLiteral("Mesa %1: %2")
                       .arg(card.toObject().value(QLatin1String("mesa")).toString(), dishes.join(QStringLiteral(", ")));
        }
        return out;
    }
    QJsonObject state() const {
        const std::lock_guard lock(mutex_);
        return state_;
    }

private:
    FakeScreenPage(ScreenHub &hub, QString screen, bool shows) : shows_(shows) {
        if (!shows) return;
        thread_ = std::thread([this, &hub, screen] {
            std::unique_lock lock(mutex_);
            int seen = 0;
            while (!closed_) {
                seen = states_;
                std::vector<qint64> ids;
                for (const QJsonValue &card : state_.value(QLatin1String("tarjetas")).toArray())
                    ids.push_back(card.toObject().value(QLatin1String("id")).toInteger());
                lock.unlock();
                hub.shown(screen, ids);
                lock.lock();
                wake_.wait(lock, [&] { return closed_ || states_ != seen; });
            }
        });
    }

    const bool shows_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    QJsonObject state_;
    int states_ = 0;
    bool closed_ = false;
    std::thread thread_;
};

}  // namespace tpv::test
