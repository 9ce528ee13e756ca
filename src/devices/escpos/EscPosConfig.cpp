#include "devices/escpos/EscPosConfig.h"

#include "devices/escpos/EscPosCodePage.h"
#include "devices/escpos/EscPosConnection.h"
#include "devices/IniLines.h"
#include "devices/Printers.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>
#include <vector>

namespace tpv {

namespace {

// Keys of a thermal printer's group.
const QStringList &thermalKeys() {
    static const QStringList keys{QStringLiteral("conexion"), QStringLiteral("paginacodigos"), QStringLiteral("tabla"),
                                  QStringLiteral("corte"),    QStringLiteral("aviso"),         QStringLiteral("estado"),
                                  QStringLiteral("estilo")};
    return keys;
}

// Keys of any printer's group, read by the print run (the backup printer).
const QStringList &sharedKeys() {
    static const QStringList keys{QStringLiteral("respaldo"), QStringLiteral("respaldo_tras")};
    return keys;
}

// A word a key takes and what it means. Accented spellings are accepted
// but not offered in messages (offered false).
template <typename T>
struct Choice {
    const char *word;
    T value;
    bool offered = true;
};

using C = EscPosPrinterConfig;

// The words of each key, in the order messages offer them.
const std::vector<Choice<C::Cut>> kCuts{{"parcial", C::Cut::Partial}, {"total", C::Cut::Full}, {"no", C::Cut::None}};
const std::vector<Choice<C::Alert>> kAlerts{{"no", C::Alert::None},
                                            {"si", C::Alert::Buzzer},
                                            {"sí", C::Alert::Buzzer, false},
                                            {"cajon", C::Alert::Drawer},
                                            {"cajón", C::Alert::Drawer, false}};
const std::vector<Choice<C::StateQueries>> kStateQueries{{"auto", C::StateQueries::Auto},
                                                         {"si", C::StateQueries::Always},
                                                         {"sí", C::StateQueries::Always, false},
                                                         {"no", C::StateQueries::Never}};
const std::vector<Choice<C::Style>> kStyles{{"cocina", C::Style::Kitchen}, {"sencillo", C::Style::Plain}};

// The word impresoras.ini writes for a value.
template <typename T>
QString wordFor(const std::vector<Choice<T>> &choices, T value) {
    for (const Choice<T> &c : choices)
        if (c.value == value && c.offered) return QString::fromUtf8(c.word);
    return {};
}

// Reads one printer's group; false when the printer cannot be used.
class GroupReader {
public:
    GroupReader(QSettings &s, const IniLines &lines, const QString &file, const QString &name, QStringList *errors)
        : s_(s), lines_(lines), file_(file), name_(name), errors_(errors) {}

    // A group that declares no connection is another kind of printer's:
    // only a key that no printer knows is a mistake there. A kitchen
    // screen's group is the screens' to read.
    bool declaresThermalPrinter() const { return has(QStringLiteral("conexion")) && !declaresScreen(); }
    bool declaresScreen() const {
        return value(QStringLiteral("conexion")).section(QLatin1Char(';'), 0, 0).trimmed().toLower() ==
               kScreenConnection;
    }
    void checkKeys() {
        const QStringList known = thermalKeys() + sharedKeys();
        for (const QString &k : s_.childKeys())
            if (!known.contains(k))
                report(k, QStringLiteral("la impresora %1 tiene una clave desconocida «%2» (se admiten %3)")
                              .arg(name_, k, known.join(QStringLiteral(", "))));
    }

    bool read(EscPosPrinterConfig *cfg) {
        cfg->name = name_;
        const bool connectionOk = readConnection(cfg);
        const bool pageOk = readCodePage(cfg);
        readTable(cfg);
        readChoice(QStringLiteral("corte"), kCuts, &cfg->cut);
        readChoice(QStringLiteral("aviso"), kAlerts, &cfg->alert);
        readChoice(QStringLiteral("estado"), kStateQueries, &cfg->stateQueries);
        readChoice(QStringLiteral("estilo"), kStyles, &cfg->style);
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

    void readTable(EscPosPrinterConfig *cfg) {
        const QString key = QStringLiteral("tabla");
        if (!has(key)) return;
        bool isNumber = false;
        const int table = value(key).toInt(&isNumber);
        if (isNumber && table >= 0 && table <= 255) {
            cfg->table = table;
            return;
        }
        report(key, QStringLiteral("la impresora %1 tiene tabla=%2, que no es un número de 0 a 255; se usa %3")
                        .arg(name_, value(key))
                        .arg(escPosCodePageSelector(cfg->codePage)));
    }

    // One of a few words (without regard to case); another word is reported
    // and the value stays as it was.
    template <typename T>
    void readChoice(const QString &key, const std::vector<Choice<T>> &choices, T *out) {
        if (!has(key)) return;
        const QString v = value(key).toLower();
        QStringList words;
        for (const Choice<T> &c : choices) {
            if (v == QString::fromUtf8(c.word)) {
                *out = c.value;
                return;
            }
            if (c.offered) words << QString::fromUtf8(c.word);
        }
        report(key, QStringLiteral("la impresora %1 tiene %2=%3, que no es %4; se usa %5")
                        .arg(name_, key, value(key), oneOf(words), wordFor(choices, *out)));
    }

    static QString oneOf(const QStringList &words) {
        if (words.size() < 2) return words.join(QString());
        return words.mid(0, words.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" ni ") + words.last();
    }

    QSettings &s_;
    const IniLines &lines_;
    QString file_;
    QString name_;
    QStringList *errors_;
};

}  // namespace

EscPosConfigResult readEscPosPrinters(const QString &iniPath) {
    EscPosConfigResult result;
    if (!QFileInfo(iniPath).isFile()) return result;
    const QString file = QFileInfo(iniPath).fileName();
    const IniLines lines(iniPath);
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
    for (const QString &name : lines.inFileOrder(s.childGroups())) {
        s.beginGroup(name);
        GroupReader reader(s, lines, file, name, &result.errors);
        if (reader.declaresScreen()) {
            s.endGroup();
            continue;
        }
        reader.checkKeys();
        EscPosPrinterConfig cfg;
        if (reader.declaresThermalPrinter() && reader.read(&cfg)) result.printers.push_back(cfg);
        s.endGroup();
    }
    return result;
}

int EscPosPrinterConfig::selector() const {
    return table >= 0 ? table : escPosCodePageSelector(escPosCodePageSupported(codePage) ? codePage : 858);
}

QString cutName(EscPosPrinterConfig::Cut cut) { return wordFor(kCuts, cut); }
QString alertName(EscPosPrinterConfig::Alert alert) { return wordFor(kAlerts, alert); }
QString stateQueriesName(EscPosPrinterConfig::StateQueries mode) { return wordFor(kStateQueries, mode); }
QString styleName(EscPosPrinterConfig::Style style) { return wordFor(kStyles, style); }

}  // namespace tpv
