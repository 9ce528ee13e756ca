#include "sql/ConnectionStrings.h"

#include <QDir>
#include <QRegularExpression>

namespace tpv {

QHash<QString, QString> parseConnectionString(const QString &s) {
    QHash<QString, QString> out;
    int at = 0;
    while (at < s.size()) {
        const int eq = s.indexOf(QLatin1Char('='), at);
        if (eq < 0) break;
        const QString name = s.mid(at, eq - at).trimmed().toLower();
        int p = eq + 1;
        while (p < s.size() && s[p] == QLatin1Char(' ')) ++p;
        QString value;
        if (p < s.size() && s[p] == QLatin1Char('{')) {
            for (++p; p < s.size(); ++p) {
                if (s[p] == QLatin1Char('}')) {
                    if (p + 1 < s.size() && s[p + 1] == QLatin1Char('}')) {
                        value += QLatin1Char('}');
                        ++p;
                        continue;
                    }
                    ++p;
                    break;
                }
                value += s[p];
            }
            const int semi = s.indexOf(QLatin1Char(';'), p);
            at = semi < 0 ? static_cast<int>(s.size()) : semi + 1;
        } else {
            const int semi = s.indexOf(QLatin1Char(';'), p);
            value = s.mid(p, semi < 0 ? -1 : semi - p).trimmed();
            at = semi < 0 ? static_cast<int>(s.size()) : semi + 1;
        }
        out.insert(name, value);
    }
    return out;
}

QString localFilePath(const QString &dataSource, const QString &dataDir) {
    static const QRegularExpression prefix(QStringLiteral(R"(^[a-z]:\\tesmarin\\tpv\\)"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto m = prefix.match(dataSource);
    if (m.hasMatch()) return QDir(dataDir).filePath(dataSource.mid(m.capturedLength()));
    if (QDir::isAbsolutePath(dataSource)) return dataSource;
    return QDir(dataDir).filePath(dataSource);
}

bool namesSqliteFile(const QString &ip) {
    return QDir::isAbsolutePath(ip) || ip.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ||
           ip.endsWith(QLatin1String(".sqlite"), Qt::CaseInsensitive);
}

QString connectionValue(const QString &value) {
    static const QRegularExpression special(QStringLiteral(R"([;{}=]|^\s|\s$)"));
    if (!value.contains(special)) return value;
    QString braced = value;
    braced.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + braced + QLatin1Char('}');
}

QString freeTdsConnectionString(const QString &host, const QString &catalog, const QString &user,
                                const QString &password) {
    QString server = host.trimmed();
    QString port = QStringLiteral("1433");
    QString instance;
    const int comma = server.indexOf(QLatin1Char(','));
    if (comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    const int slash = server.indexOf(QLatin1Char('\\'));
    if (slash >= 0) {
        instance = server.mid(slash + 1);
        server = server.left(slash);
    }
    QString s = QStringLiteral("DRIVER={FreeTDS};Server=%1;").arg(server);
    // A named instance is found through the SQL Browser; an explicit port is faster.
    if (!instance.isEmpty() && comma < 0)
        s += QStringLiteral("Instance=%1;").arg(instance);
    else
        s += QStringLiteral("Port=%1;").arg(port);
    // Spanish text both ways whatever the process locale (a service has
    // none, and FreeTDS would take ISO-8859-1: no euro sign).
    s += QStringLiteral("Database=%1;UID=%2;PWD=%3;TDS_Version=7.4;ClientCharset=UTF-8")
             .arg(catalog, connectionValue(user), connectionValue(password));
    return s;
}

}  // namespace tpv
