#include "ui/qt/QtSpanish.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tpv {

bool loadQtSpanish(QCoreApplication &app) {
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"), QStringLiteral("_"),
                          dir)) {
        delete translator;
        logLine(LogPriority::Warning,
                QStringLiteral("No están las traducciones de Qt al español en %1 (paquete qt6-translations-l10n): "
                               "los diálogos de Qt, como el de «Tipo Letra», saldrán en inglés")
                    .arg(dir));
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace tpv
