#include "platform/Console.h"

#include <cstdio>

namespace tpv {

void writeErrorLine(const QString &line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

}  // namespace tpv
