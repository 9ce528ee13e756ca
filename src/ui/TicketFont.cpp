#include "ui/TicketFont.h"

#include "sql/SettingsStatements.h"
#include "sql/DataControl.h"
#include "compat/Dialogs.h"
#include "compat/Error.h"
#include "devices/Printers.h"
#include "kitchen/StatusReport.h"

namespace tpv {

namespace {

QString trimmedRight(const QString &s) {
    int n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' ')) --n;
    return s.left(n);
}

void readStoredFont(const FontContext &f) {
    auto cnLocal = openConnection(workConnectionString(), f.g.db);
    Recordset rs;
    rs.open(sql::settings::storedFont(), *cnLocal);
    PrinterLayer &p = f.printers;
    if (rs.eof()) {
        p.set(PrinterProperty::FontName, QStringLiteral("Arial"));
        p.set(PrinterProperty::FontSize, 9.0);
        p.set(PrinterProperty::FontBold, false);
    } else {
        p.set(PrinterProperty::FontName, trimmedRight(rs.field(QStringLiteral("Fuente")).toText()));
        p.set(PrinterProperty::FontSize, static_cast<double>(rs.field(QStringLiteral("tamano")).toSingle()));
        p.set(PrinterProperty::FontBold,
              trimmedRight(rs.field(QStringLiteral("negrita")).toText()) == QLatin1String("Verdadero"));
    }
    rs.close();
}

}  // namespace

void cargar_fuente(const FontContext &f) {
    try {
        readStoredFont(f);
    } catch (const TpvError &e) {
        if (e.number() != err::NoSuchTable) return;
        try {
            f.C.execute(sql::settings::createFontTable());
            f.C.execute(sql::settings::defaultFontRow());
            readStoredFont(f);
        } catch (const TpvError &) {
            // The printer keeps the font it had.
        }
    }
}

void tl_Click(const FontContext &f) {
    PrinterLayer &p = f.printers;
    long error = 0;
    QString description;
    FontChoice preset;
    try {
        preset.name = p.get(PrinterProperty::FontName).toText();
        preset.size = p.get(PrinterProperty::FontSize).toDouble();
        preset.bold = p.get(PrinterProperty::FontBold).toBool();
    } catch (const TpvError &e) {
        error = e.number();
        description = e.description();
    }
    const auto chosen = f.dialogs.chooseFont(preset, kFontDialogFlags);
    if (!chosen) return;  // cancelled (error 32755): nothing changes
    if (error != 0) {
        f.dialogs.message(QStringLiteral("%1: %2").arg(error).arg(description), QStringLiteral("Error "),
                          MsgIcon::Critical);
        return;
    }
    const float size = static_cast<float>(chosen->size);
    try {
        p.set(PrinterProperty::FontName, chosen->name);
        p.set(PrinterProperty::FontSize, static_cast<double>(size));
        p.set(PrinterProperty::FontBold, chosen->bold);
    } catch (const TpvError &e) {
        f.dialogs.message(QStringLiteral("%1: %2").arg(e.number()).arg(e.description()), QStringLiteral("Error "),
                          MsgIcon::Critical);
        return;
    }
    try {
        f.C.execute(sql::settings::saveFont(chosen->name, static_cast<double>(size), chosen->bold));
    } catch (const TpvError &e) {
        f.status.report(QStringLiteral("No se pudo guardar el tipo de letra: ") + e.numberAndDescription());
    }
}

}  // namespace tpv
