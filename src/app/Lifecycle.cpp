#include "app/Lifecycle.h"

#include "app/FrmPpal.h"
#include "config/Config.h"
#include "db/Schema.h"
#include "platform/Environment.h"
#include "platform/Error.h"

namespace tpv {

namespace {
const QString kTitle = QStringLiteral("Tesmarin-Garnet");
}

void crear_tablas_trabajo(FrmPpal &f) {
    f.C.setRecordSource(QStringLiteral("Select * from Vacio"));
    f.C.refresh();
    for (const QString &sql : schema::workTableDrops()) {
        try {
            f.C.execute(sql);
        } catch (const TpvError &e) {
            if (e.number() != err::DropMissingTable) throw;
        }
    }
    for (const QString &sql : schema::workTableCreates()) f.C.execute(sql);
}

void limpiar_arg7(FrmPpal &f) {
    conn(f.g.Cn).execute(QStringLiteral("UPDATE PendGar SET PPArg7 = '' WHERE PPArg7 IS null"));
}

void Form_Load(FrmPpal &f, InstanceLock &lock) {
    PollTimer::Busy busy(f.T);
    if (!lock.tryLock()) {
        f.dialogs.message(QStringLiteral("El programa ya se está Ejecutando"), kTitle, MsgIcon::Critical);
        f.endProgram(1);
    }
    f.Caption = QStringLiteral("Lector TPV_Garnet ") + QString::fromLatin1(kVersion);
    try {
        actualizar_estructura_confi(f);
        leer_configuracion(f);
        crear_tablas_trabajo(f);
        abrir_conexiones(f);
        f.T.setInterval(1000);
        InitControls(f);
    } catch (const TpvError &e) {
        if (e.number() == err::NotInList) {
            f.dialogs.message(QStringLiteral("La impresora guardada no esta instalada"), kTitle, MsgIcon::Critical);
            f.endProgram(1);
        }
        f.dialogs.message(e.numberAndDescription(), FrmPpal::appTitle(), MsgIcon::None);
    }
}

void Form_Activate(FrmPpal &f) {
    PollTimer::Busy busy(f.T);
    cargar_fuente(f);
    // The one window property the activation zeroes is the mouse pointer
    // (back to the default); the models have no pointer, the window does.
    try {
        f.lineasp.setText(QString::number(f.g.lineaspie));
        limpiar_arg7(f);
        cargar_impresoras(f);
    } catch (const TpvError &e) {
        if (e.number() == err::CannotOpen) {
            f.dialogs.message(QStringLiteral("No se puede conectar con el Servidor de datos, Revise la configuración "),
                              kTitle, MsgIcon::Critical);
            f.endProgram(1);
        }
        // The rest of the activation is skipped; the operator still learns why.
        f.report(QStringLiteral("Activación incompleta: ") + e.numberAndDescription());
    }
}

bool Form_Unload(FrmPpal &f) {
    PollTimer::Busy busy(f.T);
    try {
        for (const QString &sql : schema::workTableEmptying()) f.C.execute(sql);
    } catch (const TpvError &e) {
        // The work tables are scratch copies; nothing is lost, but say so.
        f.report(QStringLiteral("No se pudieron vaciar las tablas de trabajo: ") + e.numberAndDescription());
    }
    const MsgAnswer a = f.dialogs.message(
        QStringLiteral("Atención si apaga este programa el TPV_Garnet no funcionara correctamente"), kTitle,
        MsgIcon::None, MsgButtons::OkCancel);
    return a == MsgAnswer::Ok;
}

}  // namespace tpv
