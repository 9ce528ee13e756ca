#pragma once
// Backup printers: a printer with `respaldo=` in impresoras.ini hands its
// tickets to that printer once it has been failing for `respaldo_tras`
// seconds (30 by default), and takes them back at the first ticket after it
// works again. A ticket printed for another printer carries, under its
// header, "*** RESPALDO DE Barra ***". The journal counts it as received by
// the printer it was meant for, so that one does not get it again when it
// comes back. When the backup fails too, the ticket fails as the printer's.
#include "kitchen/PrinterHealth.h"
#include "kitchen/TicketOutput.h"

#include <QHash>
#include <QStringList>

namespace tpv {

class Clock;

struct BackupSetting {
    QString backup;         // the device name of the printer that stands in
    int afterSeconds = 30;  // of failure before it does
};

// The `respaldo` and `respaldo_tras` keys of every group of impresoras.ini
// (of any kind of printer). A missing file gives none; each mistake is one
// Spanish line naming the printer and the line of the file, and the key
// keeps its default.
QHash<QString, BackupSetting> readBackupSettings(const QString &iniPath, QStringList *errors);

// In front of the printers: sends to the printer meant, and to its backup
// when that one has been failing long enough.
class BackupOutput : public TicketOutput {
public:
    BackupOutput(TicketOutput &inner, QHash<QString, BackupSetting> settings, PrinterHealth &health, const Clock &clock)
        : inner_(inner), settings_(std::move(settings)), health_(health), clock_(clock) {}

    QString send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) override;
    // A ticket meant for a printer may be on that printer or on its backup.
    std::optional<bool> arrived(const QString &printer, const QString &title, const QString &digest) override;

    const QHash<QString, BackupSetting> &settings() const { return settings_; }

private:
    TicketOutput &inner_;
    QHash<QString, BackupSetting> settings_;
    PrinterHealth &health_;
    const Clock &clock_;
};

}  // namespace tpv
