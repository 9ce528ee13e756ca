#include "sql/SettingsStatements.h"

#include "sql/SqlText.h"

#include <QLocale>

namespace tpv::sql::settings {

QString settingsRow() { return QStringLiteral("Select * from Confi Where Cod = 'Prul4'"); }

QString settingsRowToShow() { return QStringLiteral("SELECT * FROM Confi WHERE Cod = 'Prul4'"); }

QString countSettingsRows() { return QStringLiteral("SELECT count(*) FROM Confi WHERE Cod = 'Prul4'"); }

QString settingsCodes() { return QStringLiteral("Select Cod from Confi"); }

QString createSettingsTable() {
    return QStringLiteral(
        "CREATE TABLE Confi(Cod varchar(10), Ip varchar(255), CatalogoIni varchar(50), Id varchar(50),"
        " PasW varchar(50), Tiempo integer, Raport integer, tpv integer, lineaspie integer)");
}

QString defaultSettingsRow() {
    return QStringLiteral("INSERT INTO Confi VALUES ('Prul4', '', 'Garnet', 'tesmarin', 'KOVU7', 1000, 0, 1, 3)");
}

QString setSetting(const QString &column, const QString &value) {
    return QStringLiteral("UPDATE Confi SET %1 = %2 WHERE Cod = 'Prul4'").arg(column, value);
}

QString saveBlankLines(int lineaspie, int tpv) {
    return QStringLiteral("UPDATE Confi SET lineaspie = %1 WHERE Tpv = %2").arg(lineaspie).arg(tpv);
}

QString probeSettingsColumn(const QString &column) {
    return QStringLiteral("Select %1 from Confi Where Cod = 'Prul4'").arg(column);
}

QString addSettingsColumn(const QString &column) {
    return QStringLiteral("ALTER TABLE Confi ADD COLUMN %1 integer").arg(column);
}

QString fillSettingsColumn(const QString &column, int defaultValue) {
    return QStringLiteral("UPDATE confi SET %1 = %2").arg(column).arg(defaultValue);
}

QString businessDay(int tpv) { return QStringLiteral("Select * from icierre WHERE cierrecod = %1").arg(tpv); }

QString knownPrinters() { return QStringLiteral("SELECT * FROM prn"); }

QString createFontTable() {
    return QStringLiteral("CREATE TABLE FonTPV(Id CHAR (1), Fuente CHAR (50), Tamano DOUBLE, Negrita CHAR(9))");
}

QString defaultFontRow() {
    return QStringLiteral("INSERT INTO FonTPV (Id, Fuente, Tamano, Negrita) VALUES ('1', 'Arial', 9, 'False')");
}

QString storedFont() { return QStringLiteral("SELECT * FROM FonTPV WHERE Id = '1'"); }

QString saveFont(const QString &name, double size, bool bold) {
    return QStringLiteral("UPDATE FonTPV SET Fuente ='") + escaped(name) + QStringLiteral("', Tamano=") +
           QLocale::c().toString(size, 'g', 7) + QStringLiteral(", Negrita='") +
           (bold ? QStringLiteral("Verdadero") : QStringLiteral("Falso")) + QStringLiteral("' WHERE Id='1'");
}

QString deleteFontRow() { return QStringLiteral("DELETE FROM FonTPV WHERE Id = '1'"); }

QString insertFontRow(const QString &name, double size, const QString &bold) {
    return QStringLiteral("INSERT INTO FonTPV (Id, Fuente, Tamano, Negrita) VALUES ('1', %1, %2, %3)")
        .arg(quoted(Variant(name)), QString::number(size), quoted(Variant(bold)));
}

}  // namespace tpv::sql::settings
