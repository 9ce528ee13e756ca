#pragma once
// A print server whose kitchen printer is a screen, Pantalla-Cocina, with
// Cocina (a folder printer) as its backup; another screen, Otra, that no
// order goes to. Built as the program builds it, monitoring included.
#include "app/Screens.h"
#include "devices/screen/ScreenStore.h"
#include "monitor/MonitorSupport.h"
#include "support/FakeScreenPage.h"

#include <QTest>

namespace tpv::test {

class KitchenScreen : public Watched {
protected:
    static inline const QString kScreen = QStringLiteral("Pantalla-Cocina");
    static inline const QByteArray kKey = "clave-de-la-cocina";

    void SetUp() override {
        Watched::SetUp();
        exec(QStringLiteral("UPDATE prn SET conexprn = 'Pantalla-Cocina' WHERE conexprn = 'Cocina'"));
        declare(QStringLiteral("[Pantalla-Cocina]\nconexion=pantalla\nclave=%1\nrespaldo=Cocina\n\n"
                               "[Otra]\nconexion=pantalla\nclave=clave-de-la-otra\n")
                    .arg(QString::fromLatin1(kKey)));
        routeAllTo(1);
    }
    void TearDown() override {
        wiring.reset();
        Watched::TearDown();
    }
    // The server with its monitoring and its screens, their cards read.
    void startScreens() {
        startWatched();
        wiring = std::make_unique<Screens>(*printServer, screens);
        wiring->start();
        ASSERT_TRUE(QTest::qWaitFor([this] { return screens->store()->loaded(); }, 10000));
    }
    // A new process on the same folders and database.
    void restartScreens() {
        wiring.reset();
        monitoring.reset();
        stop();
        startScreens();
    }
    int pending() const { return scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")); }
    QString screenInList() const {
        for (const QString &l : f->printerStates.texts())
            if (l.startsWith(kScreen)) return l;
        return {};
    }

    std::unique_ptr<Screens> wiring;
};

}  // namespace tpv::test
