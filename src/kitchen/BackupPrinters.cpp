#include "kitchen/BackupPrinters.h"

#include "platform/Clock.h"
#include "compat/Error.h"
#include "platform/Log.h"
#include "ticket/Ticket.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace tpv {

namespace {

// The line of the file where the key is set in the group (0 when unknown).
int lineOf(const QString &path, const QString &group, const QString &key) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    QString current;
    int found = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
            current = t.mid(1, t.size() - 2).trimmed();
        else if (current == group && t.section(QLatin1Char('='), 0, 0).trimmed() == key)
            found = i + 1;
    }
    return found;
}

// A value without a trailing "; comment".
QString valueOf(const QSettings &s, const QString &key) {
    QString v = s.value(key).toString();
    const qsizetype semicolon = v.indexOf(QLatin1Char(';'));
    if (semicolon >= 0) v.truncate(semicolon);
    return v.trimmed();
}

}  // namespace

QHash<QString, BackupSetting> readBackupSettings(const QString &iniPath, QStringList *errors) {
    QHash<QString, BackupSetting> out;
    if (!QFileInfo::exists(iniPath)) return out;
    QSettings s(iniPath, QSettings::IniFormat);
    const QString file = QFileInfo(iniPath).fileName();
    auto mistake = [&](const QString &group, const QString &key, const QString &what) {
        if (errors)
            *errors << QStringLiteral("%1, línea %2, impresora %3: %4")
                           .arg(file)
                           .arg(lineOf(iniPath, group, key))
                           .arg(group, what);
    };
    for (const QString &group : s.childGroups()) {
        s.beginGroup(group);
        const QString backup = valueOf(s, QStringLiteral("respaldo"));
        const QString after = valueOf(s, QStringLiteral("respaldo_tras"));
        s.endGroup();
        if (backup.isEmpty()) {
            if (!after.isEmpty())
                mistake(group, QStringLiteral("respaldo_tras"),
                        QStringLiteral("respaldo_tras sin respaldo= no hace nada"));
            continue;
        }
        if (backup == group) {
            mistake(group, QStringLiteral("respaldo"), QStringLiteral("una impresora no puede ser su propio respaldo"));
            continue;
        }
        BackupSetting setting{backup, 30};
        if (!after.isEmpty()) {
            bool ok = false;
            const int seconds = after.toInt(&ok);
            if (ok && seconds >= 0)
                setting.afterSeconds = seconds;
            else
                mistake(group, QStringLiteral("respaldo_tras"),
                        QStringLiteral("respaldo_tras=%1 no es un número de segundos; se usan 30").arg(after));
        }
        out.insert(group, setting);
    }
    return out;
}

QString BackupOutput::send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) {
    try {
        const QString tookIt = inner_.send(printer, ticket, onSelected);
        health_.worked(printer);
        if (const QString backup = health_.standIn(printer); !backup.isEmpty()) {
            health_.setStandIn(printer, QString());
            logLine(LogPriority::Info, QStringLiteral("La impresora %1 vuelve a imprimir sus tickets: termina el "
                                                      "respaldo en %2")
                                           .arg(printer, backup));
        }
        return tookIt;
    } catch (const TpvError &e) {
        const qint64 now = clock_.steadyMs();
        health_.failed(printer, e.description(), now);
        const auto setting = settings_.constFind(printer);
        if (setting == settings_.cend()) throw;
        const qint64 failingMs = now - health_.failure(printer)->sinceMs;
        if (failingMs < static_cast<qint64>(setting->afterSeconds) * 1000) throw;
        Document marked = ticket;
        ticket::addMark(marked, ticket::backupMark(printer));
        QString tookIt;
        try {
            tookIt = inner_.send(setting->backup, marked, onSelected);
        } catch (const TpvError &) {
            // The backup cannot take it either: the ticket fails as the
            // printer's, and stays pending for both.
            throw e;
        }
        if (health_.standIn(printer).isEmpty()) {
            health_.setStandIn(printer, setting->backup);
            logLine(LogPriority::Warning,
                    QStringLiteral("La impresora %1 falla desde hace %2 s (%3): sus tickets van a %4")
                        .arg(printer)
                        .arg(failingMs / 1000)
                        .arg(e.description(), setting->backup));
        }
        return tookIt;
    }
}

std::optional<bool> BackupOutput::arrived(const QString &printer, const QString &title, const QString &digest) {
    const std::optional<bool> there = inner_.arrived(printer, title, digest);
    const auto setting = settings_.constFind(printer);
    if ((there && *there) || setting == settings_.cend()) return there;
    const std::optional<bool> onBackup = inner_.arrived(setting->backup, title, digest);
    if (onBackup && *onBackup) return true;
    if (there && onBackup) return false;
    return std::nullopt;
}

}  // namespace tpv
