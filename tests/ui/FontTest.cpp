#include "support/TestSupport.h"
#include "devices/folder/FolderPrinters.h"

#include "ui/Lifecycle.h"
#include "ui/TicketFont.h"
#include "sql/SqlConnection.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tpv;
using namespace tpv::test;

namespace {
class Font : public ServerTest {
protected:
    std::unique_ptr<Connection> work() {
        return openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
    }
    QJsonObject lastJson(const QString &printer) {
        const QStringList docs = FolderPrinters::documents(QDir(printersDir).filePath(printer));
        QString path = docs.last();
        path.replace(QStringLiteral(".txt"), QStringLiteral(".json"));
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(f.readAll()).object();
    }
};
}  // namespace

TEST_F(Font, FirstStartCreatesTheDefaultRowAndEveryPrinterPrintsInIt) {
    QFile json(QDir(printersDir).filePath(QStringLiteral("Barra/printer.json")));
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(R"({"FontName": "Courier", "FontSize": 14, "FontBold": true})");
    json.close();
    demo::addOrder(*server, 1, fecha, 1, 1,
                   {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}},
                    {QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1, {}}},
                   {});
    start();
    const ResultSet rs = work()->query(QStringLiteral("SELECT Id, Fuente, Tamano, Negrita FROM FonTPV"));
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(rs.rows[0][0].toText(), QStringLiteral("1"));
    EXPECT_EQ(rs.rows[0][1].toText(), QStringLiteral("Arial"));
    EXPECT_EQ(rs.rows[0][2].toDouble(), 9.0);
    EXPECT_EQ(rs.rows[0][3].toText(), QStringLiteral("False"));
    tick();
    for (const char *p : {"Cocina", "Barra"}) {
        const QJsonObject o = lastJson(QString::fromLatin1(p));
        EXPECT_EQ(o.value(QStringLiteral("FontName")).toString(), QStringLiteral("Arial")) << p;
        EXPECT_EQ(o.value(QStringLiteral("FontSize")).toDouble(), 9.0) << p;
        EXPECT_FALSE(o.value(QStringLiteral("FontBold")).toBool()) << p;
    }
}

TEST_F(Font, StoredNameAndBoldWordPaddedWithBlanksReadBackTrimmed) {
    {
        auto cn = work();
        cn->execute(
            QStringLiteral("CREATE TABLE FonTPV(Id CHAR (1), Fuente CHAR (50), Tamano DOUBLE, Negrita CHAR(9))"));
        cn->execute(
            QStringLiteral("INSERT INTO FonTPV VALUES ('1', 'Liberation Mono                ', 10.5, 'Verdadero   ')"));
    }
    start();
    EXPECT_EQ(f->printers.get(PrinterProperty::FontName).toText(), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(f->printers.get(PrinterProperty::FontSize).toDouble(), 10.5);
    EXPECT_TRUE(f->printers.get(PrinterProperty::FontBold).toBool());
    work()->execute(QStringLiteral("UPDATE FonTPV SET Negrita = 'True'"));
    cargar_fuente(f->font());
    EXPECT_FALSE(f->printers.get(PrinterProperty::FontBold).toBool());
}

TEST_F(Font, TableWithoutRowOneGivesArialNineAndAddsNoRow) {
    {
        auto cn = work();
        cn->execute(
            QStringLiteral("CREATE TABLE FonTPV(Id CHAR (1), Fuente CHAR (50), Tamano DOUBLE, Negrita CHAR(9))"));
        cn->execute(QStringLiteral("INSERT INTO FonTPV VALUES ('2', 'Courier', 20, 'Verdadero')"));
    }
    start();
    EXPECT_EQ(f->printers.get(PrinterProperty::FontName).toText(), QStringLiteral("Arial"));
    EXPECT_EQ(f->printers.get(PrinterProperty::FontSize).toDouble(), 9.0);
    EXPECT_EQ(work()->query(QStringLiteral("SELECT count(*) FROM FonTPV")).rows[0][0].toInt32(), 1);
}

TEST_F(Font, ChosenFontIsAppliedStoredAndAppliedAgainAtTheNextActivation) {
    start();
    dialogs.setNextFont(FontChoice{QStringLiteral("Liberation Serif"), 12.5, true});
    tl_Click(f->font());
    EXPECT_EQ(dialogs.lastFontPreset.name, QStringLiteral("Arial"));
    EXPECT_EQ(dialogs.lastFontFlags, 65538);
    const ResultSet rs = work()->query(QStringLiteral("SELECT trim(Fuente), Tamano, trim(Negrita) FROM FonTPV"));
    EXPECT_EQ(rs.rows[0][0].toText(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(rs.rows[0][1].toDouble(), 12.5);
    EXPECT_EQ(rs.rows[0][2].toText(), QStringLiteral("Verdadero"));
    // Something else changes the printer's font; activation restores the stored one.
    f->printers.set(PrinterProperty::FontName, QStringLiteral("Courier"));
    f->printers.set(PrinterProperty::FontBold, false);
    Form_Activate(*f);
    EXPECT_EQ(f->printers.get(PrinterProperty::FontName).toText(), QStringLiteral("Liberation Serif"));
    EXPECT_TRUE(f->printers.get(PrinterProperty::FontBold).toBool());
    EXPECT_EQ(f->printers.get(PrinterProperty::FontSize).toDouble(), 12.5);
}

TEST_F(Font, CancelledDialogChangesNothingAndShowsNothing) {
    start();
    tl_Click(f->font());  // the headless dialog is cancelled
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(work()->query(QStringLiteral("SELECT trim(Fuente) FROM FonTPV")).rows[0][0].toText(),
              QStringLiteral("Arial"));
}
