#include "sql/Database.h"

#include "compat/Error.h"

namespace tpv {

namespace {
[[noreturn]] void noCurrentRecord() {
    throw TpvError(err::NoCurrentRecord, QStringLiteral("No hay ningún registro activo (BOF o EOF es verdadero)"));
}
}  // namespace

void inTransaction(Connection &cn, const std::function<void()> &work, const TransactionWords &words) {
    cn.execute(words.begin);
    try {
        work();
        cn.execute(words.commit);
    } catch (const TpvError &) {
        try {
            cn.execute(words.rollback);
        } catch (const TpvError &) {
        }
        throw;
    }
}

void Recordset::open(const QString &sql, Connection &connection) {
    if (open_)
        throw TpvError(err::ObjectOpen, QStringLiteral("La operación no está permitida si el objeto está abierto."));
    result_ = connection.query(sql);
    byName_.clear();
    byExactName_.clear();
    // Joined queries may return two columns of one name; the first wins, as
    // the provider's field collection answers by name.
    for (int i = result_.columns.size() - 1; i >= 0; --i) byName_.insert(result_.columns[i].toLower(), i);
    // The names as the result spells them, each to the first position of its
    // lower-case name: a read that spells a column as it is written is found
    // without lower-casing it.
    for (const QString &c : std::as_const(result_.columns)) byExactName_.insert(c, byName_.value(c.toLower()));
    row_ = 0;
    open_ = true;
}

void Recordset::close() {
    result_ = {};
    byName_.clear();
    byExactName_.clear();
    row_ = 0;
    open_ = false;
}

void Recordset::requireOpen() const {
    if (!open_)
        throw TpvError(err::ObjectClosed, QStringLiteral("La operación no está permitida si el objeto está cerrado."));
}

bool Recordset::eof() const {
    requireOpen();
    return row_ >= result_.rows.size();
}

void Recordset::moveFirst() {
    requireOpen();
    row_ = 0;
}

void Recordset::moveNext() {
    requireOpen();
    if (row_ >= result_.rows.size()) noCurrentRecord();
    ++row_;
}

const std::vector<Variant> &Recordset::currentRow() const {
    requireOpen();
    if (row_ >= result_.rows.size()) noCurrentRecord();
    return result_.rows[row_];
}

int Recordset::fieldIndex(const QString &name) const {
    requireOpen();
    const auto exact = byExactName_.constFind(name);
    if (exact != byExactName_.constEnd()) return *exact;
    const auto it = byName_.constFind(name.toLower());
    if (it != byName_.constEnd()) return *it;
    throw TpvError(err::ItemNotFound,
                   QStringLiteral("No se encontró el elemento en la colección que corresponde al nombre: ") + name);
}

Variant Recordset::field(const QString &name) const {
    const auto &row = currentRow();
    return row[static_cast<size_t>(fieldIndex(name))];
}

Variant Recordset::field(int position) const {
    const auto &row = currentRow();
    if (position < 0 || position >= static_cast<int>(row.size())) {
        throw TpvError(err::ItemNotFound, QStringLiteral("No existe el campo en la posición %1").arg(position));
    }
    return row[static_cast<size_t>(position)];
}

}  // namespace tpv
