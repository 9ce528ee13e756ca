#include "ui/Lifecycle.h"

#include "ui/FrmPpal.h"
#include "platform/Version.h"
#include "kitchen/Config.h"
#include "sql/QueueStatements.h"
#include "sql/Schema.h"
#include "platform/DataFolder.h"
#include "compat/Error.h"

namespace tpv {

namespace {
const QString kTitle = QStringLiteral("Tesmarin-Garnet");
}

void crear_tablas_trabajo(DataControl &C) {
    C.setRecordSource(schema::readEmptyTable());
    C.refresh();
    for (const QString &sql : schema::workTableDrops()) {
        try {
            C.execute(sql);
        } catch (const TpvError &e) {
            if (e.number() != err::DropMissingTable) throw;
        }
    }
    for (const QString &sql : schema::workTableCreates()) C.execute(sql);
}

void limpiar_arg7(Global &g) { conn(g.Cn).execute(sql::queue::emptyNullProfiles()); }

void Form_Load(FrmPpal &f, InstanceLock &lock) {
    PollTimer::Busy busy(f.T);
    if (!lock.tryLock()) {
        f.dialogs.message(QStringLiteral("El programa ya se está Ejecutando"), kTitle, MsgIcon::Critical);
        throw ProgramEnded{1};
    }
    f.Caption = QStringLiteral("Lector TPV_Garnet ") + QString::fromLatin1(kVersion);
    try {
        actualizar_estructura_confi(f.g);
        leer_configuracion(f.g, f.configLabels(), f.dialogs);
        crear_tablas_trabajo(f.C);
        abrir_conexiones(f.g);
        f.T.setInterval(1000);
        InitControls(f.printerPanel());
    } catch (const TpvError &e) {
        if (e.number() == err::NotInList) {
            f.dialogs.message(QStringLiteral("La impresora guardada no esta instalada"), kTitle, MsgIcon::Critical);
            throw ProgramEnded{1};
        }
        f.dialogs.message(e.numberAndDescription(), appTitle(), MsgIcon::None);
    }
}

void Form_Activate(FrmPpal &f) {
    PollTimer::Busy busy(f.T);
    cargar_fuente(f.font());
    // The one window property the activation zeroes is the mouse pointer
    // (back to the default); the models have no pointer, the window does.
    try {
        f.lineasp.setText(QString::number(f.g.lineaspie));
        limpiar_arg7(f.g);
        cargar_impresoras(f.g);
    } catch (const TpvError &e) {
        if (e.number() == err::CannotOpen) {
            f.dialogs.message(QStringLiteral("No se puede conectar con el Servidor de datos, Revise la configuración "),
                              kTitle, MsgIcon::Critical);
            throw ProgramEnded{1};
        }
        // The rest of the activation is skipped; the operator still learns why.
        f.status.report(QStringLiteral("Activación incompleta: ") + e.numberAndDescription());
    }
}

bool Form_Unload(FrmPpal &f) {
    PollTimer::Busy busy(f.T);
    try {
        for (const QString &sql : schema::workTableEmptying()) f.C.execute(sql);
    } catch (const TpvError &e) {
        // The work tables are scratch copies; nothing is lost, but say so.
        f.status.report(QStringLiteral("No se pudieron vaciar las tablas de trabajo: ") + e.numberAndDescription());
    }
    const MsgAnswer a =
        f.dialogs.message(QStringLiteral("Atención si apaga este programa el TPV_Garnet no funcionara correctamente"),
                          kTitle, MsgIcon::None, MsgButtons::OkCancel);
    if (a != MsgAnswer::Ok) return false;
    // The program ends: a tick that fell due while the question was open
    // must not print after the operator said so.
    f.T.stopForGood();
    return true;
}

}  // namespace tpv
