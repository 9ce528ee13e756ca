#pragma once
// The statements on the turn between the PCs of a terminal (LectorTurno),
// timed by the database's clock. Each write names the generation it
// expects, so that it changes nothing once another PC has moved on: its row
// count says whether it went through.
#include <QString>

namespace tpv {
class SqlDialect;
}

namespace tpv::sql::turn {

// generacion, equipo, nonce, renovado, puesto, and the database's clock now.
QString read(const SqlDialect &d, int tpv);
// The terminal's first turn, generation 1 (fails on the key when another PC
// made it first).
QString create(const SqlDialect &d, int tpv, const QString &pc, const QString &station, const QString &nonce);
// The holder says it is alive.
QString renew(const SqlDialect &d, int tpv, qint64 generation, const QString &nonce);
// Another PC takes a turn not renewed for staleMs: the compare-and-set that
// raises the generation.
QString take(const SqlDialect &d, int tpv, qint64 generation, qint64 staleMs, const QString &pc,
             const QString &station, const QString &nonce);
// The holder gives it up: stale at once.
QString release(int tpv, qint64 generation, const QString &nonce);
// The fence of a write: the first statement of its transaction, which locks
// the turn's row and matches it only while the generation is current.
QString fence(int tpv, qint64 generation);

}  // namespace tpv::sql::turn
