#include "platform/escpos/EscPosConfig.h"

#include "platform/escpos/EscPosCodePage.h"
#include "platform/escpos/EscPosLink.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace tpv {

namespace {

// Where each group and key stands in the file. QSettings reads the values
// but keeps no line numbers, so the file text is scanned beside it.
class LineIndex {
public:
    explicit LineIndex(const QString &path) {
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
            if (eq > 0)
                keys_.insert(group + QLatin1Char('\n') + t.left(eq).trimmed(),
                             i + 1);  // the last one wins, as in QSettings
        }
    }
    int group(const QString &name) const { return groups_.value(name, 0); }
    int key(const QString &group, const QString &key) const {
        return keys_.value(group + QLatin1Char('\n') + key, this->group(group));
    }

private:
    QHash<QString, int> groups_;
    QHash<QString, int> keys_;
};

const QStringList &knownKeys() {
    static const QStringList keys{QStringLiteral("conexion"), QStringLiteral("paginacodigos"), QStringLiteral("corte"),
                                  QStringLiteral("aviso"), QStringLiteral("estado"),
                                  // Read by the backup printers, for a printer of any kind.
                                  QStringLiteral("respaldo"), QStringLiteral("respaldo_tras")};
    return keys;
}

// Reads one printer's group; false when the printer cannot be used.
class GroupReader {
public:
    GroupReader(QSettings &s, const LineIndex &lines, const QString &file, const QString &name, QStringList *errors)
        : s_(s), lines_(lines), file_(file), name_(name), errors_(errors) {}

    bool read(EscPosPrinterConfig *cfg) {
        cfg->name = name_;
        for (const QString &k : s_.childKeys())
            if (!knownKeys().contains(k))
                report(k, QStringLiteral("la impresora %1 tiene una clave desconocida «%2» (se admiten %3)")
                              .arg(name_, k, knownKeys().join(QStringLiteral(", "))));
        const bool connectionOk = readConnection(cfg);
        const bool pageOk = readCodePage(cfg);
        readCut(cfg);
        readYesNo(QStringLiteral("aviso"), &cfg->buzzer);
        readYesNo(QStringLiteral("estado"), &cfg->askState);
        return connectionOk && pageOk;
    }

private:
    bool has(const QString &key) const { return s_.contains(key); }
    QString value(const QString &key) const {
        const QVariant v = s_.value(key);
        // An unquoted comma makes QSettings split the value into a list.
        if (v.metaType().id() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
        return v.toString().trimmed();
    }
    void report(const QString &key, const QString &what) {
        const int line = key.isEmpty() ? lines_.group(name_) : lines_.key(name_, key);
        errors_->append(QStringLiteral("%1, línea %2: %3").arg(file_).arg(line).arg(what));
    }

    bool readConnection(EscPosPrinterConfig *cfg) {
        const QString key = QStringLiteral("conexion");
        if (!has(key)) {
            report(QString(),
                   QStringLiteral("la impresora %1 no tiene conexión (falta conexion=...); no se usará").arg(name_));
            return false;
        }
        cfg->connection = value(key);
        QString why;
        if (parseEscPosConnection(cfg->connection, nullptr, &why)) return true;
        report(key, QStringLiteral("la impresora %1 tiene una conexión mal escrita: %2; no se usará").arg(name_, why));
        return false;
    }

    bool readCodePage(EscPosPrinterConfig *cfg) {
        const QString key = QStringLiteral("paginacodigos");
        if (!has(key)) return true;
        bool isNumber = false;
        const int page = value(key).toInt(&isNumber);
        if (isNumber && escPosCodePageSupported(page)) {
            cfg->codePage = page;
            return true;
        }
        report(key, QStringLiteral("la impresora %1 tiene una página de códigos desconocida «%2» "
                                   "(se admiten 858, 850 y 1252); no se usará")
                        .arg(name_, value(key)));
        return false;
    }

    void readCut(EscPosPrinterConfig *cfg) {
        const QString key = QStringLiteral("corte");
        if (!has(key)) return;
        const QString v = value(key).toLower();
        if (v == QLatin1String("parcial"))
            cfg->cut = EscPosPrinterConfig::Cut::Partial;
        else if (v == QLatin1String("total"))
            cfg->cut = EscPosPrinterConfig::Cut::Full;
        else if (v == QLatin1String("no"))
            cfg->cut = EscPosPrinterConfig::Cut::None;
        else
            report(key, QStringLiteral("la impresora %1 tiene un corte desconocido «%2» (se admiten parcial, total "
                                       "o no); se usa parcial")
                            .arg(name_, value(key)));
    }

    void readYesNo(const QString &key, bool *out) {
        if (!has(key)) return;
        const QString v = value(key).toLower();
        if (v == QLatin1String("si") || v == QStringLiteral("sí"))
            *out = true;
        else if (v == QLatin1String("no"))
            *out = false;
        else
            report(key, QStringLiteral("la impresora %1 tiene %2=%3, que no es si ni no; se usa %4")
                            .arg(name_, key, value(key), *out ? QStringLiteral("si") : QStringLiteral("no")));
    }

    QSettings &s_;
    const LineIndex &lines_;
    QString file_;
    QString name_;
    QStringList *errors_;
};

}  // namespace

EscPosConfigResult readEscPosPrinters(const QString &iniPath) {
    EscPosConfigResult result;
    if (!QFileInfo(iniPath).isFile()) return result;
    const QString file = QFileInfo(iniPath).fileName();
    const LineIndex lines(iniPath);
    QSettings s(iniPath, QSettings::IniFormat);
    if (s.status() != QSettings::NoError) {
        result.errors.append(QStringLiteral("%1: no se puede leer el archivo de impresoras térmicas").arg(file));
        return result;
    }
    for (const QString &k : s.childKeys())
        result.errors.append(QStringLiteral("%1, línea %2: la clave «%3» está fuera de toda impresora "
                                            "(falta la línea [NOMBRE] delante)")
                                 .arg(file)
                                 .arg(lines.key(QString(), k))
                                 .arg(k));
    QStringList groups = s.childGroups();
    std::stable_sort(groups.begin(), groups.end(),
                     [&](const QString &a, const QString &b) { return lines.group(a) < lines.group(b); });
    for (const QString &name : groups) {
        s.beginGroup(name);
        EscPosPrinterConfig cfg;
        if (GroupReader(s, lines, file, name, &result.errors).read(&cfg)) result.printers.push_back(cfg);
        s.endGroup();
    }
    return result;
}

}  // namespace tpv
