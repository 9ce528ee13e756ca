#include "kitchen/SiteSettings.h"

#include "sql/Schema.h"
#include "sql/SettingsStatements.h"
#include "sql/SqlText.h"
#include "compat/Error.h"
#include "platform/Log.h"
#include "sql/SqlConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <sys/stat.h>
#include <unistd.h>

namespace tpv {

namespace {

const QString kConf = QStringLiteral("ConfGarnet.mdb");
const QString kWork = QStringLiteral("wdbServer.mdb");
const QString kUserKey = QStringLiteral("UsuarioSql");

struct KeySpec {
    const char *column;
    bool number;
};
// The columns `poner` sets, as the settings row names them.
constexpr KeySpec kColumns[] = {
    {"Ip", false}, {"CatalogoIni", false}, {"Tiempo", true}, {"tpv", true}, {"lineaspie", true}};

QString canonicalKey(const QString &key) {
    for (const KeySpec &k : kColumns)
        if (key.compare(QLatin1String(k.column), Qt::CaseInsensitive) == 0) return QString::fromLatin1(k.column);
    if (key.compare(kUserKey, Qt::CaseInsensitive) == 0) return kUserKey;
    return {};
}

[[noreturn]] void fail(const QString &text) { throw TpvError(err::InvalidPropertyValue, text); }

std::optional<long> wholeNumber(const QString &value) {
    static const QRegularExpression digits(QStringLiteral(R"(^[+-]?[0-9]{1,9}$)"));
    if (!digits.match(value.trimmed()).hasMatch()) return std::nullopt;
    return value.trimmed().toLong();
}

void ownerOnly(const QString &path) { QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner); }

}  // namespace

SqlLogin defaultSqlLogin() { return {QStringLiteral("tesmarin"), QStringLiteral("KOVU7")}; }

QString sqlLoginFile(const QString &dataDir) { return QDir(dataDir).filePath(QStringLiteral("acceso-sql.ini")); }

std::optional<SqlLogin> readSqlLogin(const QString &dataDir) {
    const QString path = sqlLoginFile(dataDir);
    if (!QFileInfo::exists(path)) return std::nullopt;
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        throw TpvError(err::CannotOpen, QStringLiteral("No se puede leer el usuario de SQL Server del archivo %1 (%2)")
                                            .arg(QDir::toNativeSeparators(path), probe.errorString()));
    }
    probe.close();
    // A password others may read: made private again, and said.
    const auto others =
        QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (QFileInfo(path).permissions() & others) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        logLine(
            LogPriority::Warning,
            QStringLiteral("El archivo %1 guarda una contraseña y lo podían leer otros usuarios; ahora solo su dueño")
                .arg(QDir::toNativeSeparators(path)));
    }
    QSettings ini(path, QSettings::IniFormat);
    SqlLogin login{ini.value(QStringLiteral("servidor/usuario")).toString(),
                   ini.value(QStringLiteral("servidor/clave")).toString()};
    if (ini.status() != QSettings::NoError || login.user.isEmpty()) {
        throw TpvError(err::CannotOpen, QStringLiteral("El archivo %1 no tiene el usuario de SQL Server "
                                                       "(lector-tpv-config poner UsuarioSql=NOMBRE lo escribe)")
                                            .arg(QDir::toNativeSeparators(path)));
    }
    return login;
}

void writeSqlLogin(const QString &dataDir, const SqlLogin &login) {
    const QString path = sqlLoginFile(dataDir);
    if (login.user.isEmpty()) {
        QFile::remove(path);
        return;
    }
    // Private from its first byte: the mask covers the temporary file
    // QSettings writes and renames into place.
    const mode_t oldMask = ::umask(077);
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(QStringLiteral("servidor/usuario"), login.user);
    ini.setValue(QStringLiteral("servidor/clave"), login.password);
    ini.sync();
    ::umask(oldMask);
    ownerOnly(path);
    if (ini.status() != QSettings::NoError) fail(QStringLiteral("No se puede escribir %1").arg(path));
}

QStringList settingKeys() {
    QStringList keys;
    for (const KeySpec &k : kColumns) keys << QString::fromLatin1(k.column);
    keys << kUserKey;
    return keys;
}

QString checkSetting(const QString &key, const QString &value) {
    const QString k = canonicalKey(key);
    if (k.isEmpty()) {
        return QStringLiteral("«%1» no es un ajuste; los ajustes son: %2")
            .arg(key, settingKeys().join(QStringLiteral(", ")));
    }
    // Connection-string syntax in a value would add or change attributes
    // of the connection.
    static const QRegularExpression unsafe(QStringLiteral("[;={}]"));
    if (k == QLatin1String("Ip")) {
        if (value.trimmed().isEmpty()) return QStringLiteral("Ip no puede quedar vacío: la dirección del servidor");
        if (value.contains(unsafe))
            return QStringLiteral("Ip = «%1» lleva ; = { o }, que no caben en una dirección").arg(value);
        if (QDir::isAbsolutePath(value) || value.endsWith(QLatin1String(".db")) ||
            value.endsWith(QLatin1String(".sqlite")))
            return {};
        static const QRegularExpression host(
            QStringLiteral(R"(^[A-Za-z0-9_.\-]+(\\[A-Za-z0-9_$\-]+)?(,\s*([0-9]{1,5}))?$)"));
        const auto m = host.match(value.trimmed());
        if (!m.hasMatch())
            return QStringLiteral(
                       "Ip = «%1» no es una dirección de SQL Server (EQUIPO, EQUIPO,PUERTO o "
                       "EQUIPO\\INSTANCIA)")
                .arg(value);
        if (!m.captured(3).isEmpty() && (m.captured(3).toInt() < 1 || m.captured(3).toInt() > 65535))
            return QStringLiteral("Ip = «%1»: el puerto %2 no está entre 1 y 65535").arg(value, m.captured(3));
        return {};
    }
    if (k == QLatin1String("CatalogoIni")) {
        if (value.trimmed().isEmpty())
            return QStringLiteral("CatalogoIni no puede quedar vacío: el nombre de la base de datos");
        if (value.contains(unsafe)) return QStringLiteral("CatalogoIni = «%1» lleva ; = { o }").arg(value);
        return {};
    }
    if (k == kUserKey) {
        if (value.contains(unsafe)) return QStringLiteral("UsuarioSql = «%1» lleva ; = { o }").arg(value);
        return {};
    }
    const auto n = wholeNumber(value);
    if (!n) return QStringLiteral("%1 = «%2» no es un número entero").arg(k, value);
    if (k == QLatin1String("Tiempo")) {
        if (*n < 1 || *n > 32767)
            return QStringLiteral(
                       "Tiempo = %1 no vale: son los milisegundos entre dos consultas de la cola, de 1 a "
                       "32767 (el ajuste es un entero de 16 bits; 0 dejaría de consultar tras la primera)")
                .arg(*n);
        return {};
    }
    if (k == QLatin1String("tpv")) {
        if (*n < 1 || *n > 32767)
            return QStringLiteral("tpv = %1 no vale: el número del terminal, de 1 a 32767").arg(*n);
        return {};
    }
    if (*n < 0 || *n > 32767)
        return QStringLiteral("lineaspie = %1 no vale: las líneas en blanco tras cada ticket, de 0 a 32767").arg(*n);
    return {};
}

QList<Setting> parseSettings(const QStringList &arguments, QString *error) {
    QList<Setting> out;
    QStringList problems;
    for (const QString &a : arguments) {
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            problems << QStringLiteral("«%1» no tiene la forma CLAVE=VALOR").arg(a);
            continue;
        }
        const QString key = a.left(eq).trimmed(), value = a.mid(eq + 1).trimmed();
        const QString problem = checkSetting(key, value);
        if (!problem.isEmpty()) {
            problems << problem;
            continue;
        }
        out << Setting{canonicalKey(key), value};
    }
    if (arguments.isEmpty()) problems << QStringLiteral("falta al menos un CLAVE=VALOR");
    if (!problems.isEmpty()) {
        *error = problems.join(QLatin1Char('\n'));
        return {};
    }
    return out;
}

QStringList makeDataFiles(const QString &dataDir) {
    QStringList made;
    if (!QDir().mkpath(dataDir)) fail(QStringLiteral("No se puede crear la carpeta de datos %1").arg(dataDir));
    const QString conf = QDir(dataDir).filePath(kConf), work = QDir(dataDir).filePath(kWork);
    if (!QFileInfo::exists(conf)) {
        // Private before the password column is written.
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly)) fail(QStringLiteral("No se puede crear %1: %2").arg(conf, f.errorString()));
        f.close();
        ownerOnly(conf);
        auto cn = openSqliteFile(conf);
        cn->execute(sql::settings::createSettingsTable());
        cn->execute(sql::settings::defaultSettingsRow());
        made << conf;
    }
    ownerOnly(conf);
    if (!QFileInfo::exists(work)) {
        {
            auto cn = createSqliteFile(work);
            cn->execute(schema::createEmptyTable());
            cn->execute(sql::settings::createFontTable());
            cn->execute(sql::settings::defaultFontRow());
        }
        ownerOnly(work);
        made << work;
    }
    return made;
}

void writeSettings(const QString &dataDir, const QList<Setting> &settings) {
    auto cn = openSqliteFile(QDir(dataDir).filePath(kConf));
    if (cn->query(sql::settings::countSettingsRows()).rows[0][0].toInt32() == 0) {
        fail(QStringLiteral("%1 no tiene la fila de configuración (Cod = 'Prul4')").arg(QDir(dataDir).filePath(kConf)));
    }
    for (const Setting &s : settings) {
        if (s.key == kUserKey) continue;
        bool number = false;
        for (const KeySpec &k : kColumns)
            if (s.key == QLatin1String(k.column)) number = k.number;
        const QString value =
            number ? QString::number(wholeNumber(s.value).value_or(0)) : sql::quoted(Variant(s.value));
        cn->execute(sql::settings::setSetting(s.key, value));
    }
}

QStringList describeSettings(const QString &dataDir) {
    const QString conf = QDir(dataDir).filePath(kConf);
    if (!QFileInfo::exists(conf)) fail(QStringLiteral("No existe %1 (lector-tpv-config poner lo crea)").arg(conf));
    auto cn = openSqliteFile(conf);
    const ResultSet rs = cn->query(sql::settings::settingsRowToShow());
    if (rs.rows.empty()) fail(QStringLiteral("%1 no tiene la fila de configuración (Cod = 'Prul4')").arg(conf));
    QStringList out;
    out << QStringLiteral("Carpeta de datos: %1").arg(dataDir);
    for (int i = 0; i < rs.columns.size(); ++i) {
        const QString column = rs.columns[i];
        if (column.compare(QLatin1String("Cod"), Qt::CaseInsensitive) == 0) continue;
        const Variant &v = rs.rows[0][static_cast<size_t>(i)];
        QString shown = v.isNull() ? QStringLiteral("(vacío)") : v.toText();
        if (column.compare(QLatin1String("PasW"), Qt::CaseInsensitive) == 0 && !v.isNull())
            shown = QStringLiteral("********");
        out << QStringLiteral("%1: %2").arg(column, shown);
    }
    const auto login = readSqlLogin(dataDir);
    out << QStringLiteral("UsuarioSql: %1")
               .arg(login ? login->user + QStringLiteral(" (contraseña guardada en %1)").arg(sqlLoginFile(dataDir))
                          : defaultSqlLogin().user + QStringLiteral(" (el de siempre)"));
    return out;
}

QList<QStringList> parseMdbExport(const QByteArray &csv) {
    QList<QStringList> rows;
    const QString text = QString::fromUtf8(csv);
    QStringList row;
    QString cell;
    bool quoted = false, any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    cell += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                cell += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row << cell;
            cell.clear();
        } else if (c == QLatin1Char('\n')) {
            row << cell;
            rows << row;
            row.clear();
            cell.clear();
            any = false;
        } else if (c != QLatin1Char('\r')) {
            cell += c;
            any = true;
        }
    }
    if (any || !row.isEmpty()) {
        row << cell;
        rows << row;
    }
    return rows;
}

namespace {

// One table of an Access file through mdb-export, as rows by column name.
QList<QHash<QString, QString>> accessTable(const QString &file, const QString &table) {
    if (!QFileInfo(file).isFile()) fail(QStringLiteral("No existe el archivo %1").arg(file));
    QProcess p;
    p.start(QStringLiteral("mdb-export"), {QStringLiteral("-D"), QStringLiteral("%Y%m%d"), file, table});
    if (!p.waitForStarted()) fail(QStringLiteral("Falta mdb-export para leer archivos de Access (paquete mdbtools)"));
    p.waitForFinished(30000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        fail(QStringLiteral("mdb-export no puede leer la tabla %1 de %2: %3")
                 .arg(table, file, QString::fromLocal8Bit(p.readAllStandardError()).trimmed()));
    }
    const QList<QStringList> rows = parseMdbExport(p.readAllStandardOutput());
    QList<QHash<QString, QString>> out;
    if (rows.isEmpty()) return out;
    const QStringList header = rows.first();
    for (int r = 1; r < rows.size(); ++r) {
        QHash<QString, QString> row;
        for (int c = 0; c < header.size() && c < rows[r].size(); ++c) row.insert(header[c].toLower(), rows[r][c]);
        out << row;
    }
    return out;
}

}  // namespace

void importAccessFiles(const QString &dataDir, const QString &confMdb, const QString &wdbMdb, QStringList *warnings) {
    const auto confi = accessTable(confMdb, QStringLiteral("Confi"));
    const QHash<QString, QString> *row = nullptr;
    for (const auto &r : confi)
        if (r.value(QStringLiteral("cod")) == QLatin1String("Prul4")) row = &r;
    if (!row) fail(QStringLiteral("%1 no tiene la fila de configuración (Cod = 'Prul4')").arg(confMdb));
    const QString fontSource = wdbMdb;
    const auto font =
        wdbMdb.isEmpty() ? QList<QHash<QString, QString>>() : accessTable(wdbMdb, QStringLiteral("FonTPV"));
    makeDataFiles(dataDir);
    QList<Setting> settings;
    for (const KeySpec &k : kColumns) {
        const QString key = QString::fromLatin1(k.column);
        if (!row->contains(key.toLower())) continue;  // an old file without tpv or lineaspie
        const QString value = row->value(key.toLower());
        const QString problem = checkSetting(key, value);
        if (problem.isEmpty()) {
            settings << Setting{key, value};
        } else {
            *warnings << problem + QStringLiteral(": no se importa; cámbielo con «lector-tpv-config poner %1=VALOR»")
                                       .arg(key);
        }
    }
    writeSettings(dataDir, settings);
    auto cn = openSqliteFile(QDir(dataDir).filePath(kConf));
    for (const char *column : {"Id", "PasW"}) {
        const QString value = row->value(QString::fromLatin1(column).toLower());
        cn->execute(sql::settings::setSetting(QString::fromLatin1(column), sql::quoted(Variant(value))));
    }
    for (const auto &f : font) {
        if (f.value(QStringLiteral("id")) != QLatin1String("1")) continue;
        bool ok = false;
        const double size = f.value(QStringLiteral("tamano")).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || size <= 0) {
            *warnings << QStringLiteral("El tamaño de la fuente de %1 («%2») no es un número: se deja el de antes")
                             .arg(fontSource, f.value(QStringLiteral("tamano")));
            continue;
        }
        auto work = openSqliteFile(QDir(dataDir).filePath(kWork));
        try {
            work->execute(sql::settings::createFontTable());
        } catch (const TpvError &) {
            // It was there already.
        }
        work->execute(sql::settings::deleteFontRow());
        work->execute(
            sql::settings::insertFontRow(f.value(QStringLiteral("fuente")), size, f.value(QStringLiteral("negrita"))));
    }
}

}  // namespace tpv
