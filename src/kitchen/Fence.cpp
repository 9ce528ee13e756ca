#include "kitchen/Fence.h"

#include "compat/Error.h"
#include "kitchen/Turn.h"
#include "sql/Database.h"
#include "sql/TurnStatements.h"

namespace tpv {

namespace {

QString holderNow(Connection &db, int tpv) {
    try {
        const ResultSet rs = db.query(sql::turn::read(db.dialect(), tpv));
        return rs.rows.empty() ? QString() : rs.rows.front()[1].toText();
    } catch (const TpvError &) {
        return {};
    }
}

}  // namespace

void fencedTransaction(Connection &db, const Fence &fence, const std::function<void()> &work) {
    const qint64 generation = fence.generation ? fence.generation() : 0;
    const int tpv = fence.tpv ? fence.tpv() : 0;
    bool passed = false;
    inTransaction(db, [&] {
        passed = generation != 0 && db.execute(sql::turn::fence(tpv, generation)) == 1;
        if (passed) work();
    });
    if (passed) return;
    if (fence.lost) fence.lost();
    throw TpvError(err::WriteConflict, turnLostText(holderNow(db, tpv)));
}

}  // namespace tpv
