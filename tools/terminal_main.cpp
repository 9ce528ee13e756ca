// tpv-terminal: a small order terminal for the demo. It writes orders into
// the embedded order database and adds "Com" jobs to the queue, as the
// waiters' terminals do: new orders with à-la-carte lines (some with
// extras), menu dishes, and later additions to orders already sent.
//   tpv-terminal --db FILE [--orders N] [--interval MS] [--tpv T]
#include "demo_data.h"

#include "compat/Error.h"
#include "sql/SqlConnection.h"

#include <QCoreApplication>
#include <QDate>
#include <QRandomGenerator>
#include <QThread>
#include <cstdio>

using namespace tpv;
using namespace tpv::demo;

namespace {

QList<ALaCarteLine> randomALaCarte(QRandomGenerator &rng) {
    const ALaCarteLine choices[] = {
        {QStringLiteral("CAN"), QStringLiteral("Caña"), 2, std::nullopt},
        {QStringLiteral("AGUA"), QStringLiteral("Agua mineral"), 1, std::nullopt},
        {QStringLiteral("VINO"), QStringLiteral("Vino tinto"), 1, std::nullopt},
        {QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1,
         Extra{3, QStringLiteral("Poco hecho"), 2, std::nullopt, QStringLiteral("Patatas"), {}}},
        {QStringLiteral("PAEL"), QStringLiteral("Paella"), 2, std::nullopt},
        {QStringLiteral("CROQ"), QStringLiteral("Croquetas"), 1, std::nullopt},
        {QStringLiteral("PAN"), QStringLiteral("Pa'amb tomàquet"), 1, std::nullopt},
        {QStringLiteral("MERL"), QStringLiteral("Merluza a la romana"), 1,
         Extra{5, QStringLiteral("Sin sal"), std::nullopt, std::nullopt, {}, {}}},
        {QStringLiteral("TART"), QStringLiteral("Tarta de queso"), 1, std::nullopt},
    };
    QList<ALaCarteLine> out;
    const int n = 1 + rng.bounded(4);
    for (int i = 0; i < n; ++i) out << choices[rng.bounded(static_cast<int>(std::size(choices)))];
    return out;
}

QList<MenuDish> randomMenu(QRandomGenerator &rng) {
    if (rng.bounded(2) == 0) return {};
    MenuDish ensalada{QStringLiteral("ENSA"),
                      QStringLiteral("Ensalada mixta"),
                      1,
                      std::nullopt,
                      std::nullopt,
                      std::nullopt,
                      {},
                      {},
                      {}};
    MenuDish merluza{QStringLiteral("MERL"), QStringLiteral("Merluza a la romana"), 1,  1, std::nullopt,
                     std::nullopt,           QStringLiteral("Sin limón"),           {}, {}};
    MenuDish flan{
        QStringLiteral("FLAN"), QStringLiteral("Flan casero"), 1, std::nullopt, std::nullopt, std::nullopt, {}, {}, {}};
    return {ensalada, merluza, flan};
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QString db;
    int orders = 5, interval = 3000, tpvNumber = 1;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--db"))
            db = args[i + 1];
        else if (args[i] == QLatin1String("--orders"))
            orders = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--interval"))
            interval = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--tpv"))
            tpvNumber = args[i + 1].toInt();
    }
    if (db.isEmpty()) {
        std::fputs("Uso: tpv-terminal --db FICHERO [--orders N] [--interval MS] [--tpv T]\n", stderr);
        return 2;
    }
    try {
        auto cn = openSqliteFile(db);
        const auto rs =
            cn->query(QStringLiteral("SELECT CierreFecha FROM icierre WHERE cierrecod = %1").arg(tpvNumber));
        const QString fecha = rs.rows.empty() ? todayBusinessDate() : rs.rows[0][0].toText();
        QRandomGenerator rng(42);
        QList<int> sent;
        int next = 1;
        const auto maxRs = cn->query(QStringLiteral("SELECT max(TicComa) FROM Tic WHERE TicFec = '%1'").arg(fecha));
        if (!maxRs.rows.empty() && !maxRs.rows[0][0].isNull()) next = maxRs.rows[0][0].toInt32() + 1;
        for (int i = 0; i < orders; ++i) {
            // Every third sending adds dishes to an order sent before.
            const bool addition = !sent.isEmpty() && i % 3 == 2;
            const int comanda = addition ? sent[rng.bounded(static_cast<int>(sent.size()))] : next++;
            const int job = addOrder(*cn, tpvNumber, fecha, comanda, 1 + rng.bounded(20), randomALaCarte(rng),
                                     addition ? QList<MenuDish>{} : randomMenu(rng));
            if (!addition) sent << comanda;
            std::fprintf(stderr, "Terminal %d: %s comanda %d (trabajo %d)\n", tpvNumber,
                         addition ? "añade a la" : "envía la", comanda, job);
            if (i + 1 < orders) QThread::msleep(static_cast<unsigned long>(interval));
        }
    } catch (const TpvError &e) {
        std::fprintf(stderr, "Error del terminal: %s\n", qPrintable(e.numberAndDescription()));
        return 1;
    }
    return 0;
}
