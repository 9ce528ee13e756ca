#include "sql/OwnTables.h"

#include "compat/Error.h"
#include "sql/SqlDialect.h"

namespace tpv::sql::own {

std::vector<Table> tables(const SqlDialect &dialect) {
    return {
        // One row per terminal: which PC prints (generacion raised at every
        // change of hands) and when it last said so, in the database's clock
        // (milliseconds since 1970).
        {QStringLiteral("LectorTurno"),
         {QStringLiteral("CREATE TABLE LectorTurno (tpv int NOT NULL PRIMARY KEY, generacion bigint NOT NULL, "
                         "equipo varchar(100) NOT NULL, puesto varchar(400) NOT NULL, nonce varchar(40) NOT NULL, "
                         "desde bigint NOT NULL, renovado bigint NOT NULL)")}},
        // What each printer has of each dish of an order: brought up to
        // nivel while the order tables said base was printed.
        {QStringLiteral("LectorRecibido"),
         {QStringLiteral("CREATE TABLE LectorRecibido (tpv varchar(10) NOT NULL, fecha varchar(8) NOT NULL, "
                         "comanda varchar(20) NOT NULL, impresora varchar(100) NOT NULL, clase varchar(1) NOT NULL, "
                         "numero varchar(20) NOT NULL, base float NOT NULL, nivel float NOT NULL, "
                         "PRIMARY KEY (tpv, fecha, comanda, impresora, clase, numero))")}},
        // A ticket announced and not yet confirmed, with the parts of dishes
        // it carries (JSON: [clase, numero, base, desde, hasta] each) and the
        // PC that announced it (puesto: only it can look at its printers).
        {QStringLiteral("LectorEnvio"),
         {QStringLiteral("CREATE TABLE LectorEnvio (id bigint NOT NULL PRIMARY KEY, tpv varchar(10) NOT NULL, "
                         "fecha varchar(8) NOT NULL, comanda varchar(20) NOT NULL, impresora varchar(100) NOT NULL, "
                         "trabajo varchar(20) NOT NULL, titulo varchar(250) NOT NULL, resumen varchar(64) NOT NULL, "
                         "estado varchar(10) NOT NULL, puesto varchar(400) NOT NULL, partes ") +
              dialect.longTextType() + QStringLiteral(" NOT NULL)"),
          QStringLiteral("CREATE INDEX LectorEnvio_comanda ON LectorEnvio (tpv, fecha, comanda)")}},
        // When each job of the day was marked done, for the operator.
        {QStringLiteral("LectorTrabajo"),
         {QStringLiteral("CREATE TABLE LectorTrabajo (tpv varchar(10) NOT NULL, fecha varchar(8) NOT NULL, "
                         "trabajo varchar(20) NOT NULL, hora varchar(8) NOT NULL, PRIMARY KEY (tpv, fecha, trabajo))")}},
        // The cards of the kitchen screens: those that show and the last
        // ones marked done (hecha, null while the card shows), in
        // milliseconds since 1970; tarjeta is the card as its page reads it.
        {QStringLiteral("LectorPantalla"),
         {QStringLiteral("CREATE TABLE LectorPantalla (id bigint NOT NULL PRIMARY KEY, pantalla varchar(100) NOT NULL, "
                         "titulo varchar(250) NOT NULL, llegada bigint NOT NULL, hecha bigint NULL, tarjeta ") +
              dialect.longTextType() + QStringLiteral(" NOT NULL)"),
          QStringLiteral("CREATE INDEX LectorPantalla_pantalla ON LectorPantalla (pantalla, hecha)")}},
    };
}

QString probe(const QString &table) { return QStringLiteral("SELECT count(*) FROM ") + table + QStringLiteral(" WHERE 1 = 0"); }

QStringList missingTables(Connection &db) {
    QStringList missing;
    for (const Table &t : tables(db.dialect())) {
        try {
            db.query(probe(t.name));
        } catch (const TpvError &e) {
            if (e.number() != err::NoSuchTable) throw;
            missing << t.name;
        }
    }
    return missing;
}

void ensureTables(Connection &db) {
    const QStringList missing = missingTables(db);
    if (missing.isEmpty()) return;
    QString why;
    for (const Table &t : tables(db.dialect())) {
        if (!missing.contains(t.name)) continue;
        try {
            for (const QString &statement : t.create) db.execute(statement);
        } catch (const TpvError &e) {
            // Another PC may have made it meanwhile.
            if (missingTables(db).contains(t.name)) {
                why = e.description();
                break;
            }
        }
    }
    const QStringList still = missingTables(db);
    if (still.isEmpty()) return;
    throw TpvError(err::CannotOpen,
                   QStringLiteral("Faltan en la base de datos de comandas las tablas %1 del servidor de impresión y "
                                  "este usuario no puede crearlas (%2). Un administrador puede crearlas con el guion "
                                  "que escribe «lector-tpv-config preparar --sql», o con «lector-tpv-config "
                                  "preparar» y un usuario que pueda")
                       .arg(still.join(QStringLiteral(", ")), why));
}

QString script(const SqlDialect &dialect) {
    QString out;
    if (&dialect != &sqlServerDialect()) {
        for (const Table &t : tables(dialect))
            for (const QString &statement : t.create) out += statement + QStringLiteral(";\n");
        return out;
    }
    for (const Table &t : tables(dialect)) {
        out += QStringLiteral("IF OBJECT_ID(N'%1', N'U') IS NULL\nBEGIN\n").arg(t.name);
        for (const QString &statement : t.create) out += QStringLiteral("    ") + statement + QStringLiteral(";\n");
        out += QStringLiteral("END\nGO\n");
    }
    return out;
}

}  // namespace tpv::sql::own
