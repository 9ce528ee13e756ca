#include "printing/Ticket.h"

#include "platform/Variant.h"

#include <QRegularExpression>
#include <QTime>

namespace tpv::ticket {

namespace {
const QString kRule = QStringLiteral("__________________");  // eighteen underscores
const QString kExtraIndent = QStringLiteral("     /");
const QString kSentLabel = QStringLiteral("Hora de Envio: ");
}  // namespace

QString header(const QString &TicFec1, const QString &TicSal, const QString &TicMes, const QString &TicComa) {
    return QStringLiteral("Fecha ") + TicFec1 + QStringLiteral("     Tpv ") + TicSal + CRLF + QStringLiteral("Mesa ") +
           TicMes + QStringLiteral(" Comanda N.  ") + TicComa + CRLF + CRLF;
}

QString cartaTitle(const QString &Cabecera) { return Cabecera + QStringLiteral(" ***** ARTICULOS CARTA *****") + CRLF; }

QString cartaLine(double quantity, const QString &TilArtN) {
    return numberToText(quantity) + QLatin1Char(' ') + TilArtN;
}

QString extra(const QString &name) { return CRLF + kExtraIndent + name; }

QString cartaLineEnd(bool withExtraRow) { return withExtraRow ? CRLF + CRLF : CRLF; }

QString menuTitle(const QString &Cabecera, bool textEmpty) {
    if (textEmpty) return Cabecera + kRule + CRLF + QStringLiteral("Platos de Menu") + CRLF + kRule + CRLF;
    return kRule + QStringLiteral("Platos de Menu") + kRule + CRLF;
}

QString menuDish(int16_t quantity, const QString &mlplan) {
    return QString::number(quantity) + QLatin1Char(' ') + mlplan;
}

QString menuDishEnd() { return CRLF; }

QString footer(const QTime &sent) {
    return QStringLiteral("**********") + CRLF + kSentLabel + sent.toString(QStringLiteral("HH:mm:ss")) + CRLF +
           QStringLiteral("*");
}

QString blankLines(int count) { return count > 0 ? CRLF.repeated(count) : QString(); }

QString withoutSendingTime(const QString &ticketText) {
    static const QRegularExpression time(QStringLiteral("(\r\nHora de Envio: )\\d\\d:\\d\\d:\\d\\d(\r\n\\*)"));
    QString out = ticketText;
    // Only the footer's line: the last match, so a dish named like it stays.
    const int at = out.lastIndexOf(CRLF + kSentLabel);
    if (at < 0) return out;
    const auto m = time.match(out, at);
    if (m.hasMatch() && m.capturedStart() == at)
        out.replace(m.capturedStart(), m.capturedLength(), m.captured(1) + m.captured(2));
    return out;
}

}  // namespace tpv::ticket
