// The Prometheus alert rules shipped with the package: valid, right on the
// series written by hand (lector-tpv.rules.test.yml), and on no series or
// label that /metrics does not serve.
#include "monitor/MonitorSupport.h"

#include <QRegularExpression>

using namespace tpv;
using namespace tpv::test;

namespace {
const QString kRules = QStringLiteral(TPV_SOURCE_DIR "/packaging/lector-tpv.rules.yml");
const QString kRuleTests = QStringLiteral(TPV_SOURCE_DIR "/tests/monitor/lector-tpv.rules.test.yml");
}  // namespace

TEST(AlertRules, PromtoolFindsTheRulesValidAndEachAlertFiresWhenDueAndOnlyThen) {
    for (const QStringList &args : {QStringList{QStringLiteral("check"), QStringLiteral("rules"), kRules},
                                    QStringList{QStringLiteral("test"), QStringLiteral("rules"), kRuleTests}}) {
        const auto [status, said] = promtool(args);
        EXPECT_EQ(status, 0) << args.join(QLatin1Char(' ')).toStdString() << "\n" << said.toStdString();
    }
}

TEST_F(Watched, EverySeriesTheAlertRulesReadIsOneTheMetricsServe) {
    startWatched();
    quietTick();
    const QByteArray metrics = metricsText(*snapshot(), clock.steadyMs());
    QFile rules(kRules);
    ASSERT_TRUE(rules.open(QIODevice::ReadOnly));
    // The rules, without their comments.
    const QString text = QString::fromUtf8(rules.readAll()).remove(QRegularExpression(QStringLiteral("(?m)^\\s*#.*$")));
    QStringList read;
    for (const QRegularExpressionMatch &m :
         QRegularExpression(QStringLiteral("\\blector_tpv_[a-z_]+")).globalMatch(text))
        read << m.captured();
    EXPECT_GE(read.size(), 6);
    for (const QString &name : read)
        EXPECT_TRUE(metrics.contains("# TYPE " + name.toUtf8() + ' ')) << name.toStdString();
    // And every label they group or join by is one a series carries, but for
    // the job and instance the scrape adds.
    QStringList labels;
    for (const QRegularExpressionMatch &m :
         QRegularExpression(QStringLiteral("\\b(?:by|on|group_left|group_right)\\s*\\(([^)]*)\\)")).globalMatch(text))
        for (const QString &label : m.captured(1).split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (const QString l = label.trimmed(); l != QLatin1String("job") && l != QLatin1String("instance"))
                labels << l;
    EXPECT_FALSE(labels.isEmpty());
    for (const QString &label : labels) EXPECT_TRUE(metrics.contains(label.toUtf8() + "=\"")) << label.toStdString();
}
