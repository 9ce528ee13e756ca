// What the headless program writes while a printing failure lasts: the
// message box told at every poll and the status line both follow the log's
// rule, each printer's failure on its own.
#include "compat/Dialogs.h"
#include "kitchen/StatusReport.h"
#include "support/FixedClock.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

using namespace tpv;

namespace {

class HeadlessEcho : public ::testing::Test {
protected:
    void SetUp() override {
        forceJournalPrefix(false);
        testing::internal::CaptureStderr();
    }
    void TearDown() override {
        if (capturing_) testing::internal::GetCapturedStderr();
        forceJournalPrefix(std::nullopt);
    }
    QStringList logLines() {
        capturing_ = false;
        return QString::fromStdString(testing::internal::GetCapturedStderr())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    FixedClock clock{QTime(12, 0)};
    bool capturing_ = true;
};

const QString kAttention = QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora");
const QString kCocina = QStringLiteral("Cocina: 482 La impresora Cocina no tiene papel");
const QString kBarra = QStringLiteral("Barra: 482 La impresora Barra no responde");

}  // namespace

TEST_F(HeadlessEcho, TheAttentionBoxOfTwoFailingPrintersIsOneLineEachUntilEachEnds) {
    ScriptedDialogs dialogs(true, clock);
    for (int tick = 0; tick < 60; ++tick) {
        dialogs.printingFailed(kAttention, kCocina);
        dialogs.printingFailed(kAttention, kBarra);
        dialogs.endOfTick();
        clock.advance(1000);
    }
    // Barra is mended; Cocina still has no paper.
    dialogs.printingFailed(kAttention, kCocina);
    dialogs.endOfTick();
    EXPECT_EQ(logLines(),
              (QStringList{
                  QStringLiteral("[ATENCIÓN] ") + kAttention + QStringLiteral(" (") + kCocina + QLatin1Char(')'),
                  QStringLiteral("[ATENCIÓN] ") + kAttention + QStringLiteral(" (") + kBarra + QLatin1Char(')'),
                  QStringLiteral("Se ha recuperado: [ATENCIÓN] ") + kAttention + QStringLiteral(" (") + kBarra +
                      QStringLiteral(") (repetido 59 veces)"),
              }));
    testing::internal::CaptureStderr();
    capturing_ = true;
    dialogs.printingWorks();
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("Se ha recuperado: [ATENCIÓN] ") + kAttention +
                                      QStringLiteral(" (") + kCocina + QStringLiteral(") (repetido 60 veces)")});
    // Each one is still a box for whoever reads them.
    EXPECT_EQ(dialogs.shown().size(), 121u);
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("ATENCIÓN"));
}

TEST_F(HeadlessEcho, TwoPrintersOnTheStatusLineAreOneLineEachAndTheLineEmptiesWhenBothWork) {
    Label line;
    StatusReport status(line, clock);
    const QString cocina = kAttention + QStringLiteral(" (") + kCocina;
    const QString barra = kAttention + QStringLiteral(" (") + kBarra;
    for (int tick = 0; tick < 30; ++tick) {
        status.startTick();
        // Each job that waits is named, under its printer's failure.
        status.report(cocina + QStringLiteral("; espera la comanda %1, trabajo 1)").arg(12 + tick % 2),
                      QStringLiteral("impresión:Cocina"), cocina);
        status.report(barra + QStringLiteral("; espera la comanda 13, trabajo 2)"), QStringLiteral("impresión:Barra"),
                      barra);
        status.endTick();
        clock.advance(1000);
    }
    status.startTick();
    status.endTick();
    EXPECT_TRUE(line.caption().isEmpty());
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 4) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines[0], cocina + QStringLiteral("; espera la comanda 12, trabajo 1)"));
    EXPECT_EQ(lines[1], barra + QStringLiteral("; espera la comanda 13, trabajo 2)"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Se ha recuperado: ") + barra)) << lines[2].toStdString();
    EXPECT_TRUE(
        lines[3].startsWith(QStringLiteral("Se ha recuperado: ") + cocina + QStringLiteral("; espera la comanda 13")))
        << lines[3].toStdString();
}
