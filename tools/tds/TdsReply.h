#pragma once
// The answer to one request of a client session: a SQL batch, or an RPC
// (sp_executesql, and the server cursors sp_cursoropen, sp_cursorfetch and
// sp_cursorclose that FreeTDS opens for a scrollable or updatable statement).
#include "tds/TdsBackend.h"
#include "tds/TdsWire.h"

#include <map>

namespace tpv::tds {

class Conversation {
public:
    explicit Conversation(Session &session) : session_(session) {}
    QByteArray batch(const QString &sql);
    QByteArray rpc(const RpcCall &call);

private:
    struct Cursor {
        std::vector<Column> columns;
        std::vector<std::vector<QVariant>> rows;
        size_t position = 0;  // the next row a NEXT fetch returns
    };
    QByteArray cursorOpen(const RpcCall &call);
    QByteArray cursorFetch(const RpcCall &call);
    QByteArray procedureDone(Tokens &t, int32_t status);

    Session &session_;
    std::map<int, Cursor> cursors_;
    int nextCursor_ = 180150001;
};

}  // namespace tpv::tds
