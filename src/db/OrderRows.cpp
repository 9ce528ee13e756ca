#include "db/OrderRows.h"

#include "platform/Database.h"

namespace tpv {

JobValues JobValues::read(const Recordset &rs) {
    JobValues j;
    j.PParg1 = rs.field(QStringLiteral("PParg1"));
    j.PParg3 = rs.field(QStringLiteral("PParg3"));
    j.PParg7 = rs.field(QStringLiteral("PParg7"));
    j.PPFecha = rs.field(QStringLiteral("PPFecha"));
    j.PPOrd = rs.field(QStringLiteral("PPOrd"));
    return j;
}

}  // namespace tpv
