#include "tds/TdsReply.h"

namespace tpv::tds {

namespace {

constexpr uint16_t kSelect = 0xC1;

int32_t intParameter(const RpcCall &call, size_t index, int32_t fallback = 0) {
    if (index >= call.parameters.size() || call.parameters[index].value.isNull()) return fallback;
    return static_cast<int32_t>(call.parameters[index].value.toLongLong());
}

QString textParameter(const RpcCall &call, size_t index) {
    return index < call.parameters.size() ? call.parameters[index].value.toString() : QString();
}

// The results of a batch, each closed by a DONE (or DONEINPROC inside a
// procedure); the last one final unless the procedure goes on.
void writeResults(Tokens &t, const BatchOutcome &outcome, uint8_t doneToken, bool lastIsFinal) {
    const size_t n = outcome.results.size();
    for (size_t i = 0; i < n; ++i) {
        const StatementResult &r = outcome.results[i];
        if (r.isQuery) {
            t.columns(r.columns);
            for (const auto &row : r.rows) t.row(r.columns, row);
        }
        uint16_t status = r.countValid ? done::Count : 0;
        if (!(lastIsFinal && i + 1 == n && !outcome.error)) status |= done::More;
        t.done(doneToken, status, r.isQuery ? kSelect : 0, static_cast<uint64_t>(r.rowCount));
    }
    if (outcome.error) {
        t.error(*outcome.error);
        t.done(doneToken, done::Error | (lastIsFinal ? 0 : done::More), 0, 0);
    } else if (n == 0) {
        t.done(doneToken, lastIsFinal ? done::Final : done::More, 0, 0);
    }
}

}  // namespace

QByteArray Conversation::batch(const QString &sql) {
    Tokens t;
    writeResults(t, session_.run(sql), done::Done, true);
    return t.bytes();
}

QByteArray Conversation::procedureDone(Tokens &t, int32_t status) {
    t.returnStatus(status);
    t.done(done::Proc, done::Final, 0, 0);
    return t.bytes();
}

QByteArray Conversation::rpc(const RpcCall &call) {
    const QString name = call.name.toLower();
    Tokens t;
    if (call.procId == 10 || name == QLatin1String("sp_executesql")) {
        writeResults(t, session_.run(textParameter(call, 0)), done::InProc, false);
        return procedureDone(t, 0);
    }
    if (call.procId == 2 || name == QLatin1String("sp_cursoropen")) return cursorOpen(call);
    if (call.procId == 7 || name == QLatin1String("sp_cursorfetch")) return cursorFetch(call);
    if (call.procId == 9 || name == QLatin1String("sp_cursorclose")) {
        cursors_.erase(intParameter(call, 0));
        return procedureDone(t, 0);
    }
    if (call.procId == 8 || call.procId == 1) return procedureDone(t, 0);  // sp_cursoroption, sp_cursor
    t.error({2812, 16,
             QStringLiteral("Could not find stored procedure '%1'.")
                 .arg(call.procId ? QString::number(call.procId) : call.name)});
    t.done(done::Proc, done::Error, 0, 0);
    return t.bytes();
}

QByteArray Conversation::cursorOpen(const RpcCall &call) {
    // sp_cursoropen @cursor OUTPUT, @stmt, @scrollopt OUTPUT, @ccopt OUTPUT, @rowcount OUTPUT
    Tokens t;
    // The statement runs inside the procedure: a SET it makes (DATEFORMAT,
    // LANGUAGE) ends with it, as SQL Server restores a procedure's SET options.
    const Session::Settings before = session_.settings();
    BatchOutcome outcome = session_.run(textParameter(call, 1));
    session_.restore(before);
    const int32_t scrollopt = intParameter(call, 2, 8) & 0xFFFF;
    const int32_t ccopt = intParameter(call, 3, 1) & 0xFFFF;
    if (outcome.error) {
        writeResults(t, outcome, done::InProc, false);
        return procedureDone(t, 1);
    }
    // The last query of the text is the cursor's; a statement that returns
    // no rows is executed directly, as the server says.
    const StatementResult *query = nullptr;
    for (const auto &r : outcome.results)
        if (r.isQuery) query = &r;
    int handle = 0;
    int32_t rowCount = 0;
    if (query) {
        handle = nextCursor_++;
        cursors_[handle] = Cursor{query->columns, query->rows, 0};
        rowCount = static_cast<int32_t>(query->rows.size());
        t.columns(query->columns);
        t.done(done::InProc, done::More, 0, 0);
    } else {
        uint64_t changed = 0;
        for (const auto &r : outcome.results) changed += static_cast<uint64_t>(r.rowCount);
        t.info(16954, QStringLiteral("Executing SQL directly; no cursor."));
        t.done(done::InProc, done::More | done::Count, 0, changed);
        rowCount = static_cast<int32_t>(changed);
    }
    t.returnStatus(0);
    t.returnInt(0, QStringLiteral("@cursor"), handle);
    t.returnInt(2, QStringLiteral("@scrollopt"), scrollopt);
    t.returnInt(3, QStringLiteral("@ccopt"), ccopt);
    t.returnInt(4, QStringLiteral("@rowcount"), rowCount);
    t.done(done::Proc, done::Final, 0, 0);
    return t.bytes();
}

QByteArray Conversation::cursorFetch(const RpcCall &call) {
    // sp_cursorfetch @cursor, @fetchtype, @rownum, @nrows
    Tokens t;
    const auto it = cursors_.find(intParameter(call, 0));
    if (it == cursors_.end()) {
        t.error(
            {16950, 16, QStringLiteral("The variable '@cursor' does not currently have a cursor allocated to it.")});
        t.done(done::Proc, done::Error, 0, 0);
        return t.bytes();
    }
    Cursor &c = it->second;
    const int32_t fetchType = intParameter(call, 1, 2);
    const int32_t rowNumber = intParameter(call, 2, 1);
    const int32_t wanted = qMax(1, intParameter(call, 3, 1));
    size_t from = c.position;
    switch (fetchType) {
        case 0x01:  // FIRST
            from = 0;
            break;
        case 0x08:  // LAST
            from = c.rows.size() > static_cast<size_t>(wanted) ? c.rows.size() - static_cast<size_t>(wanted) : 0;
            break;
        case 0x10:  // ABSOLUTE
            from = rowNumber > 0 ? static_cast<size_t>(rowNumber - 1) : 0;
            break;
        case 0x20:  // RELATIVE
            from = static_cast<size_t>(qMax<qint64>(0, static_cast<qint64>(c.position) + rowNumber - 1));
            break;
        default:  // NEXT
            break;
    }
    t.columns(c.columns);
    size_t sent = 0;
    for (size_t i = from; i < c.rows.size() && sent < static_cast<size_t>(wanted); ++i, ++sent)
        t.row(c.columns, c.rows[i]);
    c.position = from + sent;
    t.done(done::InProc, done::More | done::Count, kSelect, sent);
    return procedureDone(t, 0);
}

}  // namespace tpv::tds
