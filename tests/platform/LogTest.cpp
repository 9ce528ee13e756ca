// The service log: what reaches standard error, and how a failure that
// repeats at every tick is kept from flooding the journal.
#include "platform/Log.h"
#include "support/FixedClock.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tpv;

namespace {

// Standard error redirected into a file while the object lives.
class CapturedStderr {
public:
    CapturedStderr() : path_(dir_.filePath(QStringLiteral("stderr"))) {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~CapturedStderr() { restore(); }
    // Everything written so far; standard error is back to what it was.
    QByteArray take() {
        restore();
        QFile f(path_);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    QTemporaryDir dir_;
    QString path_;
    int saved_ = -1;
};

class LogLine : public ::testing::Test {
protected:
    void SetUp() override {
        hadStream_ = qEnvironmentVariableIsSet("JOURNAL_STREAM");
        stream_ = qgetenv("JOURNAL_STREAM");
    }
    void TearDown() override {
        if (hadStream_)
            qputenv("JOURNAL_STREAM", stream_);
        else
            qunsetenv("JOURNAL_STREAM");
        forceJournalPrefix(std::nullopt);
    }
    bool hadStream_ = false;
    QByteArray stream_;
};

}  // namespace

TEST_F(LogLine, UnderTheJournalEachLineStartsWithItsPriority) {
    forceJournalPrefix(true);
    CapturedStderr err;
    logLine(LogPriority::Error, QStringLiteral("La impresora Cocina no responde"));
    logLine(LogPriority::Warning, QStringLiteral("Trabajo 7 sin líneas"));
    logLine(LogPriority::Info, QStringLiteral("Se ha recuperado: La impresora Cocina no responde"));
    EXPECT_EQ(err.take(), QByteArray("<3>La impresora Cocina no responde\n"
                                     "<4>Trabajo 7 sin l\xc3\xadneas\n"
                                     "<6>Se ha recuperado: La impresora Cocina no responde\n"));
}

TEST_F(LogLine, OnATerminalOrInAFileLinesCarryNoPriorityPrefix) {
    forceJournalPrefix(false);
    CapturedStderr err;
    logLine(LogPriority::Error, QStringLiteral("El servidor no responde"));
    EXPECT_EQ(err.take(), QByteArray("El servidor no responde\n"));
}

TEST_F(LogLine, ALineBreakInTheTextNeverStartsALineWithoutPriority) {
    forceJournalPrefix(true);
    CapturedStderr err;
    logLine(LogPriority::Error, QStringLiteral("No se puede leer el trabajo\r\nError -2147217865\nTabla PendGar"));
    EXPECT_EQ(err.take(), QByteArray("<3>No se puede leer el trabajo Error -2147217865 Tabla PendGar\n"));
}

TEST_F(LogLine, JournalStreamInTheEnvironmentTurnsThePrefixOnAndItsAbsenceOff) {
    qputenv("JOURNAL_STREAM", "8:12345");
    forceJournalPrefix(std::nullopt);
    EXPECT_TRUE(journalPrefixInUse());
    qunsetenv("JOURNAL_STREAM");
    forceJournalPrefix(std::nullopt);
    EXPECT_FALSE(journalPrefixInUse());
}

TEST(LogTexts, TicketLineNamesJobOrderPrinterAndLineCount) {
    EXPECT_EQ(ticketSentText(41, 1207, QStringLiteral("Cocina"), 5),
              QStringLiteral("Ticket enviado: trabajo 41, comanda 1207, impresora Cocina, 5 líneas"));
    EXPECT_EQ(ticketSentText(42, 1208, QStringLiteral("Barra"), 1),
              QStringLiteral("Ticket enviado: trabajo 42, comanda 1208, impresora Barra, 1 línea"));
}

namespace {

class RepeatingFailure : public ::testing::Test {
protected:
    struct Line {
        LogPriority priority;
        QString text;
        bool operator==(const Line &o) const { return priority == o.priority && text == o.text; }
    };
    static constexpr qint64 kMinute = 60 * 1000;

    FixedClock clock{QTime(12, 0)};
    RepeatingFailureLog log{clock, 5 * kMinute,
                            [this](LogPriority p, const QString &t) {
                                lines.push_back({p, t});
                            }};
    std::vector<Line> lines;

    // One tick a second for SECONDS seconds, each failing with TEXT.
    void failEverySecond(const QString &key, const QString &text, int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock.advance(1000);
            log.failed(key, text);
        }
    }
    QStringList texts() const {
        QStringList out;
        for (const auto &l : lines) out << l.text;
        return out;
    }
};

const QString kNoPaper = QStringLiteral("La impresora Cocina no tiene papel");

}  // namespace

TEST_F(RepeatingFailure, AFailureAtEveryTickIsWrittenOnceWithinTheRepeatInterval) {
    EXPECT_TRUE(log.failed(QStringLiteral("impresora:Cocina"), kNoPaper));
    failEverySecond(QStringLiteral("impresora:Cocina"), kNoPaper, 299);
    EXPECT_EQ(texts(), QStringList{kNoPaper});
}

TEST_F(RepeatingFailure, AfterTheIntervalOneLineCountsTheRepeatsSinceTheLastLine) {
    log.failed(QStringLiteral("impresora:Cocina"), kNoPaper);
    failEverySecond(QStringLiteral("impresora:Cocina"), kNoPaper, 300);
    failEverySecond(QStringLiteral("impresora:Cocina"), kNoPaper, 300);
    EXPECT_EQ(texts(), (QStringList{kNoPaper, kNoPaper + QStringLiteral(" (repetido 300 veces)"),
                                    kNoPaper + QStringLiteral(" (repetido 300 veces)")}));
}

TEST_F(RepeatingFailure, TheEndOfAFailureIsWrittenOnceAsInformation) {
    log.failed(QStringLiteral("servidor"), QStringLiteral("El servidor 10.0.0.5 no responde"));
    EXPECT_TRUE(log.recovered(QStringLiteral("servidor")));
    EXPECT_FALSE(log.recovered(QStringLiteral("servidor")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].priority, LogPriority::Error);
    EXPECT_EQ(lines[1],
              (Line{LogPriority::Info, QStringLiteral("Se ha recuperado: El servidor 10.0.0.5 no responde")}));
}

TEST_F(RepeatingFailure, RecoveryWithoutAFailureWritesNothing) {
    EXPECT_FALSE(log.recovered(QStringLiteral("impresora:Barra")));
    EXPECT_TRUE(lines.empty());
}

TEST_F(RepeatingFailure, RecoveryTellsTheRepeatsNoLineHasCountedYet) {
    log.failed(QStringLiteral("impresora:Cocina"), kNoPaper);
    failEverySecond(QStringLiteral("impresora:Cocina"), kNoPaper, 12);
    log.recovered(QStringLiteral("impresora:Cocina"));
    EXPECT_EQ(texts().last(), QStringLiteral("Se ha recuperado: ") + kNoPaper + QStringLiteral(" (repetido 12 veces)"));
}

TEST_F(RepeatingFailure, ANewCauseOfTheSameFailureIsWrittenAtOnce) {
    log.failed(QStringLiteral("impresora:Cocina"), kNoPaper);
    clock.advance(1000);
    EXPECT_TRUE(
        log.failed(QStringLiteral("impresora:Cocina"), QStringLiteral("La impresora Cocina tiene la tapa abierta")));
    EXPECT_EQ(texts(), (QStringList{kNoPaper, QStringLiteral("La impresora Cocina tiene la tapa abierta")}));
}

TEST_F(RepeatingFailure, OnePrinterFailingDoesNotSilenceAnother) {
    log.failed(QStringLiteral("impresora:Cocina"), kNoPaper);
    clock.advance(1000);
    EXPECT_TRUE(log.failed(QStringLiteral("impresora:Barra"), QStringLiteral("La impresora Barra no responde")));
    log.recovered(QStringLiteral("impresora:Barra"));
    EXPECT_TRUE(log.isFailing(QStringLiteral("impresora:Cocina")));
    EXPECT_EQ(lines.size(), 3u);
}

TEST_F(RepeatingFailure, AFailureThatComesBackAfterRecoveringIsWrittenAtOnce) {
    log.failed(QStringLiteral("impresora:Cocina"), kNoPaper);
    clock.advance(1000);
    log.recovered(QStringLiteral("impresora:Cocina"));
    clock.advance(1000);
    EXPECT_TRUE(log.failed(QStringLiteral("impresora:Cocina"), kNoPaper));
    EXPECT_EQ(texts(), (QStringList{kNoPaper, QStringLiteral("Se ha recuperado: ") + kNoPaper, kNoPaper}));
}

TEST_F(RepeatingFailure, AWarningKeepsItsPriorityWhenRepeated) {
    log.failed(QStringLiteral("lineas"), QStringLiteral("Trabajo 7 sin líneas"), LogPriority::Warning);
    clock.advance(5 * kMinute);
    log.failed(QStringLiteral("lineas"), QStringLiteral("Trabajo 7 sin líneas"), LogPriority::Warning);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], (Line{LogPriority::Warning, QStringLiteral("Trabajo 7 sin líneas (repetido 1 vez)")}));
}

TEST_F(RepeatingFailure, AFailureNotToldAgainInARoundHasEndedAndOnlyThatOneIsWrittenRecovered) {
    log.startRound();
    log.failed(QStringLiteral("impresora:Cocina"), kNoPaper);
    log.failed(QStringLiteral("impresora:Barra"), QStringLiteral("La impresora Barra no responde"));
    EXPECT_EQ(log.endRound(), 0);
    log.startRound();
    clock.advance(1000);
    log.failed(QStringLiteral("impresora:Barra"), QStringLiteral("La impresora Barra no responde"));
    EXPECT_EQ(log.endRound(), 1);
    EXPECT_EQ(texts().last(), QStringLiteral("Se ha recuperado: ") + kNoPaper);
    EXPECT_TRUE(log.isFailing(QStringLiteral("impresora:Barra")));
}

TEST_F(RepeatingFailure, TwoFailuresToldInTurnAtEveryTickAreOneLineEachWithinTheInterval) {
    for (int i = 0; i < 299; ++i) {
        log.startRound();
        log.failed(QStringLiteral("impresora:Cocina"), kNoPaper);
        log.failed(QStringLiteral("impresora:Barra"), QStringLiteral("La impresora Barra no responde"));
        log.endRound();
        clock.advance(1000);
    }
    EXPECT_EQ(texts(), (QStringList{kNoPaper, QStringLiteral("La impresora Barra no responde")}));
}

TEST_F(RepeatingFailure, ATextThatNamesAnotherOrderUnderTheSameCauseIsNoNewLineAndRepeatsShowTheLatest) {
    const QString cause = QStringLiteral("Cocina sin papel");
    log.failed(QStringLiteral("k"), QStringLiteral("Cocina sin papel; espera la comanda 12"), LogPriority::Error,
               cause);
    clock.advance(1000);
    EXPECT_FALSE(log.failed(QStringLiteral("k"), QStringLiteral("Cocina sin papel; espera la comanda 15"),
                            LogPriority::Error, cause));
    clock.advance(5 * kMinute);
    log.failed(QStringLiteral("k"), QStringLiteral("Cocina sin papel; espera la comanda 16"), LogPriority::Error,
               cause);
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("Cocina sin papel; espera la comanda 12"),
                                    QStringLiteral("Cocina sin papel; espera la comanda 16 (repetido 2 veces)")}));
}
