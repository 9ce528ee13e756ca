#include "devices/screen/ScreenConfig.h"

#include "devices/IniLines.h"
#include "devices/Printers.h"

#include <QFileInfo>
#include <QSettings>

namespace tpv {

namespace {

const QStringList &screenKeys() {
    static const QStringList keys{QStringLiteral("conexion"),     QStringLiteral("clave"),  QStringLiteral("aviso_min"),
                                  QStringLiteral("alarma_min"),   QStringLiteral("estilo"), QStringLiteral("respaldo"),
                                  QStringLiteral("respaldo_tras")};
    return keys;
}

// A value as written, without a trailing "; comment".
QString screenValue(const QSettings &s, const QString &key) {
    const QVariant v = s.value(key);
    const QString text =
        v.metaType().id() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
    return text.section(QLatin1Char(';'), 0, 0).trimmed();
}

class ScreenReader {
public:
    ScreenReader(const QSettings &s, const IniLines &lines, const QString &file, const QString &name,
                 QStringList *errors)
        : s_(s), lines_(lines), file_(file), name_(name), errors_(errors) {}

    ScreenConfig read() {
        ScreenConfig c;
        c.name = name_;
        for (const QString &k : s_.childKeys())
            if (!screenKeys().contains(k))
                report(k, QStringLiteral("la pantalla %1 tiene una clave desconocida «%2» (se admiten %3)")
                              .arg(name_, k, screenKeys().join(QStringLiteral(", "))));
        readKey(&c);
        c.warnMinutes = minutes(QStringLiteral("aviso_min"), c.warnMinutes);
        c.alarmMinutes = minutes(QStringLiteral("alarma_min"), c.alarmMinutes);
        if (c.alarmMinutes <= c.warnMinutes) {
            report(
                QStringLiteral("alarma_min"),
                QStringLiteral("la pantalla %1 tiene alarma_min=%2, que no es mayor que aviso_min=%3; se usan 8 y 15")
                    .arg(name_)
                    .arg(c.alarmMinutes)
                    .arg(c.warnMinutes));
            c.warnMinutes = 8;
            c.alarmMinutes = 15;
        }
        const QString style = value(QStringLiteral("estilo")).toLower();
        if (style == QLatin1String("sencillo"))
            c.style = ScreenConfig::Style::Plain;
        else if (!style.isEmpty() && style != QLatin1String("cocina"))
            report(QStringLiteral("estilo"),
                   QStringLiteral("la pantalla %1 tiene estilo=%2, que no es cocina ni sencillo; se usa cocina")
                       .arg(name_, style));
        return c;
    }

private:
    QString value(const QString &key) const { return screenValue(s_, key); }
    void report(const QString &key, const QString &what) {
        errors_->append(QStringLiteral("%1, línea %2: %3").arg(file_).arg(lines_.key(name_, key)).arg(what));
    }
    void readKey(ScreenConfig *c) {
        const QString key = value(QStringLiteral("clave"));
        const QString remedy = QStringLiteral("«lector-tpv-config pantalla %1» le pone una").arg(name_);
        if (key.isEmpty())
            report(
                QStringLiteral("clave"),
                QStringLiteral("la pantalla %1 no tiene clave: ninguna tableta podrá abrirla; %2").arg(name_, remedy));
        else if (key.size() < kMinScreenKeyLength)
            report(
                QStringLiteral("clave"),
                QStringLiteral("la clave de la pantalla %1 es demasiado corta (al menos %2 caracteres) y no se usa; %3")
                    .arg(name_)
                    .arg(kMinScreenKeyLength)
                    .arg(remedy));
        else
            c->key = key.toUtf8();
    }
    int minutes(const QString &key, int fallback) {
        const QString v = value(key);
        if (v.isEmpty()) return fallback;
        bool ok = false;
        const int n = v.toInt(&ok);
        if (ok && n > 0 && n <= 24 * 60) return n;
        report(key, QStringLiteral("la pantalla %1 tiene %2=%3, que no es un número de minutos; se usa %4")
                        .arg(name_, key, v)
                        .arg(fallback));
        return fallback;
    }

    const QSettings &s_;
    const IniLines &lines_;
    QString file_, name_;
    QStringList *errors_;
};

}  // namespace

ScreenConfigResult readScreens(const QString &iniPath) {
    ScreenConfigResult result;
    if (!QFileInfo(iniPath).isFile()) return result;
    const QString file = QFileInfo(iniPath).fileName();
    const IniLines lines(iniPath);
    QSettings s(iniPath, QSettings::IniFormat);
    for (const QString &name : lines.inFileOrder(s.childGroups())) {
        s.beginGroup(name);
        if (screenValue(s, QStringLiteral("conexion")).toLower() == kScreenConnection)
            result.screens.push_back(ScreenReader(s, lines, file, name, &result.errors).read());
        s.endGroup();
    }
    return result;
}

}  // namespace tpv
