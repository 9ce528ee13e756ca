#pragma once
// The statements on the site's settings. The settings file (ConfGarnet.mdb)
// holds the table Confi, whose row Cod = 'Prul4' says where the server is,
// how often to poll, which terminal this is and how many blank lines follow
// each ticket. On the server, icierre holds each terminal's business day and
// prn the printers this server knows. The work file (wdbServer.mdb) holds
// the ticket font, FonTPV, in its row Id = '1'.
#include <QString>

namespace tpv::sql::settings {

// The settings row, as the program reads it at start-up.
QString settingsRow();
// The same row as the settings tool shows it.
QString settingsRowToShow();
// How many settings rows there are (0 or 1).
QString countSettingsRows();
// The codes of whatever rows the table has, to say what is there instead.
QString settingsCodes();
// A new settings file: the table, and its row with the defaults.
QString createSettingsTable();
QString defaultSettingsRow();
// Sets one column of the settings row; the value comes written as SQL.
QString setSetting(const QString &column, const QString &value);
// Blank lines after each ticket, saved as the operator changes them.
QString saveBlankLines(int lineaspie, int tpv);

// Columns later versions added to Confi: a probe that fails when the column
// is missing, the column added, and every row given its default.
QString probeSettingsColumn(const QString &column);
QString addSettingsColumn(const QString &column);
QString fillSettingsColumn(const QString &column, int defaultValue);

// The terminal's business day and name.
QString businessDay(int tpv);
// The printers known to the server.
QString knownPrinters();

// The ticket font: its table and default row for a work file without one,
// the stored font read and saved, and the row replaced by an imported one.
QString createFontTable();
QString defaultFontRow();
QString storedFont();
// Written so that it reads back the same on any system language: the size
// with a decimal point, bold as the word the reading looks for.
QString saveFont(const QString &name, double size, bool bold);
QString deleteFontRow();
QString insertFontRow(const QString &name, double size, const QString &bold);

}  // namespace tpv::sql::settings
