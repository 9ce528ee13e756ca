#include "devices/IniLines.h"

#include <QFile>
#include <algorithm>

namespace tpv {

IniLines::IniLines(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    QString group;
    for (int i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'))) continue;
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            group = t.mid(1, t.size() - 2).trimmed();
            if (!groups_.contains(group)) groups_.insert(group, i + 1);
            continue;
        }
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (eq > 0) keys_.insert(group + QLatin1Char('\n') + t.left(eq).trimmed(), i + 1);
    }
}

QStringList IniLines::inFileOrder(QStringList groups) const {
    std::stable_sort(groups.begin(), groups.end(),
                     [this](const QString &a, const QString &b) { return group(a) < group(b); });
    return groups;
}

}  // namespace tpv
