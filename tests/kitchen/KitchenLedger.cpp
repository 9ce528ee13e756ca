#include "kitchen/KitchenLedger.h"

#include <QRegularExpression>

namespace tpv::test {

KitchenLedger KitchenLedger::of(const QStringList &tickets) {
    static const QRegularExpression order(QStringLiteral("Comanda N\\.  (\\d+)"));
    static const QRegularExpression dish(QStringLiteral("^(-?\\d+(?:[.,]\\d+)?) (.+?)\\s*$"));
    static const QRegularExpression backup(QStringLiteral("^\\*\\*\\* RESPALDO DE (.+) \\*\\*\\*$"));
    KitchenLedger out;
    for (const QString &t : tickets) {
        const QString comanda = order.match(t).captured(1);
        QMap<QString, double> *into = &out.made;
        bool inBody = false;
        for (const QString &line : t.split(QStringLiteral("\r\n"))) {
            if (line == QStringLiteral("*** REIMPRESIÓN ***")) into = &out.reprinted;
            if (line == QStringLiteral("*** POSIBLE REPETICIÓN ***")) into = &out.maybeAgain;
            if (const auto b = backup.match(line); b.hasMatch()) out.backupFor << b.captured(1);
            if (line.contains(QLatin1String("ARTICULOS CARTA")) || line.contains(QLatin1String("Platos de Menu")))
                inBody = true;
            if (line == QLatin1String("**********")) inBody = false;
            if (!inBody) continue;
            const auto m = dish.match(line);
            if (!m.hasMatch()) continue;
            QString q = m.captured(1);
            q.replace(QLatin1Char(','), QLatin1Char('.'));
            (*into)[comanda + QLatin1Char(' ') + m.captured(2)] += q.toDouble();
        }
    }
    return out;
}

QString KitchenLedger::show(const QMap<QString, double> &m) {
    QStringList parts;
    for (auto it = m.begin(); it != m.end(); ++it)
        if (it.value() != 0) parts << it.key() + QLatin1Char('=') + QString::number(it.value());
    return parts.join(QStringLiteral(", "));
}

}  // namespace tpv::test
