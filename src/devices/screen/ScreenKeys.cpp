#include "devices/screen/ScreenKeys.h"

#include "devices/Printers.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStringList>

namespace tpv {

QByteArray newScreenKey() {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray key;
    for (int i = 0; i < 24; ++i) key += kDigits[QRandomGenerator::system()->bounded(36)];
    return key;
}

bool setScreenKey(const QString &iniPath, const QString &screen, const QByteArray &key, QString *error) {
    static const QString kNotInName = QStringLiteral("[]/\\?#%;=\"");
    if (screen.trimmed().isEmpty() || screen != screen.trimmed() ||
        std::any_of(screen.begin(), screen.end(), [](QChar c) { return c.unicode() < 32 || kNotInName.contains(c); })) {
        *error = QStringLiteral(
                     "«%1» no sirve como nombre de pantalla (sin [ ] / \\ ? # % ; = \" ni blancos a los "
                     "lados)")
                     .arg(screen);
        return false;
    }
    QStringList lines;
    QFile in(iniPath);
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("No se puede leer %1: %2").arg(iniPath, in.errorString());
            return false;
        }
        lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
        in.close();
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    }
    // The group's lines: from its header to the next header.
    qsizetype header = -1, end = lines.size(), connection = -1, keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']'))) {
            if (header >= 0) {
                end = i;
                break;
            }
            if (t.mid(1, t.size() - 2).trimmed() == screen) header = i;
            continue;
        }
        if (header < 0) continue;
        const QString name = t.section(QLatin1Char('='), 0, 0).trimmed();
        if (name == QLatin1String("conexion")) connection = i;
        if (name == QLatin1String("clave")) keyLine = i;
    }
    const QString keyText = QStringLiteral("clave=") + QString::fromLatin1(key);
    if (header < 0) {
        lines << QString() << QLatin1Char('[') + screen + QLatin1Char(']')
              << QStringLiteral("conexion=") + kScreenConnection << keyText;
    } else {
        const QString declared =
            connection < 0 ? QString()
                           : lines[connection].section(QLatin1Char('='), 1).section(QLatin1Char(';'), 0, 0).trimmed();
        if (declared.toLower() != kScreenConnection) {
            *error =
                QStringLiteral("%1 ya es una impresora en %2 (%3): no se cambia")
                    .arg(screen, iniPath,
                         declared.isEmpty() ? QStringLiteral("sin conexion=") : QStringLiteral("conexion=") + declared);
            return false;
        }
        if (keyLine >= 0)
            lines[keyLine] = keyText;
        else
            lines.insert(std::min(connection + 1, end), keyText);
    }
    QSaveFile out(iniPath);
    // The keys in it open the screens: only its owner reads it.
    if (!out.open(QIODevice::WriteOnly) ||
        out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0 || !out.commit() ||
        !QFile::setPermissions(iniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        *error = QStringLiteral("No se puede escribir %1: %2").arg(iniPath, out.errorString());
        return false;
    }
    return true;
}

}  // namespace tpv
