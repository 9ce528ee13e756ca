#pragma once
// The bytes of TDS 7.4 as the small server reads and writes them: the
// prelogin answer, the LOGIN7 record, the text of SQL batches and RPC calls,
// and the tokens of a reply (LOGINACK, ENVCHANGE, INFO and ERROR,
// COLMETADATA, ROW, RETURNSTATUS, RETURNVALUE, DONE).
#include "tds/TdsBackend.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace tpv::tds {

namespace packet {
constexpr uint8_t SqlBatch = 0x01, Rpc = 0x03, Reply = 0x04, Attention = 0x06, Login7 = 0x10, Prelogin = 0x12;
}
namespace done {
constexpr uint16_t Final = 0x00, More = 0x01, Error = 0x02, Count = 0x10, Attention = 0x20;
constexpr uint8_t Done = 0xFD, Proc = 0xFE, InProc = 0xFF;
}  // namespace done

// Modern_Spanish_CI_AS: code page 1252, the collation of the restaurants' servers.
QByteArray spanishCollation();
// Text as a varchar column of that collation holds it: a character code
// page 1252 lacks becomes '?', as SQL Server stores it.
QByteArray toCp1252(const QString &text);

QByteArray preloginReply();

struct Login {
    QString host, user, password, app, server, library, language, database;
    uint32_t packetSize = 4096;
};
std::optional<Login> readLogin7(const QByteArray &payload);

// The SQL text of a batch (after its ALL_HEADERS).
QString readBatch(const QByteArray &payload);

struct RpcParameter {
    QString name;
    bool output = false;
    QVariant value;  // null, qint64, double or QString
};
struct RpcCall {
    int procId = 0;  // 0 when called by name
    QString name;
    std::vector<RpcParameter> parameters;
};
std::optional<RpcCall> readRpc(const QByteArray &payload);

class Tokens {
public:
    const QByteArray &bytes() const { return data_; }

    void envChange(uint8_t type, const QString &newValue, const QString &oldValue);
    void collationChange();
    void info(int number, const QString &text) { message(0xAB, number, 1, 0, text); }
    void error(const ServerError &e) { message(0xAA, e.number, 1, static_cast<uint8_t>(e.severity), e.message); }
    void loginAck();
    void done(uint8_t token, uint16_t status, uint16_t curcmd, uint64_t count);
    void columns(const std::vector<Column> &columns);
    void row(const std::vector<Column> &columns, const std::vector<QVariant> &values);
    void returnStatus(int32_t value);
    void returnInt(uint16_t ordinal, const QString &name, int32_t value);

private:
    void message(uint8_t token, int number, uint8_t state, uint8_t severity, const QString &text);
    void u8(uint8_t v) { data_.append(static_cast<char>(v)); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void bVarchar(const QString &s);   // length in characters (1 byte), UTF-16LE
    void usVarchar(const QString &s);  // length in characters (2 bytes), UTF-16LE
    void typeInfo(const Column &c);

    QByteArray data_;
};

QByteArray utf16le(const QString &s);

}  // namespace tpv::tds
